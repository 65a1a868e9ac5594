// Keyboard keys by their DirectInput key codes, the numbers the configuration
// file has always stored: the PC keyboard's scan code, with 128 added for the
// keys whose scan code comes after the extended prefix $E0.
#pragma once

#include <cstddef>
#include <cstdint>

namespace morvel {

// The keys the program itself refers to.
enum : uint8_t {
    kDikEscape = 0x01,
    kDikBackspace = 0x0E,
    kDikTab = 0x0F,
    kDikLeftControl = 0x1D,
    kDikA = 0x1E,
    kDikS = 0x1F,
    kDikBackslash = 0x2B,
    kDikZ = 0x2C,
    kDikX = 0x2D,
    kDikLeftAlt = 0x38,
    kDikUpArrow = 0xC8,
    kDikLeftArrow = 0xCB,
    kDikRightArrow = 0xCD,
    kDikDownArrow = 0xD0,
};

struct DikKey {
    uint8_t dik;     // index into the 256-byte key state
    uint16_t evdev;  // the Linux input event code of the same key, 0 for none
    const char* name;
};

extern const DikKey dikKeys[];
extern const size_t dikKeyCount;

// The key's name as the configuration dialogs show it; null for a code that
// names no key.
const char* DikName(int32_t dik);

// The key code of a Linux input event code, -1 when the key has none. X11 and
// Wayland report these codes plus 8 as the native scan code of a key event.
int32_t DikFromEvdev(int32_t evdev);

}  // namespace morvel
