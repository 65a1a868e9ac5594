// Konami's VRC7 (mapper 85): three switched 8 KB PRG banks and the last one
// fixed, eight 1 KB CHR banks, mirroring, a work RAM enable, the VRC
// interrupt counter and six channels of FM sound. Its two board wirings
// select the second register of each pair with A4 (VRC7a, $x010, NES 2.0
// submapper 2) or A3 (VRC7b, $x008, submapper 1); submapper 0 takes either.
#pragma once

#include <cstdint>
#include <string>
#include <type_traits>

#include "apu/expansion_sound.h"
#include "apu/vrc7_sound.h"
#include "cart/board.h"
#include "cart/vrc_irq.h"

namespace morvel {

struct Vrc7State {
    VrcIrqState irq;
    ExpansionMix mix;
    uint8_t control;       // $E000: RS.. ..MM, work RAM, silence, mirroring
    uint8_t soundAddress;  // the internal register $9010 selected
    uint8_t sampleCycle;   // CPU cycles into the chip's sample in progress, 0-35
    uint8_t selectLine;    // the address bits that pick a pair's second register
    int32_t soundLevel;    // the chip's output during the sample in progress
    Vrc7Sound sound;
};
static_assert(std::is_trivially_copyable_v<Vrc7State>);
static_assert(sizeof(Vrc7State) == 24 + sizeof(Vrc7Sound));

extern Vrc7State vrc7;

void SetupVrc7(const BoardHeader& header);
void Vrc7RunTo(uint64_t last);
bool Vrc7Fits(const Vrc7State& v, std::string& why);

}  // namespace morvel
