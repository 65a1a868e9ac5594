#include "platform/sdl/sdl_joypads.h"

#include <SDL.h>

#include <algorithm>
#include <cstring>

#include "input/joypad.h"

namespace morvel::sdl {

namespace {

SDL_Joystick* devices[kMaxJoypads];
bool started = false;

int32_t ReadDevice(int32_t slot, JoypadState* state) {
    if (slot < 0 || slot >= kMaxJoypads) return 0;
    SDL_Joystick* device = devices[slot];
    if (!device || !SDL_JoystickGetAttached(device)) return 0;
    SDL_JoystickUpdate();
    uint8_t buttons[kJoypadButtons] = {};
    RawJoystick raw{};
    raw.buttonCount = std::min(SDL_JoystickNumButtons(device), kJoypadButtons);
    for (int32_t i = 0; i < raw.buttonCount; ++i) buttons[i] = SDL_JoystickGetButton(device, i);
    raw.buttons = buttons;
    raw.hatCount = SDL_JoystickNumHats(device);
    if (raw.hatCount > 0) raw.firstHat = SDL_JoystickGetHat(device, 0);
    raw.axisCount = SDL_JoystickNumAxes(device);
    if (raw.axisCount > 0) raw.axisX = SDL_JoystickGetAxis(device, 0);
    if (raw.axisCount > 1) raw.axisY = SDL_JoystickGetAxis(device, 1);
    *state = JoypadStateFromRaw(raw);
    return 1;
}

void ReleaseDevice(int32_t slot) {
    if (slot < 0 || slot >= kMaxJoypads || !devices[slot]) return;
    SDL_JoystickClose(devices[slot]);
    devices[slot] = nullptr;
}

bool AlreadyOpen(SDL_JoystickID id) {
    for (SDL_Joystick* device : devices)
        if (device && SDL_JoystickInstanceID(device) == id) return true;
    return false;
}

// Opens the pad SDL numbers `index` into a slot; false when it cannot be
// opened or every slot is taken.
bool TakePad(int index) {
    if (AlreadyOpen(SDL_JoystickGetDeviceInstanceID(index))) return true;
    SDL_Joystick* device = SDL_JoystickOpen(index);
    if (!device) return false;
    const char* name = SDL_JoystickName(device);
    int32_t slot = AttachJoypad(name ? name : "");
    if (slot < 0) {
        SDL_JoystickClose(device);
        return false;
    }
    devices[slot] = device;
    return true;
}

// A pad pulled out of a slot the controllers read stays until the next latch
// reports it; elsewhere nobody would ever read it, so it goes now.
void DropUnread(SDL_JoystickID id) {
    for (int32_t slot = 2; slot < kMaxJoypads; ++slot)
        if (devices[slot] && SDL_JoystickInstanceID(devices[slot]) == id) ReleaseJoypad(slot);
}

}  // namespace

int32_t OpenJoypads() {
    if (!started) {
        // Closing the program by a signal stays the window's business.
        SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
        SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
        if (SDL_InitSubSystem(SDL_INIT_JOYSTICK) != 0) return 0;
        started = true;
    }
    joypadDriver = JoypadDriver{ReadDevice, ReleaseDevice};
    int32_t count = EnumerateJoypads();
    // The pads found now came with their device-added notices.
    SDL_PumpEvents();
    SDL_FlushEvents(SDL_JOYDEVICEADDED, SDL_JOYDEVICEADDED);
    return count;
}

int32_t EnumerateJoypads() {
    if (!started) return 0;
    int count = SDL_NumJoysticks();
    for (int index = 0; index < count; ++index)
        if (!TakePad(index)) break;
    return joypadCount;
}

void PollJoypadChanges() {
    if (!started) return;
    SDL_PumpEvents();
    SDL_Event events[16];
    int got;
    while ((got = SDL_PeepEvents(events, 16, SDL_GETEVENT, SDL_JOYDEVICEADDED,
                                 SDL_JOYDEVICEREMOVED)) > 0) {
        for (int i = 0; i < got; ++i) {
            if (events[i].type == SDL_JOYDEVICEADDED)
                TakePad(events[i].jdevice.which);
            else
                DropUnread(events[i].jdevice.which);
        }
    }
    // Nothing else of SDL's is read through its queue.
    SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
}

void SwapJoypads(int32_t a, int32_t b) {
    if (a < 0 || b < 0 || a >= kMaxJoypads || b >= kMaxJoypads || a == b) return;
    std::swap(devices[a], devices[b]);
    std::swap(joypadSlots[a], joypadSlots[b]);
}

void CloseJoypads() {
    if (!started) return;
    ReleaseJoypads();
    for (int32_t slot = 0; slot < kMaxJoypads; ++slot) ReleaseDevice(slot);
    SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
    started = false;
}

}  // namespace morvel::sdl
