// Sound chips on the cartridge. The console mixes a cartridge's audio into its
// own output; here a board with a sound chip makes its samples beside the
// APU's, on the same grid of one sample every samplesDivider CPU cycles, and
// they are added to the APU's at the end of each frame.
#pragma once

#include <cstdint>

namespace morvel {

// The sample in progress of a board's sound, kept in the board's saved record
// so that a save state resumes it on the APU's grid. Zero at power-on, as
// the APU's own.
struct ExpansionMix {
    float accumulator;    // the chip's levels summed over the cycles so far
    uint32_t cycleCount;  // CPU cycles summed into the sample in progress
};

// The mixer's output for one APU pulse at full volume alone (the pulse
// table's entry 15): the reference the chips' levels are set against.
constexpr double kApuPulseFullLevel = 95.52 / (8128.0 / 15.0 + 100.0);

// Whether a saved sample in progress holds what MixExpansion can leave: a
// finite sum of fewer cycles than any sample has.
bool ExpansionMixFits(const ExpansionMix& mix);

// Adds `cycles` CPU cycles at `level` to the board's samples. The level is
// in the mixer's units, where the console's own channels at full volume come
// to about 1.0; nothing is added while the sound is muted.
void MixExpansion(ExpansionMix& mix, float level, uint32_t cycles);

// At the end of a frame, after the APU's last samples: adds the frame's
// samples of the board to the APU's, with the volume, and starts afresh.
void AddExpansionSamples();
// Drops samples not yet added (power-on, a loaded state).
void ClearExpansionSamples();

}  // namespace morvel
