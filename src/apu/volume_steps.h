// The volume in whole decibels, as the volume popup, the volume keys and the
// configuration file change it.
#pragma once

#include <cstdint>

namespace morvel {

// The volume, -36 to +8 dB, and the gain it gives the samples: 1.122018454
// (one decibel) raised to volumeDb. Whoever changes volumeDb sets the factor
// at once, through SetVolumeDb.
extern int32_t volumeDb;
extern double volumeFactor;

constexpr int32_t kVolumeDbMin = -36;
constexpr int32_t kVolumeDbMax = 8;
// Slider positions 0 to 44, one per decibel.
constexpr int32_t kVolumeSteps = kVolumeDbMax - kVolumeDbMin + 1;

// Decibels of each slider position: entry p holds p - 36.
extern double volumeDbTable[kVolumeSteps];
void BuildVolumeSteps();

// Sets volumeDb and volumeFactor together.
void SetVolumeDb(int32_t db);

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
