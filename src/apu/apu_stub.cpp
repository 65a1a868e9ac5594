// Stand-in APU until the real one exists: silent, registers read 0.
#include "apu/apu.h"

namespace morvel {

int16_t sampleBuffer[1032];
uint32_t sampleCount;

void ApuPowerOn() { sampleCount = 0; }
void ApuReset() {}
void ApuWriteRegister(int32_t, uint8_t) {}
uint8_t ApuReadRegister(int32_t) { return 0; }
void ApuStep(int32_t) {}

}  // namespace morvel

#include "apu/sound_output.h"

namespace morvel {
void SoundSync() {}
void SoundStop() {}
void SoundResume() {}
void SoundRestart() {}
}  // namespace morvel
