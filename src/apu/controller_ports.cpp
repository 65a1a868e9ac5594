// The two controller ports in the APU's register decoder: a latch that takes
// the buttons held at that moment, then one bit per read, A first.
#include "apu/apu.h"
#include "input/button_source.h"

namespace morvel {

// Called when the game writes $4016 with bit 0 clear.
void LatchControllers() {
    apu.pad1Shift = buttonSource ? buttonSource(0) : 0;
    apu.pad2Shift = buttonSource ? buttonSource(1) : 0;
}

// Returns the next button bit (0 or 1); after the eighth read only ones come
// out until the next latch, as from the console's own controllers, whose
// shift register fills with ones.
uint8_t ReadControllerPort(int port) {
    uint8_t& shift = port == 0 ? apu.pad1Shift : apu.pad2Shift;
    uint32_t& count = port == 0 ? apu.pad1ReadCount : apu.pad2ReadCount;
    uint8_t bit = shift & 1;
    shift = static_cast<uint8_t>(0x80 | shift >> 1);
    count = (count + 1) & 7;
    return bit;
}

}  // namespace morvel
