// Jaleco SS88006 (mapper 18). The chip sees A0-A1 and A12-A14 of the address
// and D0-D3 of the data, so every bank number is two writes: the low nibble
// at the even address of a pair, the high nibble at the odd one.
#include "cart/jaleco_ss88006.h"

#include "cart/board.h"
#include "cart/board_clock.h"
#include "core/cpu.h"
#include "core/memory_map.h"
#include "core/state_rules.h"

namespace morvel {

Ss88006State ss88006;

namespace {

constexpr uint32_t k1K = 0x400;
constexpr uint32_t k8K = 0x2000;

// The counting bits for $F001 bits 3-1: bit 3 four, else bit 2 eight, else
// bit 1 twelve, else all sixteen. The bits above them hold still.
uint16_t CountMask() {
    const uint8_t size = ss88006.irqControl;
    if (size & 8) return 0x000F;
    if (size & 4) return 0x00FF;
    if (size & 2) return 0x0FFF;
    return 0xFFFF;
}

void SetNibble(uint8_t& reg, uint32_t high, uint8_t value) {
    reg = static_cast<uint8_t>(high ? (reg & 0x0F) | (value & 0x0F) << 4
                                    : (reg & 0xF0) | (value & 0x0F));
}

void ApplyRamControl() {
    workRamBlock.prgRamEnabled = ss88006.ramControl & 1;
    workRamBlock.prgRamWritable = (ss88006.ramControl >> 1) & 1;
}

// $F002 bits 1-0: horizontal, vertical, one screen lower, one screen upper.
void WriteMirroring(uint8_t value) {
    static const uint8_t kModes[4] = {kMirrorHorizontal, kMirrorVertical, kMirrorSingleLower,
                                      kMirrorSingleUpper};
    ss88006.mirroring = kModes[value & 3];
    SetMirroring(ss88006.mirroring);
}

void WriteCounter(uint32_t reg, uint8_t value) {
    BoardCatchUp();
    if (reg < 4) {  // $E000-$E003: the reload value, bits 3-0 first
        const uint32_t shift = reg * 4;
        ss88006.reload =
            static_cast<uint16_t>((ss88006.reload & ~(0xF << shift)) | (value & 0x0F) << shift);
        return;
    }
    if (reg == 4) {  // $F000: reload (every bit, counting or not); acknowledges
        ss88006.counter = ss88006.reload;
        ReleaseIrq(kIrqBoard);
    } else {  // $F001: enable and width; acknowledges
        ss88006.irqControl = value & 0x0F;
        ReleaseIrq(kIrqBoard);
    }
    BoardResyncClock();
}

void Ss88006Write(uint32_t address, uint8_t value) {
    const uint32_t pair = address & 3;
    const uint32_t high = pair & 1;
    switch (address & 0xF000) {
        case 0x8000:  // $8000/1 and $8002/3: the windows at $8000 and $A000
            SetNibble(ss88006.prg[pair >> 1], high, value);
            MapPrgBanks(0x8000 + (pair >> 1) * k8K, ss88006.prg[pair >> 1], k8K);
            break;
        case 0x9000:
            if (pair < 2) {
                SetNibble(ss88006.prg[2], high, value);
                MapPrgBanks(0xC000, ss88006.prg[2], k8K);
            } else if (pair == 2) {
                ss88006.ramControl = value & 3;
                ApplyRamControl();
            }
            break;
        case 0xA000:
        case 0xB000:
        case 0xC000:
        case 0xD000: {
            const uint32_t slot = ((address >> 12) - 0xA) * 2 + (pair >> 1);
            SetNibble(ss88006.chr[slot], high, value);
            MapChrBanks(slot * k1K, ss88006.chr[slot], k1K);
            break;
        }
        case 0xE000: WriteCounter(pair, value); break;
        case 0xF000:
            if (pair < 2)
                WriteCounter(4 + pair, value);
            else if (pair == 2)
                WriteMirroring(value);
            break;  // $F003: the optional speech chip, not fitted here
        default: break;
    }
}

}  // namespace

// Closed form: the counting bits wrap from 0 on the (bits + 1)th cycle, which
// interrupts; they go on counting from all ones.
void Ss88006RunTo(uint64_t last) {
    const uint64_t cycles = last - boardClock.done;
    const bool counting = ss88006.irqControl & 1;
    const uint16_t mask = CountMask();
    if (counting && cycles != 0) {
        const uint16_t bits = ss88006.counter & mask;
        if (cycles > bits) AssertIrq(kIrqBoard);
        const uint16_t left = static_cast<uint16_t>((bits - cycles) & mask);
        ss88006.counter = static_cast<uint16_t>((ss88006.counter & ~mask) | left);
    }
    boardClock.done = last;
    boardClock.nextEvent = counting ? last + (ss88006.counter & mask) + 1 : kBoardNever;
}

void SetupSs88006(const BoardHeader& header) {
    ss88006 = {};
    ss88006.ramControl = 3;  // games that never write $9002 still find their RAM
    ss88006.mirroring = static_cast<uint8_t>(header.mirroring);
    CountBanks8kPrg1kChr(header);
    ApplyRamControl();
    SetCpuPages(8, 15, PrgPageRead, Ss88006Write);
    MapPrgBanks(0x8000, 0, k8K);
    MapPrgBanks(0xA000, 0, k8K);
    MapPrgBanks(0xC000, 0, k8K);
    MapPrgBanks(0xE000, banks.prgBankCount - 1, k8K);
    for (uint32_t page = 0; page < 8; ++page) MapChrBanks(page * k1K, 0, k1K);
}

void Ss88006AfterStateLoad() {
    ApplyRamControl();
    SetMirroring(ss88006.mirroring);
}

bool Ss88006Fits(const Ss88006State& s, std::string& why) {
    return AllHold(
        {
            {s.ramControl <= 3, "SS88006 work RAM control"},
            {s.irqControl <= 0x0F, "SS88006 counter control"},
            {s.mirroring <= kMirrorFourScreen, "SS88006 mirroring"},
        },
        why);
}

}  // namespace morvel
