// Konami's VRC3 (mapper 73): a 16 KB PRG bank at $8000, the last 16 KB fixed
// at $C000, 8 KB of CHR RAM, and an interrupt counter of 16 or 8 bits that
// counts CPU cycles.
#pragma once

#include <cstdint>
#include <string>
#include <type_traits>

#include "cart/board.h"

namespace morvel {

struct Vrc3State {
    uint16_t latch;    // the reload value, written four bits at a time
    uint16_t counter;  // counts up each CPU cycle while enabled
    uint8_t control;   // .... .MEA: M 8-bit counter, E enabled, A enabled after acknowledgement
    uint8_t prg;       // the 16 KB bank at $8000
    uint8_t reserved[2];
};
static_assert(sizeof(Vrc3State) == 8);
static_assert(std::is_trivially_copyable_v<Vrc3State>);

extern Vrc3State vrc3;

void SetupVrc3(const BoardHeader& header);
void Vrc3RunTo(uint64_t last);
bool Vrc3Fits(const Vrc3State& saved, std::string& why);

}  // namespace morvel
