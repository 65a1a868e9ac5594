#include "apu/volume_steps.h"

#include <cstdio>

namespace morvel {

double volumeDbTable[kVolumeSteps];

namespace {
int32_t ClampPosition(int32_t position) {
    if (position < 0) return 0;
    if (position >= kVolumeSteps) return kVolumeSteps - 1;
    return position;
}
}  // namespace

void BuildVolumeSteps() {
    for (int32_t p = 0; p < kVolumeSteps; ++p) volumeDbTable[p] = p + kVolumeDbMin;
}

int32_t VolumeSliderPosition() {
    return ClampPosition(volumeDb - kVolumeDbMin);
}

void SetVolumeFromSlider(int32_t position) {
    SetVolumeDb(static_cast<int32_t>(volumeDbTable[ClampPosition(position)]));
}

void FormatVolumePercent(int32_t position, char* text, int textSize) {
    std::snprintf(text, static_cast<size_t>(textSize), "%d%%",
                  ClampPosition(position) * 100 / (kVolumeSteps - 1));
}

void VolumeUp() {
    if (volumeDb < kVolumeDbMax) SetVolumeDb(volumeDb + 1);
}

void VolumeDown() {
    if (volumeDb >= kVolumeDbMin + 1) SetVolumeDb(volumeDb - 1);
}

}  // namespace morvel
