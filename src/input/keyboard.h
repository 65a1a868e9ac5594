// The keyboard as the controllers see it: a 256-byte key state indexed by
// DirectInput key codes, kept up to date from the window's key events, and the
// keys assigned to the NES buttons.
#pragma once

#include <cstdint>

namespace morvel {

// Order of the entries of keyMap.
enum : int32_t {
    kMapA,
    kMapB,
    kMapSelect,
    kMapStart,
    kMapUp,
    kMapDown,
    kMapLeft,
    kMapRight,
};

// Order of the entries of playKeys: the keys of fast-forward and rewind,
// which act while held, and of frame advance.
enum : int32_t {
    kPlayFastForward,
    kPlayRewind,
    kPlayFrameAdvance,
};

// The key codes of the play keys (Tab, Backspace and backslash until the
// configuration file says otherwise).
extern uint8_t playKeys[3];

// A key is down while bit 7 of its byte is set.
extern uint8_t keyboardState[256];

// The key codes of A, B, Select, Start, Up, Down, Left and Right.
extern uint8_t keyMap[8];

// Called by the window on a key press or release of a key that has a code.
void SetKeyDown(int32_t dik, int32_t down);

// Forgets every held key, for when the window loses the keyboard.
void ClearKeyboardState();

// The NES button byte the keyboard gives now. Up beats Down and Left beats
// Right, so opposite directions never reach the game together.
uint8_t ReadKeyboardButtons();

// 1 while left Alt and Tab, or left Ctrl and Escape, are held: the keys that
// leave full screen.
int32_t SwitchKeysDown();

// The lowest key code that is down, -1 when none is: what a key capture in the
// keyboard dialog takes.
int32_t LowestKeyDown();

}  // namespace morvel
