// VRC3 (mapper 73). The interrupt counter counts every CPU cycle while it is
// enabled; when it passes $FFFF (or, in 8-bit mode, when its low byte passes
// $FF) it raises the interrupt and reloads from the latch (in 8-bit mode only
// the low byte: the high byte takes no part).
#include "cart/vrc3.h"

#include "cart/board_clock.h"
#include "core/cpu.h"
#include "core/state_rules.h"

namespace morvel {

Vrc3State vrc3;

namespace {

constexpr uint8_t kEightBit = 4;
constexpr uint8_t kEnabled = 2;
constexpr uint8_t kEnableAfterAck = 1;

bool Enabled() {
    return (vrc3.control & kEnabled) != 0;
}

// CPU cycles until the counter next wraps, counting the cycle that wraps it.
uint32_t CyclesToTrip() {
    if (vrc3.control & kEightBit) return 0x100u - (vrc3.counter & 0xFFu);
    return 0x10000u - vrc3.counter;
}

void Advance(uint64_t cycles) {
    while (cycles > 0 && Enabled()) {
        const uint32_t toTrip = CyclesToTrip();
        if (cycles < toTrip) {
            const uint32_t moved = static_cast<uint32_t>(cycles);
            if (vrc3.control & kEightBit)
                vrc3.counter = static_cast<uint16_t>((vrc3.counter & 0xFF00u) |
                                                     ((vrc3.counter + moved) & 0xFFu));
            else
                vrc3.counter = static_cast<uint16_t>(vrc3.counter + moved);
            return;
        }
        cycles -= toTrip;
        if (vrc3.control & kEightBit)
            vrc3.counter = static_cast<uint16_t>((vrc3.counter & 0xFF00u) | (vrc3.latch & 0xFFu));
        else
            vrc3.counter = vrc3.latch;
        AssertIrq(kIrqBoard);
    }
}

void WriteLatchNibble(uint32_t shift, uint8_t value) {
    vrc3.latch = static_cast<uint16_t>((vrc3.latch & ~(0xFu << shift)) | ((value & 0xFu) << shift));
}

void Vrc3Write(uint32_t address, uint8_t value) {
    const uint32_t block = (address >> 12) & 0xF;
    if (block == 0xF) {
        vrc3.prg = value & 7;
        MapPrgBanks(0x8000, vrc3.prg, 0x4000);
        return;
    }
    if (block == 0xE) return;  // no register
    BoardCatchUp();
    if (block <= 0xB) {
        WriteLatchNibble(4 * (block - 8), value);
        return;
    }
    if (block == 0xC) {
        vrc3.control = value & 7;
        if (Enabled()) vrc3.counter = vrc3.latch;
    } else {  // $D000: acknowledge, and A becomes E
        vrc3.control = static_cast<uint8_t>((vrc3.control & ~kEnabled) |
                                            ((vrc3.control & kEnableAfterAck) ? kEnabled : 0));
    }
    ReleaseIrq(kIrqBoard);
    BoardResyncClock();  // the next wrap moved
}

}  // namespace

void SetupVrc3(const BoardHeader& header) {
    vrc3 = {};
    banks.prgBankCount = header.prgUnits;
    MapPrgBanks(0x8000, 0, 0x4000);
    MapPrgBanks(0xC000, header.prgUnits - 1, 0x4000);
    SetCpuPages(8, 15, PrgPageRead, Vrc3Write);
}

void Vrc3RunTo(uint64_t last) {
    if (last > boardClock.done) Advance(last - boardClock.done);
    boardClock.done = last;
    boardClock.nextEvent = Enabled() ? last + CyclesToTrip() : kBoardNever;
}

bool Vrc3Fits(const Vrc3State& s, std::string& why) {
    return AllHold({{s.control <= 7, "VRC3 interrupt control"}, {s.prg <= 7, "VRC3 PRG bank"}},
                   why);
}

}  // namespace morvel
