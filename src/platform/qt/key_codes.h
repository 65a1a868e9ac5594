// Which keyboard key a Qt key event is, as a DirectInput key code.
#pragma once

#include <cstdint>

class QKeyEvent;

namespace morvel::qt {

// The key code of the event's key, -1 when it has none. Under X11 and Wayland
// the native scan code is the Linux input event code plus 8; an event without
// one (made up by the program or a test, or from a platform that gives none)
// is placed by its Qt key on a US keyboard.
int32_t DikOfKeyEvent(const QKeyEvent* event);

// The Linux input event code of a Qt key on a US keyboard, 0 when unknown.
uint16_t EvdevOfQtKey(int qtKey);

}  // namespace morvel::qt
