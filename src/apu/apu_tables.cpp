// The APU's constant tables (NTSC console; times in CPU cycles).
#include "apu/apu_state.h"

namespace morvel {

// Length counter loads, indexed by bit 3 * 16 + bits 7-4 of the length write.
const uint8_t lengthTable[32] = {
    10,  20, 40, 80, 160, 60, 14, 26,  // bit 3 clear, bits 7-4 = 0-7
    12,  24, 48, 96, 192, 72, 16, 32,  // bit 3 clear, bits 7-4 = 8-15
    254, 2,  4,  6,  8,   10, 12, 14,  // bit 3 set, bits 7-4 = 0-7
    16,  18, 20, 22, 24,  26, 28, 30,  // bit 3 set, bits 7-4 = 8-15
};

// The triangle's 32-step ramp down and up.
const uint8_t triangleSequence[32] = {
    15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5,  4,  3,  2,  1,  0,   // falling
    0,  1,  2,  3,  4,  5,  6, 7, 8, 9, 10, 11, 12, 13, 14, 15,  // rising
};

// CPU cycles between two shifts of the noise register, by $400E bits 3-0.
const uint16_t noisePeriodTable[16] = {
    4,   8,    16,   32,    // 0-3
    64,  96,   128,  160,   // 4-7
    202, 254,  380,  508,   // 8-11
    762, 1016, 2034, 4068,  // 12-15
};

// CPU cycles between two DMC output steps, by $4010 bits 3-0.
const uint16_t dmcRateTable[16] = {
    428, 380, 340, 320,  // 0-3
    286, 254, 226, 214,  // 4-7
    190, 160, 142, 128,  // 8-11
    106, 84,  72,  54,   // 12-15
};

}  // namespace morvel
