#include "input/controllers.h"

#include "input/button_source.h"
#include "input/joypad.h"
#include "input/keyboard.h"

namespace morvel {

uint8_t ReadControllerButtons(int port) {
    if (port == 0) {
        uint8_t keyboard = ReadKeyboardButtons();
        return keyboard | ReadJoypadButtons(0);
    }
    if (port == 1) return ReadJoypadButtons(1);
    return 0;
}

void UseKeyboardAndJoypads() {
    buttonSource = ReadControllerButtons;
}

}  // namespace morvel
