// The two NES controllers as the game latches them: controller 1 is the
// keyboard and the pad in slot 0 together, controller 2 the pad in slot 1.
#pragma once

#include <cstdint>

namespace morvel {

// The button byte of controller port 0 or 1, read at the moment the game
// latches the controllers. Port 0 reads the keyboard, then the pad in slot 0;
// port 1 reads the pad in slot 1.
uint8_t ReadControllerButtons(int port);

// Makes the keyboard and the game pads the source of the controller ports.
void UseKeyboardAndJoypads();

}  // namespace morvel
