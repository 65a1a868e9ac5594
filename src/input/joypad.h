// Game pads as the controllers see them: up to 128 slots, each read in the
// shape of a DirectInput joystick (buttons 0-127, the first hat in hundredths
// of a degree, X and Y axes on 0-65535). The host's game-pad layer fills the
// slots and reads the devices; everything from its state to the NES button
// byte happens here.
#pragma once

#include <cstdint>

#include "core/host.h"

namespace morvel {

constexpr int32_t kMaxJoypads = 128;
constexpr int32_t kJoypadNameSize = 260;

// JoypadState and the host's JoypadDriver are declared in core/host.h.

// A state with nothing pressed and the stick at rest.
JoypadState RestingJoypadState();

constexpr int32_t kJoypadGuidSize = 33;  // SDL's 32 hexadecimal digits and the end

struct JoypadSlot {
    int32_t filled;
    char name[kJoypadNameSize];  // the device's product name
    char guid[kJoypadGuidSize];  // the device's model, empty when unknown
    int32_t controller;          // 1: read as a game controller, its buttons in SDL's order
    uint32_t map[4];             // the button numbers of A, B, Select, Start on this pad
};

extern JoypadSlot joypadSlots[kMaxJoypads];
extern int32_t joypadCount;  // slots filled
// The button numbers of A, B, Select and Start; two sets are kept and saved,
// only the first is used.
extern uint32_t joyButtonMap[2][4];
// The slots chosen for NES controller 1 and 2 in the game pad dialog, -1 for
// none; in play, controller 1 reads slot 0 and controller 2 slot 1.
extern int32_t nes1Joypad;
extern int32_t nes2Joypad;
// The slot the game pad dialog shows.
extern int32_t selectedJoypad;

// The buttons a model of pad was given in the game pad dialog, kept by its
// GUID across unplugging and between runs. `controller` tells the numbering:
// SDL's game controller buttons (1) or the device's own (0).
struct PadBinding {
    char guid[kJoypadGuidSize];
    int32_t controller;
    uint32_t map[4];
};
constexpr int32_t kMaxPadBindings = 16;
extern PadBinding padBindings[kMaxPadBindings];
extern int32_t padBindingCount;
// The GUIDs of the pads last chosen for NES controller 1 and 2, empty for none:
// such a pad goes back to its controller's slot when it is plugged in again.
extern char nesPadGuid[2][kJoypadGuidSize];

// The binding kept for the GUID in the numbering `controller`, null for none.
const PadBinding* FindPadBinding(const char* guid, int32_t controller);
// Keeps the slot's buttons for its GUID, replacing an older binding; when the
// table is full the last entry gives way.
void KeepPadBinding(const JoypadSlot& slot);

// Puts a newly found pad in a slot: the slot of the NES controller it was last
// chosen for when that slot is free, else slot 0 when NES controller 1 has no
// pad, else slot 1 when controller 2 has none, else the lowest free slot. Its
// buttons are the ones kept for its GUID, else the first set of joyButtonMap.
// Returns the slot, -1 when all are taken.
int32_t AttachJoypad(const char* name, const char* guid = "", int32_t controller = 0);

// Releases the slot's device and empties the slot.
void ReleaseJoypad(int32_t slot);
void ReleaseJoypads();

// The NES button byte of the pad in the slot, with the slot's buttons; 0 for
// an empty slot. A pad that
// can no longer be read is reported once with a message box and dropped.
uint8_t ReadJoypadButtons(int32_t slot);

// The NES button byte of a state, with the button numbers of `map` (A, B,
// Select, Start). Directions come from the hat and both axes together.
uint8_t JoypadButtonsFromState(const JoypadState& state, const uint32_t map[4]);

// The lowest button number held, -1 when none is: what a button capture in
// the game pad dialog takes.
int32_t LowestJoyButtonDown(const JoypadState& state);

// SDL's hat bits: up 1, right 2, down 4, left 8.
enum : uint8_t { kHatUp = 0x01, kHatRight = 0x02, kHatDown = 0x04, kHatLeft = 0x08 };

// The hat's angle for SDL's hat bits; opposite bits cancel.
uint32_t PovFromHatBits(uint8_t hat);

// An SDL axis value (-32768 .. 32767) on DirectInput's 0 .. 65535.
int32_t AxisFromSigned(int16_t value);

// A joystick as SDL reports it, copied out by the game-pad layer.
struct RawJoystick {
    int32_t buttonCount;
    const uint8_t* buttons;  // non-zero while pressed
    int32_t hatCount;
    uint8_t firstHat;  // SDL's hat bits
    int32_t axisCount;
    int16_t axisX;  // axis 0
    int16_t axisY;  // axis 1
};

// The DirectInput-style state of an SDL joystick: buttons past 127 are not
// seen, a missing hat is centred, missing axes rest in the middle.
JoypadState JoypadStateFromRaw(const RawJoystick& raw);

}  // namespace morvel
