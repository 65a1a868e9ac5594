// Konami's VRC6 (mappers 24 and 26): a 16 KB and an 8 KB PRG window, eight
// 1 KB CHR banks, mirroring and work RAM enable in $B003, the VRC interrupt
// counter, and three sound channels (two pulses and a sawtooth) mixed beside
// the console's own.
#pragma once

#include <cstdint>
#include <string>
#include <type_traits>

#include "apu/expansion_sound.h"
#include "cart/vrc_irq.h"

namespace morvel {

struct BoardHeader;

// A pulse channel: $9000-$9002 or $A000-$A002.
struct Vrc6Pulse {
    uint8_t control;     // MDDD VVVV: M ignore duty, D duty, V volume
    uint8_t periodLow;   // $x001
    uint8_t periodHigh;  // $x002: E... PPPP, E enabled
    uint8_t step;        // 15 down to 0; sounds while step <= duty
    uint16_t divider;    // CPU cycles left before the next step, minus one
    uint16_t reserved;
};
static_assert(sizeof(Vrc6Pulse) == 8);

// The sawtooth: $B000-$B002.
struct Vrc6Saw {
    uint8_t rate;         // ..AA AAAA: added to the accumulator every other step
    uint8_t periodLow;    // $B001
    uint8_t periodHigh;   // $B002: E... PPPP
    uint8_t accumulator;  // its top five bits are the output
    uint8_t step;         // 0-13; the fourteenth step clears the accumulator
    uint8_t reserved;
    uint16_t divider;
};
static_assert(sizeof(Vrc6Saw) == 8);

// Everything the board keeps beyond the bank numbers, as save states store it.
struct Vrc6State {
    uint8_t prg16;       // $8000: 16 KB bank at $8000
    uint8_t prg8;        // $C000: 8 KB bank at $C000
    uint8_t ppuStyle;    // $B003: W.PN MMDD
    uint8_t soundScale;  // $9003: .... .ABH
    uint8_t chr[8];      // $D000-$E003
    Vrc6Pulse pulse[2];
    Vrc6Saw saw;
    VrcIrqState irq;
    ExpansionMix mix;
};
static_assert(sizeof(Vrc6State) == 52);
static_assert(std::is_trivially_copyable_v<Vrc6State>);

extern Vrc6State vrc6;

void SetupVrc6a(const BoardHeader& header);  // mapper 24
void SetupVrc6b(const BoardHeader& header);  // mapper 26: A0 and A1 swapped
void Vrc6AfterStateLoad();
void Vrc6RunTo(uint64_t last);
bool Vrc6Fits(const Vrc6State& saved, std::string& why);

}  // namespace morvel
