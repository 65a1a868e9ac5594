#include "platform/headless/random_buttons.h"

namespace morvel {

namespace {

bool started;
uint32_t state;
long nextChange;
uint8_t held;

// xorshift32: small, fast and the same on every platform.
uint32_t NextRandom() {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return state;
}

}  // namespace

void StartRandomButtons(uint32_t seed) {
    started = true;
    state = seed ? seed : 0x9E3779B9u;  // xorshift never leaves 0
    nextChange = 0;
    held = 0;
}

uint8_t RandomButtons(long frame) {
    if (!started) return 0;
    while (frame >= nextChange) {
        const uint32_t r = NextRandom();
        held = static_cast<uint8_t>(r);
        nextChange += 1 + static_cast<long>((r >> 8) & 15);
    }
    return held;
}

}  // namespace morvel
