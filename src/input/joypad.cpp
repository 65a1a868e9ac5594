#include "input/joypad.h"

#include <cstdio>
#include <cstring>

#include "core/host.h"
#include "input/button_source.h"

namespace morvel {

JoypadSlot joypadSlots[kMaxJoypads];
int32_t joypadCount;
// B on button 0, A on 1, Select on 2, Start on 3, in the order A, B, Select, Start.
uint32_t joyButtonMap[2][4] = {{1, 0, 2, 3}, {1, 0, 2, 3}};
int32_t nes1Joypad = -1;
int32_t nes2Joypad = -1;
int32_t selectedJoypad;
PadBinding padBindings[kMaxPadBindings];
int32_t padBindingCount;
char nesPadGuid[2][kJoypadGuidSize];

namespace {

int32_t NoDevice(int32_t, JoypadState*) {
    return 0;
}
void NothingToRelease(int32_t) {}

// The stick counts as pushed beyond these points of the 0-65535 range; the
// band between them is the dead zone around the centre.
constexpr int32_t kAxisHigh = 45054;  // above: right or down
constexpr int32_t kAxisLow = 20480;   // below: left or up

// The hat's eight positions, clockwise from up, and the directions each gives.
struct PovDirection {
    uint32_t pov;
    uint8_t buttons;
};
constexpr PovDirection kPovDirections[] = {
    {0, kButtonUp},                       // up
    {4500, kButtonUp | kButtonRight},     // up and right
    {9000, kButtonRight},                 // right
    {13500, kButtonRight | kButtonDown},  // right and down
    {18000, kButtonDown},                 // down
    {22500, kButtonDown | kButtonLeft},   // down and left
    {27000, kButtonLeft},                 // left
    {31500, kButtonLeft | kButtonUp},     // left and up
};

// The angle of each combination of SDL's hat bits (index: left down right up).
// clang-format off
constexpr uint32_t kPovOfHatBits[16] = {
    kPovCentred,  // ----   nothing pushed
    0,            // ---U   up
    9000,         // --R-   right
    4500,         // --RU   right and up
    18000,        // -D--   down
    kPovCentred,  // -D-U   up and down cancel
    13500,        // -DR-   right and down
    9000,         // -DRU   right
    27000,        // L---   left
    31500,        // L--U   left and up
    kPovCentred,  // L-R-   left and right cancel
    0,            // L-RU   up
    22500,        // LD--   left and down
    27000,        // LD-U   left
    18000,        // LDR-   down
    kPovCentred,  // LDRU   everything cancels
};
// clang-format on

bool ButtonHeld(const JoypadState& state, uint32_t button) {
    // A button number from a hand-edited file may lie past the 128 buttons.
    return button < kJoypadButtons && (state.buttons[button] & 0x80) != 0;
}

}  // namespace

JoypadDriver joypadDriver = {NoDevice, NothingToRelease};

JoypadState RestingJoypadState() {
    JoypadState state;
    std::memset(&state, 0, sizeof state);
    state.x = kAxisCentre;
    state.y = kAxisCentre;
    state.pov = kPovCentred;
    return state;
}

const PadBinding* FindPadBinding(const char* guid, int32_t controller) {
    if (!guid || !guid[0]) return nullptr;
    for (int32_t i = 0; i < padBindingCount; ++i) {
        const PadBinding& b = padBindings[i];
        if (b.controller == controller && std::strcmp(b.guid, guid) == 0) return &b;
    }
    return nullptr;
}

void KeepPadBinding(const JoypadSlot& slot) {
    if (!slot.guid[0]) return;
    auto* kept = const_cast<PadBinding*>(FindPadBinding(slot.guid, slot.controller));
    if (!kept) {
        if (padBindingCount < kMaxPadBindings) ++padBindingCount;
        kept = &padBindings[padBindingCount - 1];
        std::snprintf(kept->guid, sizeof kept->guid, "%s", slot.guid);
        kept->controller = slot.controller;
    }
    std::memcpy(kept->map, slot.map, sizeof kept->map);
}

int32_t AttachJoypad(const char* name, const char* guid, int32_t controller) {
    if (!guid) guid = "";
    int32_t slot = -1;
    for (int32_t i = 0; i < 2 && slot < 0; ++i)
        if (guid[0] && !joypadSlots[i].filled && std::strcmp(nesPadGuid[i], guid) == 0) slot = i;
    for (int32_t i = 0; i < kMaxJoypads && slot < 0; ++i)
        if (!joypadSlots[i].filled) slot = i;
    if (slot < 0) return -1;
    JoypadSlot& s = joypadSlots[slot];
    s.filled = 1;
    std::snprintf(s.name, sizeof s.name, "%s", name != nullptr ? name : "");
    std::snprintf(s.guid, sizeof s.guid, "%s", guid);
    s.controller = controller;
    const PadBinding* kept = FindPadBinding(guid, controller);
    std::memcpy(s.map, kept ? kept->map : joyButtonMap[0], sizeof s.map);
    ++joypadCount;
    if (slot == 0) nes1Joypad = 0;
    if (slot == 1) nes2Joypad = 1;
    return slot;
}

void ReleaseJoypad(int32_t slot) {
    if (slot < 0 || slot >= kMaxJoypads || !joypadSlots[slot].filled) return;
    joypadDriver.release(slot);
    joypadSlots[slot].filled = 0;
    joypadSlots[slot].name[0] = '\0';
    joypadSlots[slot].guid[0] = '\0';
    --joypadCount;
    if (nes1Joypad == slot) nes1Joypad = -1;
    if (nes2Joypad == slot) nes2Joypad = -1;
}

void ReleaseJoypads() {
    for (int32_t slot = 0; slot < kMaxJoypads; ++slot) ReleaseJoypad(slot);
    joypadCount = 0;
}

uint8_t ReadJoypadButtons(int32_t slot) {
    if (slot < 0 || slot >= kMaxJoypads || !joypadSlots[slot].filled) return 0;
    JoypadState state = RestingJoypadState();
    if (!joypadDriver.read(slot, &state)) {
        showErrorBox("Cannot Acquire Joypad. Device disconnected?");
        ReleaseJoypad(slot);
        return 0;
    }
    return JoypadButtonsFromState(state, joypadSlots[slot].map);
}

uint8_t JoypadButtonsFromState(const JoypadState& state, const uint32_t map[4]) {
    uint8_t buttons = 0;
    if (ButtonHeld(state, map[0])) buttons |= kButtonA;
    if (ButtonHeld(state, map[1])) buttons |= kButtonB;
    if (ButtonHeld(state, map[2])) buttons |= kButtonSelect;
    if (ButtonHeld(state, map[3])) buttons |= kButtonStart;
    for (const PovDirection& d : kPovDirections) {
        if (state.pov == d.pov) buttons |= d.buttons;
    }
    // The stick adds its own directions to the hat's, opposite ones included.
    if (state.x > kAxisHigh) buttons |= kButtonRight;
    if (state.x < kAxisLow) buttons |= kButtonLeft;
    if (state.y > kAxisHigh) buttons |= kButtonDown;
    if (state.y < kAxisLow) buttons |= kButtonUp;
    return buttons;
}

int32_t LowestJoyButtonDown(const JoypadState& state) {
    for (int32_t button = 0; button < kJoypadButtons; ++button) {
        if (state.buttons[button] & 0x80) return button;
    }
    return -1;
}

uint32_t PovFromHatBits(uint8_t hat) {
    return kPovOfHatBits[hat & 0x0F];
}

int32_t AxisFromSigned(int16_t value) {
    return int32_t{value} + 32768;
}

JoypadState JoypadStateFromRaw(const RawJoystick& raw) {
    JoypadState state = RestingJoypadState();
    int32_t count = raw.buttonCount < kJoypadButtons ? raw.buttonCount : kJoypadButtons;
    for (int32_t i = 0; i < count && raw.buttons != nullptr; ++i) {
        state.buttons[i] = raw.buttons[i] ? 0x80 : 0x00;
    }
    if (raw.hatCount > 0) state.pov = PovFromHatBits(raw.firstHat);
    if (raw.axisCount > 0) state.x = AxisFromSigned(raw.axisX);
    if (raw.axisCount > 1) state.y = AxisFromSigned(raw.axisY);
    return state;
}

}  // namespace morvel
