// Konami's VRC2 and VRC4 (mappers 21, 22, 23 and 25): two switched 8 KB PRG
// banks, eight 1 KB CHR banks written four bits at a time, switched
// mirroring; the VRC4 adds a PRG swap mode, one-screen mirroring and the VRC
// interrupt counter. The boards differ in which two CPU address lines reach
// the chip's register-select pins A0 and A1.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <type_traits>

#include "cart/board.h"
#include "cart/vrc_irq.h"

namespace morvel {

struct Vrc24State {
    VrcIrqState irq;
    uint8_t prg[2];       // $8000 and $A000 registers, five bits
    uint8_t swapControl;  // VRC4 $9002: bit 1 PRG swap mode, bit 0 work RAM control
    uint8_t nametables;   // the MirroringMode shown
    uint16_t chr[8];      // the 1 KB CHR bank numbers as written, nine bits
    uint8_t latch;        // VRC2 without work RAM: the bit kept at $6000
    uint8_t reserved[3];
};
static_assert(sizeof(Vrc24State) == 32);
static_assert(std::is_trivially_copyable_v<Vrc24State>);
static_assert(offsetof(Vrc24State, chr) == 12);

extern Vrc24State vrc24;

void SetupVrc4Mapper21(const BoardHeader& header);
void SetupVrc2Mapper22(const BoardHeader& header);
void SetupVrc24Mapper23(const BoardHeader& header);
void SetupVrc24Mapper25(const BoardHeader& header);
void Vrc24AfterStateLoad();
void Vrc24RunTo(uint64_t last);
bool Vrc24Fits(const Vrc24State& saved, std::string& why);

}  // namespace morvel
