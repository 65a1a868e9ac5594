// The Sunsoft FME-7 board and its 5A/5B twins (mapper 69): a command register
// at $8000 and its parameter at $A000 choose eight 1 KB CHR banks, 8 KB PRG
// banks at $6000 (ROM or RAM), $8000, $A000 and $C000, the mirroring and a
// 16-bit interrupt counter that counts CPU cycles. The 5B adds its sound
// chip at $C000/$E000.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <type_traits>

#include "cart/sunsoft5b_sound.h"

namespace morvel {

struct Fme7State {
    uint8_t command;      // $8000 AND $0F
    uint8_t bank6000;     // command 8: RAM enable (bit 7), RAM (bit 6), bank
    uint8_t mirroring;    // command 12 AND 3
    uint8_t irqControl;   // command 13: counting (bit 7), interrupt enable (bit 0)
    uint16_t irqCounter;  // commands 14 (low byte) and 15 (high byte)
    uint8_t irqPending;   // the counter wrapped with the interrupt enabled
    uint8_t reserved;
    Sunsoft5bState sound;
};
static_assert(sizeof(Fme7State) == 60);
static_assert(std::is_trivially_copyable_v<Fme7State>);
static_assert(offsetof(Fme7State, sound) == 8);

extern Fme7State fme7;

struct BoardHeader;
void SetupFme7(const BoardHeader& header);
void Fme7AfterStateLoad();
void Fme7RunTo(uint64_t last);

bool Fme7Fits(const Fme7State& saved, std::string& why);

}  // namespace morvel
