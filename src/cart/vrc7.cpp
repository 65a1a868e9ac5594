#include "cart/vrc7.h"

#include <algorithm>
#include <cmath>

#include "cart/board_clock.h"
#include "core/memory_map.h"
#include "core/state_rules.h"

namespace morvel {

Vrc7State vrc7;

namespace {

constexpr uint32_t k1K = 0x400;
constexpr uint32_t k8K = 0x2000;
constexpr uint8_t kWorkRamEnable = 0x80;
constexpr uint8_t kSilence = 0x40;
constexpr uint8_t kSoundData = 0x20;  // A5: $9030 against $9010

// A lone channel at full level swings about 11 dB above an APU pulse at
// volume 15 (peak to peak); the chip's converter gives it +-255.
constexpr float kLevelPerStep = static_cast<float>(kApuPulseFullLevel) * 3.548f / 2.0f / 255.0f;

// Runs the sound `cycles` CPU cycles on: each chip sample holds its level for
// 36 cycles; the silence bit holds the chip at rest and its output at 0.
void RunSound(uint64_t cycles) {
    while (cycles > 0) {
        const uint32_t left = kVrc7CyclesPerSample - vrc7.sampleCycle;
        const uint32_t take = static_cast<uint32_t>(std::min<uint64_t>(cycles, left));
        MixExpansion(vrc7.mix, static_cast<float>(vrc7.soundLevel) * kLevelPerStep, take);
        cycles -= take;
        vrc7.sampleCycle = static_cast<uint8_t>(vrc7.sampleCycle + take);
        if (vrc7.sampleCycle == kVrc7CyclesPerSample) {
            vrc7.sampleCycle = 0;
            vrc7.soundLevel = (vrc7.control & kSilence) ? 0 : Vrc7SoundStep(vrc7.sound);
        }
    }
}

void WriteControl(uint8_t value) {
    BoardCatchUp();
    vrc7.control = value;
    if (value & kSilence) {
        Vrc7SoundReset(vrc7.sound);
        vrc7.soundLevel = 0;
    }
    workRamBlock.prgRamEnabled = (value & kWorkRamEnable) ? 1 : 0;
    ChooseMirroring(kTwoBitMirroring[value & 3]);
}

void WriteSound(uint32_t address, uint8_t value) {
    if (vrc7.control & kSilence) return;  // the chip is held in reset
    if (!(address & kSoundData)) {
        vrc7.soundAddress = value;
        return;
    }
    BoardCatchUp();
    Vrc7SoundWrite(vrc7.sound, vrc7.soundAddress, value);
}

void Vrc7Write(uint32_t address, uint8_t value) {
    const bool second = (address & vrc7.selectLine) != 0;
    const uint32_t top = (address >> 12) & 0xF;
    switch (top) {
        case 0x8: MapPrgBanks(second ? 0xA000 : 0x8000, value & 0x3F, k8K); break;
        case 0x9:
            if (second)
                WriteSound(address, value);
            else
                MapPrgBanks(0xC000, value & 0x3F, k8K);
            break;
        case 0xA:
        case 0xB:
        case 0xC:
        case 0xD: MapChrBanks((2 * (top - 0xA) + (second ? 1 : 0)) * k1K, value, k1K); break;
        case 0xE:
            if (second)
                VrcIrqWriteLatch(vrc7.irq, value);
            else
                WriteControl(value);
            break;
        default:
            if (second)
                VrcIrqAcknowledge(vrc7.irq);
            else
                VrcIrqWriteControl(vrc7.irq, value);
            break;
    }
}

uint8_t SelectLine(uint32_t submapper) {
    if (submapper == 1) return 0x08;  // VRC7b: A3
    if (submapper == 2) return 0x10;  // VRC7a: A4
    return 0x18;
}

}  // namespace

bool Vrc7Fits(const Vrc7State& v, std::string& why) {
    const bool line = v.selectLine == 0x08 || v.selectLine == 0x10 || v.selectLine == 0x18;
    // Six channels of at most 255 either way.
    const bool level = v.soundLevel >= -6 * 255 && v.soundLevel <= 6 * 255;
    return VrcIrqFits(v.irq, why) && Vrc7SoundFits(v.sound, why) &&
           AllHold({{v.sampleCycle < kVrc7CyclesPerSample, "VRC7 sample cycle"},
                    {line, "VRC7 register line"},
                    {level, "VRC7 sound level"},
                    {ExpansionMixFits(v.mix), "VRC7 sample in progress"}},
                   why);
}

void Vrc7RunTo(uint64_t last) {
    VrcIrqRunTo(vrc7.irq, last, RunSound);
}

void SetupVrc7(const BoardHeader& header) {
    vrc7 = {};
    VrcIrqPowerOn(vrc7.irq);
    Vrc7SoundReset(vrc7.sound);
    vrc7.selectLine = SelectLine(header.submapper);
    SetCpuPages(8, 15, PrgPageRead, Vrc7Write);
    banks.prgBankCount = 2 * header.prgUnits;
    banks.chrBankCount = header.chrUnits ? 8 * header.chrUnits : 8;
    MapPrgBanks(0x8000, 0, k8K);
    MapPrgBanks(0xA000, 0, k8K);
    MapPrgBanks(0xC000, 0, k8K);
    MapPrgBanks(0xE000, banks.prgBankCount - 1, k8K);
    MapChrBanks(0, 0, k8K);
}

}  // namespace morvel
