#include "platform/qt/keyboard_state.h"

#include <QKeyEvent>

#include "input/button_source.h"

namespace morvel::qt {

uint8_t keyDown[256];

namespace {

// Scan codes of the keys used here.
enum : uint8_t {
    kKeyEscape = 1,
    kKeyTab = 15,
    kKeyLeftCtrl = 29,
    kKeyA = 30,
    kKeyS = 31,
    kKeyLeftAlt = 56,
    kKeyZ = 44,
    kKeyX = 45,
    kKeyUp = 200,
    kKeyLeft = 203,
    kKeyRight = 205,
    kKeyDown = 208,
};

// X11 reports evdev key numbers plus 8; evdev numbers are the set-1 scan codes
// for the main block. The keys with an 0xE0 prefix have their own numbers.
struct ExtendedKey {
    uint32_t evdev;
    uint8_t scanCode;
};
// clang-format off
const ExtendedKey kExtendedKeys[] = {
    {96,  156},  // keypad Enter
    {97,  157},  // right Ctrl
    {98,  181},  // keypad /
    {100, 184},  // right Alt
    {102, 199},  // Home
    {103, 200},  // up arrow
    {104, 201},  // Page Up
    {105, 203},  // left arrow
    {106, 205},  // right arrow
    {107, 207},  // End
    {108, 208},  // down arrow
    {109, 209},  // Page Down
    {110, 210},  // Insert
    {111, 211},  // Delete
    {125, 219},  // left Windows key
    {126, 220},  // right Windows key
    {127, 221},  // menu key
};
// clang-format on

int ScanCodeOf(const QKeyEvent* event) {
    uint32_t native = event->nativeScanCode();
    if (native < 8) return -1;
    uint32_t evdev = native - 8;
    for (const ExtendedKey& key : kExtendedKeys)
        if (key.evdev == evdev) return key.scanCode;
    return evdev < 128 ? static_cast<int>(evdev) : -1;
}

// A, B, Select, Start, Up, Down, Left, Right.
const uint8_t kDefaultKeys[8] = {kKeyS, kKeyA, kKeyZ, kKeyX, kKeyUp, kKeyDown, kKeyLeft, kKeyRight};

}  // namespace

void TrackKey(const QKeyEvent* event, bool pressed) {
    if (event->isAutoRepeat()) return;
    int code = ScanCodeOf(event);
    if (code >= 0) keyDown[code] = pressed ? 0x80 : 0;
}

void ReleaseAllKeys() {
    for (uint8_t& key : keyDown) key = 0;
}

bool SwitchKeysDown() {
    return (keyDown[kKeyLeftAlt] && keyDown[kKeyTab]) ||
           (keyDown[kKeyLeftCtrl] && keyDown[kKeyEscape]);
}

uint8_t KeyboardButtons(int port) {
    if (port != 0) return 0;
    uint8_t buttons = 0;
    for (int bit = 0; bit < 8; ++bit)
        if (keyDown[kDefaultKeys[bit]]) buttons |= static_cast<uint8_t>(1u << bit);
    return buttons;
}

}  // namespace morvel::qt
