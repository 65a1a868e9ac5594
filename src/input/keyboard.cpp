#include "input/keyboard.h"

#include <cstring>

#include "input/button_source.h"
#include "input/dik_codes.h"

namespace morvel {

uint8_t keyboardState[256];

// The A key for B, S for A, Z for Select, X for Start and the arrow keys: the
// keys used until the configuration file says otherwise.
uint8_t keyMap[8] = {kDikS,       kDikA,         kDikZ,         kDikX,
                     kDikUpArrow, kDikDownArrow, kDikLeftArrow, kDikRightArrow};

uint8_t playKeys[3] = {kDikTab, kDikBackspace, kDikBackslash};

namespace {
bool IsDown(uint8_t dik) {
    return (keyboardState[dik] & 0x80) != 0;
}
}  // namespace

void SetKeyDown(int32_t dik, int32_t down) {
    if (dik < 0 || dik > 255) return;
    keyboardState[dik] = down ? 0x80 : 0x00;
}

void ClearKeyboardState() {
    std::memset(keyboardState, 0, sizeof keyboardState);
}

uint8_t ReadKeyboardButtons() {
    uint8_t buttons = 0;
    if (IsDown(keyMap[kMapA])) buttons |= kButtonA;
    if (IsDown(keyMap[kMapB])) buttons |= kButtonB;
    if (IsDown(keyMap[kMapSelect])) buttons |= kButtonSelect;
    if (IsDown(keyMap[kMapStart])) buttons |= kButtonStart;
    if (IsDown(keyMap[kMapUp])) {
        buttons |= kButtonUp;
    } else if (IsDown(keyMap[kMapDown])) {
        buttons |= kButtonDown;
    }
    if (IsDown(keyMap[kMapLeft])) {
        buttons |= kButtonLeft;
    } else if (IsDown(keyMap[kMapRight])) {
        buttons |= kButtonRight;
    }
    return buttons;
}

int32_t SwitchKeysDown() {
    if (IsDown(kDikLeftAlt) && IsDown(kDikTab)) return 1;
    if (IsDown(kDikLeftControl) && IsDown(kDikEscape)) return 1;
    return 0;
}

int32_t LowestKeyDown() {
    for (int32_t dik = 0; dik < 256; ++dik) {
        if (IsDown(static_cast<uint8_t>(dik))) return dik;
    }
    return -1;
}

}  // namespace morvel
