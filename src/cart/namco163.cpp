// Namco 163 (mapper 19). Register windows are 2 KB wide; the board's clock
// runs the interrupt counter and the wavetable sound.
#include "cart/namco163.h"

#include <algorithm>
#include <cmath>

#include "cart/board.h"
#include "cart/board_clock.h"
#include "cart/board_table.h"
#include "core/cpu.h"
#include "core/memory_map.h"
#include "core/state_rules.h"

namespace morvel {

Namco163State namco163;

namespace {

constexpr uint32_t k1K = 0x400;
constexpr uint32_t k8K = 0x2000;
constexpr uint16_t kIrqTop = 0x7FFF;
constexpr uint8_t kAutoIncrement = 0x80;
constexpr uint8_t kSoundOff = 0x40;     // $E000 bit 6
constexpr uint8_t kRamChannels = 0x7F;  // bits 4-6: enabled channels minus one
constexpr uint32_t kUpdateCycles = 15;  // one channel is updated every 15 CPU cycles

// The level of one output step (wave sample minus 8, times volume), from the
// NES 2.0 submapper: a one-channel square at full volume (samples 0 and 15,
// 225 steps from low to high) against the APU's pulse at full volume (its
// level pulseMixTable[15]) is 11-13 dB louder on submapper 3, 16-17 on 4,
// 18-19.5 on 5; submapper 0 does not say and takes the most common, 3;
// submappers 1 and 2 have no sound.
float stepLevel;

float StepLevelFor(uint32_t submapper) {
    const double apuPulse = kApuPulseFullLevel;
    double decibels = 12.0;
    if (submapper == 1 || submapper == 2) return 0.0f;
    if (submapper == 4) decibels = 16.5;
    if (submapper == 5) decibels = 18.75;
    return static_cast<float>(apuPulse * std::pow(10.0, decibels / 20.0) / 225.0);
}

PpuWriteHandler chrWrite;  // the CHR data's write handler, by the header

// Values $E0-$FF pick nametable RAM page (value AND 1): always in the
// nametables, in the pattern pages unless $E800 bit 6 (pages 0-3) or bit 7
// (pages 4-7) asks for ROM there.
bool ShowsRam(uint8_t value) {
    return value >= 0xE0;
}

void ApplyPattern(int page) {
    const uint8_t value = namco163.chr[page];
    const uint8_t romOnly = page < 4 ? 0x40 : 0x80;
    MapChrBanks(static_cast<uint32_t>(page) * k1K, value, k1K);
    if (ShowsRam(value) && !(namco163.prg[1] & romOnly))
        SetNametablePage(static_cast<uint32_t>(page), value & 1);
    else
        SetPpuPages(page, page, ChrPageRead, chrWrite);
}

void ApplyNametable(int quarter) {
    const uint8_t value = namco163.nametable[quarter];
    if (ShowsRam(value)) {
        SetNametableQuarter(static_cast<uint32_t>(quarter), value & 1);
        return;
    }
    ShowChrAtQuarter(static_cast<uint32_t>(quarter), value);
}

void ApplyPrg() {
    MapPrgBanks(0x8000, namco163.prg[0] & 0x3F, k8K);
    MapPrgBanks(0xA000, namco163.prg[1] & 0x3F, k8K);
    MapPrgBanks(0xC000, namco163.prg[2] & 0x3F, k8K);
}

// ---- The sound ----

int EnabledChannels() {
    return ((namco163.ram[kRamChannels] >> 4) & 7) + 1;
}

// A channel's registers are eight bytes from $40 + 8 * channel: frequency
// (18 bits in bytes 0, 2 and 4), phase (24 bits in 1, 3 and 5, 16.16 fixed
// point), length 256 - (byte 4 AND $FC) samples, wave address (byte 6, in
// 4-bit samples), volume (byte 7). The phase moves on by the frequency, the
// sample under it (low nibble first) minus 8 times the volume is the output.
void UpdateChannel(int channel) {
    uint8_t* r = namco163.ram + 0x40 + 8 * channel;
    const uint32_t frequency = r[0] | r[2] << 8 | (r[4] & 3u) << 16;
    const uint32_t length = 256 - (r[4] & 0xFCu);
    uint32_t phase = r[1] | r[3] << 8 | static_cast<uint32_t>(r[5]) << 16;
    phase = (phase + frequency) % (length << 16);
    r[1] = static_cast<uint8_t>(phase);
    r[3] = static_cast<uint8_t>(phase >> 8);
    r[5] = static_cast<uint8_t>(phase >> 16);
    const uint32_t sampleAddress = ((phase >> 16) + r[6]) & 0xFF;
    const uint8_t pair = namco163.ram[sampleAddress >> 1];
    const int sample = (sampleAddress & 1) ? pair >> 4 : pair & 0x0F;
    namco163.output[channel] = static_cast<int16_t>((sample - 8) * (r[7] & 0x0F));
}

// The channels take turns, so each sounds a share of the time: heard as the
// average of the enabled channels' outputs.
float Level() {
    if (namco163.prg[0] & kSoundOff) return 0.0f;
    const int enabled = EnabledChannels();
    int sum = 0;
    for (int channel = 8 - enabled; channel < 8; ++channel) sum += namco163.output[channel];
    return static_cast<float>(sum) * stepLevel / static_cast<float>(enabled);
}

// Channels 7, 6, ... down to the last enabled one, then 7 again.
void RunSound(uint64_t cycles) {
    while (cycles > 0) {
        const uint64_t run = std::min<uint64_t>(cycles, kUpdateCycles - namco163.tick);
        MixExpansion(namco163.mix, Level(), static_cast<uint32_t>(run));
        cycles -= run;
        namco163.tick = static_cast<uint8_t>(namco163.tick + run);
        if (namco163.tick < kUpdateCycles) continue;
        namco163.tick = 0;
        if (namco163.prg[0] & kSoundOff) continue;
        const int lowest = 8 - EnabledChannels();
        if (namco163.channel < lowest) namco163.channel = 7;
        UpdateChannel(namco163.channel);
        namco163.channel = namco163.channel == lowest ? 7 : namco163.channel - 1;
    }
}

// ---- The interrupt counter: counts CPU cycles up to $7FFF, then interrupts and stops ----

void AdvanceIrq(uint64_t cycles) {
    if (!namco163.irqEnabled || namco163.irqCounter >= kIrqTop) return;
    const uint64_t step = std::min<uint64_t>(cycles, kIrqTop - namco163.irqCounter);
    namco163.irqCounter = static_cast<uint16_t>(namco163.irqCounter + step);
    if (namco163.irqCounter == kIrqTop) AssertIrq(kIrqBoard);
}

// ---- The CPU side ----

uint8_t& PortByte() {
    uint8_t& byte = namco163.ram[namco163.address & 0x7F];
    if (namco163.address & kAutoIncrement)
        namco163.address = static_cast<uint8_t>(kAutoIncrement | ((namco163.address + 1) & 0x7F));
    return byte;
}

uint8_t Page4Read(uint32_t address) {
    if (address < 0x4800) return ReadIoRegister(address);
    BoardCatchUp();
    return PortByte();
}

void Page4Write(uint32_t address, uint8_t value) {
    if (address < 0x4800) return WriteIoRegister(address, value);
    BoardCatchUp();
    PortByte() = value;
}

uint8_t IrqRead(uint32_t address) {
    BoardCatchUp();
    if (address < 0x5800) return static_cast<uint8_t>(namco163.irqCounter);
    return static_cast<uint8_t>((namco163.irqCounter >> 8) | (namco163.irqEnabled ? 0x80 : 0));
}

// Either half acknowledges the interrupt.
void IrqWrite(uint32_t address, uint8_t value) {
    BoardCatchUp();
    if (address < 0x5800) {
        namco163.irqCounter = static_cast<uint16_t>((namco163.irqCounter & 0x7F00) | value);
    } else {
        namco163.irqCounter =
            static_cast<uint16_t>((namco163.irqCounter & 0x00FF) | (value & 0x7F) << 8);
        namco163.irqEnabled = value >> 7;
    }
    ReleaseIrq(kIrqBoard);
    BoardResyncClock();  // the next event, from the new counter
}

// $F800 upper nibble 0100 opens work RAM for writing, but for each 2 KB
// quarter whose bit (0-3) is set.
void WorkRamWrite(uint32_t address, uint8_t value) {
    const uint8_t p = namco163.protect;
    if ((p & 0xF0) == 0x40 && !(p & (1u << ((address >> 11) & 3)))) WriteWorkRam(address, value);
}

void RegisterWrite(uint32_t address, uint8_t value) {
    const uint32_t slot = (address >> 11) & 0xF;  // 2 KB windows from $8000
    if (slot < 8) {
        namco163.chr[slot] = value;
        ApplyPattern(static_cast<int>(slot));
    } else if (slot < 12) {
        namco163.nametable[slot - 8] = value;
        ApplyNametable(static_cast<int>(slot - 8));
    } else if (slot < 15) {
        if (slot == 12) BoardCatchUp();  // the sound-off bit
        namco163.prg[slot - 12] = value;
        ApplyPrg();
        if (slot == 13)
            for (int page = 0; page < 8; ++page) ApplyPattern(page);
    } else {
        namco163.address = value;
        namco163.protect = value;
    }
}

}  // namespace

void SetupNamco163(const BoardHeader& header) {
    namco163 = {};
    namco163.channel = 7;
    stepLevel = StepLevelFor(header.submapper);
    chrWrite = ChrDataWrite(header);
    for (uint8_t page = 0; page < 8; ++page) namco163.chr[page] = page;
    for (uint32_t quarter = 0; quarter < 4; ++quarter)
        namco163.nametable[quarter] =
            static_cast<uint8_t>(0xE0 | MirroringPage(header.mirroring, quarter));
    CountBanks8kPrg1kChr(header);
    SetCpuPages(4, 4, Page4Read, Page4Write);
    SetCpuPages(5, 5, IrqRead, IrqWrite);
    SetCpuPages(6, 7, ReadWorkRam, WorkRamWrite);
    SetCpuPages(8, 15, PrgPageRead, RegisterWrite);
    ApplyPrg();
    MapPrgBanks(0xE000, banks.prgBankCount - 1, k8K);
}

void Namco163ApplyPpuPages() {
    for (int page = 0; page < 8; ++page) ApplyPattern(page);
    for (int quarter = 0; quarter < 4; ++quarter) ApplyNametable(quarter);
}

void Namco163RunTo(uint64_t last) {
    if (last > boardClock.done) {
        const uint64_t cycles = last - boardClock.done;
        AdvanceIrq(cycles);
        RunSound(cycles);
    }
    boardClock.done = last;
    const bool counting = namco163.irqEnabled && namco163.irqCounter < kIrqTop;
    boardClock.nextEvent = counting ? last + (kIrqTop - namco163.irqCounter) : kBoardNever;
}

// The internal RAM keeps the game's data too when the battery powers it.
BatteryPart Namco163BatteryMemory(const BoardHeader& header) {
    return {namco163.ram, header.battery ? sizeof namco163.ram : 0};
}

bool Namco163Fits(const Namco163State& s, std::string& why) {
    bool outputs = true;
    for (int16_t o : s.output) outputs = outputs && o >= -120 && o <= 105;
    return AllHold({{s.irqCounter <= kIrqTop && s.irqEnabled <= 1, "Namco 163 interrupt counter"},
                    {s.channel <= 7 && s.tick < kUpdateCycles && outputs, "Namco 163 sound"},
                    {ExpansionMixFits(s.mix), "Namco 163 sample in progress"}},
                   why);
}

}  // namespace morvel
