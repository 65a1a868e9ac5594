// Bandai FCG boards (mappers 16 and 159). The FCG-1/2 answers writes at
// $6000-$7FFF and its $x00B/$x00C writes go straight into the counter; the
// LZ93D50 answers writes at $8000-$FFFF, keeps $x00B/$x00C in a latch that a
// $x00A write copies into the counter, and shows its EEPROM's data line at
// bit 4 of every read of $6000-$7FFF. An iNES 1.0 image of mapper 16 (no
// submapper) gets both chips, each in its own range.
#include "cart/bandai_fcg.h"

#include <cstring>

#include "cart/board.h"
#include "cart/board_clock.h"
#include "cart/board_table.h"
#include "core/cpu.h"
#include "core/state_rules.h"

namespace morvel {

BandaiFcgState bandaiFcg;

namespace {

constexpr uint32_t k1K = 0x400;
constexpr uint32_t k16K = 0x4000;

// Facts of the cartridge, read from its header at set-up (not registers).
EepromChip eepromChip = EepromChip::kNone;

// $x009 bits 1-0: vertical, horizontal, one screen lower, one screen upper.
void WriteMirroring(uint8_t value) {
    bandaiFcg.mirroring = kTwoBitMirroring[value & 3];
    SetMirroring(bandaiFcg.mirroring);
}

// The counter's registers; `latched` for the LZ93D50.
void WriteCounter(uint32_t reg, uint8_t value, bool latched) {
    BoardCatchUp();
    uint16_t& target = latched ? bandaiFcg.latch : bandaiFcg.counter;
    switch (reg) {
        case 0xA:  // enable; acknowledges
            bandaiFcg.irqEnabled = value & 1;
            ReleaseIrq(kIrqBoard);
            if (latched) bandaiFcg.counter = bandaiFcg.latch;
            // Counting enabled on a counter already at 0 interrupts at once.
            if (bandaiFcg.irqEnabled && bandaiFcg.counter == 0) AssertIrq(kIrqBoard);
            break;
        case 0xB: target = static_cast<uint16_t>((target & 0xFF00) | value); break;
        default: target = static_cast<uint16_t>((target & 0x00FF) | value << 8); break;
    }
    BoardResyncClock();
}

void WriteRegister(uint32_t address, uint8_t value, bool lz93d50) {
    const uint32_t reg = address & 0x0F;
    if (reg < 8) {
        bandaiFcg.chr[reg] = value;
        MapChrBanks(reg * k1K, value, k1K);
    } else if (reg == 8) {
        bandaiFcg.prg = value & 0x0F;
        MapPrgBanks(0x8000, bandaiFcg.prg, k16K);
    } else if (reg == 9) {
        WriteMirroring(value);
    } else if (reg <= 0xC) {
        WriteCounter(reg, value, lz93d50);
    } else if (reg == 0xD && lz93d50) {
        // Bit 5 drives SCL, bit 6 SDA; bit 7 lets the chip's SDA be read.
        bandaiFcg.eepromLines = value & 0xE0;
        DriveEeprom(bandaiFcg.eeprom, eepromChip, (value >> 5) & 1, (value >> 6) & 1);
    }
}

void FcgWrite(uint32_t address, uint8_t value) {
    WriteRegister(address, value, false);
}
void Lz93d50Write(uint32_t address, uint8_t value) {
    WriteRegister(address, value, true);
}

// Bit 4: the data line, low while the game or the chip pulls it low (the
// game's own level counts unless bit 7 of $800D let go of the line); the
// other bits are open bus.
uint8_t EepromRead(uint32_t) {
    const SerialEeprom& chip = bandaiFcg.eeprom;
    const uint8_t game = (bandaiFcg.eepromLines & 0x80) ? 1 : chip.sda;
    const uint8_t line = eepromChip == EepromChip::kNone ? 1 : chip.output & game;
    return static_cast<uint8_t>((cpuCycle.openBus & ~0x10) | line << 4);
}

void PowerOn(const BoardHeader& header, EepromChip chip) {
    // Nothing of a previous cartridge survives; an erased EEPROM reads $FF
    // (a battery file, when there is one, replaces the array afterwards).
    bandaiFcg = {};
    std::memset(bandaiFcg.eeprom.data, 0xFF, sizeof bandaiFcg.eeprom.data);
    ResetEepromTransfer(bandaiFcg.eeprom);
    eepromChip = chip;
    bandaiFcg.mirroring = static_cast<uint8_t>(header.mirroring);
    banks.prgBankCount = header.prgUnits;
    banks.chrBankCount = 8 * header.chrUnits;
    MapPrgBanks(0x8000, 0, k16K);
    MapPrgBanks(0xC000, banks.prgBankCount - 1, k16K);
    for (uint32_t page = 0; page < 8; ++page) MapChrBanks(page * k1K, 0, k1K);
}

}  // namespace

// Closed form: while counting, the counter reaches 0 `counter` cycles on
// (65536 from 0), which interrupts; it goes on from $FFFF.
void BandaiFcgRunTo(uint64_t last) {
    const uint64_t cycles = last - boardClock.done;
    const uint32_t toZero = bandaiFcg.counter ? bandaiFcg.counter : 0x10000;
    if (bandaiFcg.irqEnabled && cycles != 0) {
        if (cycles >= toZero) AssertIrq(kIrqBoard);
        bandaiFcg.counter = static_cast<uint16_t>(bandaiFcg.counter - cycles);
    }
    boardClock.done = last;
    boardClock.nextEvent = bandaiFcg.irqEnabled
                               ? last + (bandaiFcg.counter ? bandaiFcg.counter : 0x10000)
                               : kBoardNever;
}

// Mapper 16: submapper 4 the FCG-1/2, 5 the LZ93D50 with a 24C02, 0 both.
void SetupBandaiFcg(const BoardHeader& header) {
    const bool fcg = header.submapper != 5;
    const bool lz93d50 = header.submapper != 4;
    PowerOn(header, lz93d50 ? EepromChip::k24C02 : EepromChip::kNone);
    SetCpuPages(6, 7, lz93d50 ? EepromRead : OpenBusRead, fcg ? FcgWrite : IgnoreCpuWrite);
    SetCpuPages(8, 15, PrgPageRead, lz93d50 ? Lz93d50Write : IgnoreCpuWrite);
}

void SetupMapper159(const BoardHeader& header) {
    PowerOn(header, EepromChip::k24C01);
    SetCpuPages(6, 7, EepromRead, IgnoreCpuWrite);
    SetCpuPages(8, 15, PrgPageRead, Lz93d50Write);
}

void BandaiFcgAfterStateLoad() {
    SetMirroring(bandaiFcg.mirroring);
}

// The EEPROM is what the battery keeps (the board has no work RAM).
BatteryPart BandaiFcgBatteryMemory(const BoardHeader& header) {
    if (!header.battery || eepromChip == EepromChip::kNone) return {nullptr, 0};
    return {bandaiFcg.eeprom.data, eepromChip == EepromChip::k24C01 ? 128u : 256u};
}

bool BandaiFcgFits(const BandaiFcgState& s, std::string& why) {
    return AllHold(
        {
            {s.prg <= 0x0F, "FCG PRG bank"},
            {s.mirroring <= kMirrorFourScreen, "FCG mirroring"},
            {s.irqEnabled <= 1, "FCG interrupt enable"},
            {(s.eepromLines & 0x1F) == 0, "FCG EEPROM lines"},
            {EepromTransferFits(s.eeprom), "FCG EEPROM transfer"},
        },
        why);
}

}  // namespace morvel
