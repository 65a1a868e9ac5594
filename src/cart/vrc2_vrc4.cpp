// VRC2 and VRC4 (mappers 21, 22, 23 and 25). Each board wires two of the
// CPU's low address lines to the chip's register-select pins; the NES 2.0
// submapper names the board, and without one (submapper 0, iNES 1.0 images)
// both boards a mapper number stands for are decoded at once: a pin sees the
// OR of the two lines that could drive it.
#include "cart/vrc2_vrc4.h"

#include "cart/cartridge.h"
#include "core/cpu.h"
#include "core/memory_map.h"
#include "core/state_rules.h"

namespace morvel {

Vrc24State vrc24;

namespace {

constexpr uint32_t k8K = 0x2000;
constexpr uint32_t k1K = 0x400;

// How the loaded board is built; set up from the header, never saved.
struct Wiring {
    uint8_t a0Lines;  // CPU address lines (as a mask) that drive the chip's A0
    uint8_t a1Lines;  // ... and its A1
    bool vrc2;        // no interrupt, no swap mode, two-way mirroring, 8-bit CHR banks
    bool chrShift;    // VRC2a: CHR A10 comes from bit 1 of the bank number
};
Wiring wiring;
uint32_t prgBanks8K;

constexpr Wiring Vrc4Pins(uint8_t a0, uint8_t a1) {
    return {a0, a1, false, false};
}
constexpr Wiring Vrc2Pins(uint8_t a0, uint8_t a1) {
    return {a0, a1, true, false};
}

// The chip's register within a 4 KB block, 0-3.
uint32_t Port(uint32_t address) {
    return ((address & wiring.a0Lines) ? 1u : 0u) | ((address & wiring.a1Lines) ? 2u : 0u);
}

void MapPrg() {
    const uint32_t secondLast = prgBanks8K - 2;
    const bool swapped = !wiring.vrc2 && (vrc24.swapControl & 2);
    MapPrgBanks(0x8000, swapped ? secondLast : vrc24.prg[0], k8K);
    MapPrgBanks(0xA000, vrc24.prg[1], k8K);
    MapPrgBanks(0xC000, swapped ? vrc24.prg[0] : secondLast, k8K);
    MapPrgBanks(0xE000, prgBanks8K - 1, k8K);
}

void MapChr(uint32_t slot) {
    const uint32_t bank = vrc24.chr[slot];
    MapChrBanks(slot * k1K, wiring.chrShift ? bank >> 1 : bank, k1K);
}

void ApplyNametables() {
    SetMirroring(vrc24.nametables);
}

// $9000: the VRC2 keeps one bit (vertical or horizontal) at all four ports;
// the VRC4 two bits at ports 0 and 1 (adding the two one-screen pages) and
// its swap mode at ports 2 and 3.
void WriteMirroringOrSwap(uint32_t port, uint8_t value) {
    if (!wiring.vrc2 && port >= 2) {
        vrc24.swapControl = value & 3;
        MapPrg();
        return;
    }
    vrc24.nametables = kTwoBitMirroring[value & (wiring.vrc2 ? 1 : 3)];
    ApplyNametables();
}

// Ports 0 and 2 take the low four bits of the two CHR banks of a 4 KB
// block, ports 1 and 3 the high bits (four on the VRC2, five on the VRC4).
void WriteChr(uint32_t block, uint32_t port, uint8_t value) {
    const uint32_t slot = block * 2 + (port >> 1);
    uint16_t& bank = vrc24.chr[slot];
    if (port & 1)
        bank = static_cast<uint16_t>((bank & 0x0F) | ((value & (wiring.vrc2 ? 0x0F : 0x1F)) << 4));
    else
        bank = static_cast<uint16_t>((bank & 0x1F0) | (value & 0x0F));
    MapChr(slot);
}

void WriteIrq(uint32_t port, uint8_t value) {
    switch (port) {
        case 0: VrcIrqWriteLatchLow(vrc24.irq, value); break;
        case 1: VrcIrqWriteLatchHigh(vrc24.irq, value); break;
        case 2: VrcIrqWriteControl(vrc24.irq, value); break;
        default: VrcIrqAcknowledge(vrc24.irq); break;
    }
}

void Vrc24Write(uint32_t address, uint8_t value) {
    const uint32_t port = Port(address);
    switch ((address >> 12) & 0xF) {
        case 0x8:
            vrc24.prg[0] = value & 0x1F;
            MapPrg();
            break;
        case 0x9: WriteMirroringOrSwap(port, value); break;
        case 0xA:
            vrc24.prg[1] = value & 0x1F;
            MapPrg();
            break;
        case 0xB:
        case 0xC:
        case 0xD:
        case 0xE: WriteChr(((address >> 12) & 0xF) - 0xB, port, value); break;
        default:
            if (!wiring.vrc2) WriteIrq(port, value);
            break;
    }
}

// A VRC2 board without work RAM: $6000-$6FFF holds one bit (the pin meant
// for a serial EEPROM's data), which games write and read back; the other
// bits, and all of $7000-$7FFF, are open bus.
uint8_t LatchRead(uint32_t address) {
    const uint8_t bus = cpuCycle.openBus;
    if (address & 0x1000) return bus;
    return static_cast<uint8_t>((bus & 0xFE) | vrc24.latch);
}

void LatchWrite(uint32_t address, uint8_t value) {
    if (!(address & 0x1000)) vrc24.latch = value & 1;
}

// Whether the board carries work RAM: a VRC2a image without an NES 2.0
// header asks for none unless it has a battery.
bool HasWorkRam(const BoardHeader& header) {
    InesHeader ines{};
    if (ParseInesHeader(inesHeader, sizeof inesHeader, ines) != HeaderCheck::kOk) return true;
    if (ines.nes20) return ines.prgRamBytes + ines.prgNvramBytes != 0;
    return header.battery;
}

void Setup(const BoardHeader& header, const Wiring& board) {
    wiring = board;
    vrc24 = {};
    VrcIrqPowerOn(vrc24.irq);
    prgBanks8K = 2 * header.prgUnits;
    banks.prgBankCount = prgBanks8K;
    banks.chrBankCount = header.chrUnits ? 8 * header.chrUnits : 8;
    vrc24.nametables = static_cast<uint8_t>(header.mirroring);
    MapPrg();
    for (uint32_t slot = 0; slot < 8; ++slot) {
        vrc24.chr[slot] = static_cast<uint16_t>(wiring.chrShift ? slot * 2 : slot);
        MapChr(slot);
    }
    SetCpuPages(8, 15, PrgPageRead, Vrc24Write);
    if (wiring.vrc2 && !HasWorkRam(header)) SetCpuPages(6, 7, LatchRead, LatchWrite);
}

}  // namespace

// Mapper 21: VRC4a (A1, A2) is submapper 1, VRC4c (A6, A7) submapper 2.
void SetupVrc4Mapper21(const BoardHeader& header) {
    switch (header.submapper) {
        case 1: Setup(header, Vrc4Pins(0x02, 0x04)); break;
        case 2: Setup(header, Vrc4Pins(0x40, 0x80)); break;
        default: Setup(header, Vrc4Pins(0x42, 0x84)); break;
    }
}

// Mapper 22: VRC2a, A1 and A0 crossed, CHR bank numbers halved.
void SetupVrc2Mapper22(const BoardHeader& header) {
    Setup(header, {0x02, 0x01, true, true});
}

// Mapper 23: VRC4f (A0, A1) is submapper 1, VRC4e (A2, A3) submapper 2,
// VRC2b (A0, A1) submapper 3.
void SetupVrc24Mapper23(const BoardHeader& header) {
    switch (header.submapper) {
        case 1: Setup(header, Vrc4Pins(0x01, 0x02)); break;
        case 2: Setup(header, Vrc4Pins(0x04, 0x08)); break;
        case 3: Setup(header, Vrc2Pins(0x01, 0x02)); break;
        default: Setup(header, Vrc4Pins(0x05, 0x0A)); break;
    }
}

// Mapper 25: VRC4b (A1, A0) is submapper 1, VRC4d (A3, A2) submapper 2,
// VRC2c (A1, A0) submapper 3.
void SetupVrc24Mapper25(const BoardHeader& header) {
    switch (header.submapper) {
        case 1: Setup(header, Vrc4Pins(0x02, 0x01)); break;
        case 2: Setup(header, Vrc4Pins(0x08, 0x04)); break;
        case 3: Setup(header, Vrc2Pins(0x02, 0x01)); break;
        default: Setup(header, Vrc4Pins(0x0A, 0x05)); break;
    }
}

void Vrc24AfterStateLoad() {
    ApplyNametables();
}

void Vrc24RunTo(uint64_t last) {
    VrcIrqRunTo(vrc24.irq, last);
}

bool Vrc24Fits(const Vrc24State& s, std::string& why) {
    bool chrFits = true;
    for (uint16_t bank : s.chr) chrFits = chrFits && bank <= 0x1FF;
    return AllHold({{s.prg[0] <= 0x1F && s.prg[1] <= 0x1F, "VRC PRG registers"},
                    {s.swapControl <= 3, "VRC4 swap mode"},
                    {s.nametables <= kMirrorFourScreen, "VRC mirroring"},
                    {chrFits, "VRC CHR registers"},
                    {s.latch <= 1, "VRC2 $6000 bit"}},
                   why) &&
           VrcIrqFits(s.irq, why);
}

}  // namespace morvel
