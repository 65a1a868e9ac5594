// The audio processing unit: five channels, the frame sequencer, the mixer and
// the controller ports that sit in its register decoder.
#pragma once

#include <cstdint>

namespace morvel {

void ApuPowerOn();
void ApuReset();
void ApuWriteRegister(int32_t address, uint8_t value);
uint8_t ApuReadRegister(int32_t address);
void ApuStep(int32_t cycles);

// The frame's samples, read by the sound output at the end of every frame.
extern int16_t sampleBuffer[1032];
extern uint32_t sampleCount;

}  // namespace morvel
