// The volume in whole decibels as the volume popup and the volume keys step
// it: the slider's positions, its percentage and the one-decibel steps.
#pragma once

#include <cstdint>

#include "apu/apu.h"  // volumeDb, volumeFactor, SetVolumeDb

namespace morvel {

constexpr int32_t kVolumeDbMin = -36;
constexpr int32_t kVolumeDbMax = 8;
// Slider positions 0 to 44, one per decibel.
constexpr int32_t kVolumeSteps = kVolumeDbMax - kVolumeDbMin + 1;

// Decibels of each slider position: entry p holds p - 36.
extern double volumeDbTable[kVolumeSteps];
void BuildVolumeSteps();

// The slider position of the current volume.
int32_t VolumeSliderPosition();

// The volume of a slider position (kept within 0-44).
void SetVolumeFromSlider(int32_t position);

// The popup's text for a slider position: its share of the whole range in
// whole percent, "68%" at position 30.
void FormatVolumePercent(int32_t position, char* text, int textSize);

// The + and - keys: one decibel up to +8, one down to -36.
void VolumeUp();
void VolumeDown();

}  // namespace morvel
