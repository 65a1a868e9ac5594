// Namco 175 / 340 (mapper 210). Twelve registers, each answering to $800
// bytes of $8000-$FFFF: $8000-$BFFF the eight 1 KB CHR banks, $C000 the
// 175's work RAM enable (bit 0), $E000/$E800/$F000 the 8 KB PRG banks at
// $8000/$A000/$C000; bits 6-7 of $E000 are the 340's mirroring (0 one-screen
// on the first nametable, 1 vertical, 2 one-screen on the second, 3
// horizontal). The 175's mirroring is wired on the board (the header's); its
// 2 KB of work RAM shows four times over $6000-$7FFF. The 340 has no RAM.
// An image that does not say which chip it has (NES 2.0 submapper 0, iNES
// 1.0) starts as a 175 with RAM and becomes a 340 when a game sets bit 6 or 7
// of $E000, which no 175 game does.
#include "cart/namco175.h"

#include "cart/board.h"
#include "core/cpu.h"
#include "core/memory_map.h"
#include "core/state_rules.h"

namespace morvel {

Namco175State namco175;

namespace {

constexpr uint32_t k1K = 0x400;
constexpr uint32_t k8K = 0x2000;
constexpr uint8_t kUnknown = 0;
constexpr uint8_t kNamco175 = 1;
constexpr uint8_t kNamco340 = 2;

constexpr uint32_t kModes340[4] = {kMirrorSingleLower, kMirrorVertical, kMirrorSingleUpper,
                                   kMirrorHorizontal};

uint8_t Namco175RamRead(uint32_t address) {
    return workRamBlock.prgRamEnabled ? workRamBlock.workRam[address & 0x7FF] : cpuCycle.openBus;
}

void Namco175RamWrite(uint32_t address, uint8_t value) {
    if (workRamBlock.prgRamEnabled) workRamBlock.workRam[address & 0x7FF] = value;
}

void Namco175Write(uint32_t address, uint8_t v) {
    const uint32_t reg = (address - 0x8000) >> 11;  // 0-15, one per $800 bytes
    if (reg < 8) {
        MapChrBanks(reg * k1K, v, k1K);
        return;
    }
    switch (reg) {
        case 8:  // $C000
            if (namco175.n175Chip != kNamco340) workRamBlock.prgRamEnabled = v & 1;
            break;
        case 12:  // $E000
            MapPrgBanks(0x8000, v & 0x3F, k8K);
            if (namco175.n175Chip == kUnknown && (v & 0xC0)) namco175.n175Chip = kNamco340;
            if (namco175.n175Chip == kNamco340) ChooseMirroring(kModes340[v >> 6]);
            break;
        case 13: MapPrgBanks(0xA000, v & 0x3F, k8K); break;  // $E800
        case 14: MapPrgBanks(0xC000, v & 0x3F, k8K); break;  // $F000
        default: break;
    }
}

}  // namespace

void SetupNamco175(const BoardHeader& header) {
    namco175 = {};
    namco175.n175Chip = header.submapper == 2   ? kNamco340
                        : header.submapper == 1 ? kNamco175
                                                : kUnknown;
    SetCpuPages(8, 15, PrgPageRead, Namco175Write);
    if (namco175.n175Chip == kNamco340)
        SetCpuPages(6, 7, OpenBusRead, IgnoreCpuWrite);
    else
        SetCpuPages(6, 7, Namco175RamRead, Namco175RamWrite);
    CountBanks8kPrg1kChr(header);
    MapPrg8kBanks(0, 1, 2, banks.prgBankCount - 1);
    MapChrBanks(0, 0, k8K);
}

bool Namco175Fits(const Namco175State& s, std::string& why) {
    return AllHold({{s.n175Chip <= kNamco340, "Namco 175/340 chip"}}, why);
}

}  // namespace morvel
