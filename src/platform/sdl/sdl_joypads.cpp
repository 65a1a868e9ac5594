#include "platform/sdl/sdl_joypads.h"

#include <SDL.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <string>
#include <system_error>

#include "input/joypad.h"

namespace morvel::sdl {

namespace {

SDL_Joystick* devices[kMaxJoypads];
// The game controller over the joystick of a slot, null for a pad SDL has no
// mapping for; such a pad is read by the device's own numbering.
SDL_GameController* controllers[kMaxJoypads];
bool started = false;

// A trigger counts as a button once pulled halfway.
constexpr Sint16 kTriggerPulled = 16384;

// The state of a game controller: its buttons in SDL's order, the triggers
// after them, the d-pad as the hat and the left stick as X and Y.
JoypadState ReadController(SDL_GameController* pad) {
    uint8_t buttons[kPadTriggerRight + 1] = {};
    for (int b = 0; b < SDL_CONTROLLER_BUTTON_MAX; ++b)
        buttons[b] = SDL_GameControllerGetButton(pad, static_cast<SDL_GameControllerButton>(b));
    buttons[kPadTriggerLeft] =
        SDL_GameControllerGetAxis(pad, SDL_CONTROLLER_AXIS_TRIGGERLEFT) >= kTriggerPulled;
    buttons[kPadTriggerRight] =
        SDL_GameControllerGetAxis(pad, SDL_CONTROLLER_AXIS_TRIGGERRIGHT) >= kTriggerPulled;
    RawJoystick raw{};
    raw.buttonCount = kPadTriggerRight + 1;
    raw.buttons = buttons;
    raw.hatCount = 1;
    raw.firstHat =
        static_cast<uint8_t>((buttons[SDL_CONTROLLER_BUTTON_DPAD_UP] ? kHatUp : 0) |
                             (buttons[SDL_CONTROLLER_BUTTON_DPAD_RIGHT] ? kHatRight : 0) |
                             (buttons[SDL_CONTROLLER_BUTTON_DPAD_DOWN] ? kHatDown : 0) |
                             (buttons[SDL_CONTROLLER_BUTTON_DPAD_LEFT] ? kHatLeft : 0));
    raw.axisCount = 2;
    raw.axisX = SDL_GameControllerGetAxis(pad, SDL_CONTROLLER_AXIS_LEFTX);
    raw.axisY = SDL_GameControllerGetAxis(pad, SDL_CONTROLLER_AXIS_LEFTY);
    return JoypadStateFromRaw(raw);
}

int32_t ReadDevice(int32_t slot, JoypadState* state) {
    if (slot < 0 || slot >= kMaxJoypads) return 0;
    SDL_Joystick* device = devices[slot];
    if (!device || !SDL_JoystickGetAttached(device)) return 0;
    SDL_JoystickUpdate();
    if (controllers[slot]) {
        *state = ReadController(controllers[slot]);
        return 1;
    }
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
    if (controllers[slot])
        SDL_GameControllerClose(controllers[slot]);
    else
        SDL_JoystickClose(devices[slot]);
    devices[slot] = nullptr;
    controllers[slot] = nullptr;
}

bool AlreadyOpen(SDL_JoystickID id) {
    for (SDL_Joystick* device : devices)
        if (device && SDL_JoystickInstanceID(device) == id) return true;
    return false;
}

// A game controller's buttons for a pad whose model has none of its own: the
// first set of joyButtonMap names the device's own buttons, so each becomes
// the controller button SDL's mapping puts on it. One the mapping does not use
// becomes the controller's own: B for A, A for B, Back for Select, Start for
// Start (the NES pad's A sits right of B, as B sits right of A on these).
void TranslateFirstSet(SDL_GameController* pad, uint32_t map[4]) {
    constexpr uint32_t kOwn[4] = {SDL_CONTROLLER_BUTTON_B, SDL_CONTROLLER_BUTTON_A,
                                  SDL_CONTROLLER_BUTTON_BACK, SDL_CONTROLLER_BUTTON_START};
    for (int32_t i = 0; i < 4; ++i) {
        map[i] = kOwn[i];
        for (int b = 0; b < SDL_CONTROLLER_BUTTON_MAX; ++b) {
            SDL_GameControllerButtonBind bind =
                SDL_GameControllerGetBindForButton(pad, static_cast<SDL_GameControllerButton>(b));
            if (bind.bindType == SDL_CONTROLLER_BINDTYPE_BUTTON &&
                static_cast<uint32_t>(bind.value.button) == joyButtonMap[0][i])
                map[i] = static_cast<uint32_t>(b);
        }
    }
}

std::string GuidOf(int index) {
    char guid[kJoypadGuidSize];
    SDL_JoystickGetGUIDString(SDL_JoystickGetDeviceGUID(index), guid, sizeof guid);
    return guid;
}

// Opens the pad SDL numbers `index` into a slot, as a game controller when
// SDL has a mapping for it; false when it cannot be opened or every slot is
// taken.
bool TakePad(int index) {
    if (AlreadyOpen(SDL_JoystickGetDeviceInstanceID(index))) return true;
    SDL_GameController* pad = SDL_IsGameController(index) ? SDL_GameControllerOpen(index) : nullptr;
    SDL_Joystick* device = pad ? SDL_GameControllerGetJoystick(pad) : SDL_JoystickOpen(index);
    if (!device) return false;
    const char* name = SDL_JoystickName(device);
    std::string guid = GuidOf(index);
    int32_t slot = AttachJoypad(name ? name : "", guid.c_str(), pad ? 1 : 0);
    if (slot < 0) {
        if (pad)
            SDL_GameControllerClose(pad);
        else
            SDL_JoystickClose(device);
        return false;
    }
    devices[slot] = device;
    controllers[slot] = pad;
    if (pad && !FindPadBinding(guid.c_str(), 1)) TranslateFirstSet(pad, joypadSlots[slot].map);
    return true;
}

// The names the pad dialog gives SDL's game controller buttons.
constexpr const char* kControllerButtonNames[] = {
    "A",          "B",          "X",           "Y",    "Back",     "Guide",
    "Start",      "Left Stick", "Right Stick", "LB",   "RB",       "D-pad Up",
    "D-pad Down", "D-pad Left", "D-pad Right", "Misc", "Paddle 1", "Paddle 2",
    "Paddle 3",   "Paddle 4",   "Touchpad",    "LT",   "RT",
};
static_assert(std::size(kControllerButtonNames) == kPadTriggerRight + 1);
static_assert(kPadTriggerLeft == SDL_CONTROLLER_BUTTON_MAX);

// A pad pulled out of a slot the controllers read stays until the next latch
// reports it; elsewhere nobody would ever read it, so it goes now.
void DropUnread(SDL_JoystickID id) {
    for (int32_t slot = 2; slot < kMaxJoypads; ++slot)
        if (devices[slot] && SDL_JoystickInstanceID(devices[slot]) == id) ReleaseJoypad(slot);
}

// The largest mapping file read; the community's database is under a megabyte.
constexpr std::uintmax_t kMaxMappingBytes = 16u << 20;

// The user's mappings add to SDL's own and take the place of the ones for the
// same pads. Returns why a file that is there could not be used (not a
// regular file, too large, unreadable, no mapping for this system), empty
// when it was used or is absent.
std::string AddMappings(const char* path) {
    std::error_code error;
    auto status = std::filesystem::status(path, error);
    if (!std::filesystem::exists(status)) return "";
    const char* why = nullptr;
    std::string sdlWhy;
    if (!std::filesystem::is_regular_file(status)) {
        why = "is not a regular file";  // a FIFO would hold up the start
    } else if (std::filesystem::file_size(path, error) > kMaxMappingBytes) {
        why = "is too large";
    } else {
        int added = SDL_GameControllerAddMappingsFromFile(path);
        if (added > 0) return "";
        sdlWhy = added < 0 ? std::string("could not be read: ") + SDL_GetError()
                           : "holds no mapping for this system";
        why = sdlWhy.c_str();
    }
    return std::string("The game controller mapping file ") + path + " " + why +
           "; SDL's own mappings are used.";
}

}  // namespace

int32_t OpenJoypads(const char* mappingFile, std::string* problem) {
    if (problem) problem->clear();
    if (!started) {
        // Closing the program by a signal stays the window's business.
        SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
        SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
        if (SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) != 0) return 0;
        started = true;
        std::string why = mappingFile ? AddMappings(mappingFile) : "";
        if (problem) *problem = why;
    }
    joypadDriver = JoypadDriver{ReadDevice, ReleaseDevice};
    int32_t count = EnumerateJoypads();
    // The pads found now came with their device-added notices.
    SDL_PumpEvents();
    SDL_FlushEvents(SDL_JOYDEVICEADDED, SDL_JOYDEVICEADDED);
    SDL_FlushEvents(SDL_CONTROLLERDEVICEADDED, SDL_CONTROLLERDEVICEADDED);
    return count;
}

int32_t EnumerateJoypads() {
    if (!started) return 0;
    // The pads last chosen for a NES controller come first, so each finds its
    // controller's slot still free.
    int count = SDL_NumJoysticks();
    for (int pass = 0; pass < 2; ++pass) {
        for (int index = 0; index < count; ++index) {
            std::string guid = GuidOf(index);
            bool chosen = !guid.empty() && (guid == nesPadGuid[0] || guid == nesPadGuid[1]);
            if (chosen == (pass == 0) && !TakePad(index)) return joypadCount;
        }
    }
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
    std::swap(controllers[a], controllers[b]);
    std::swap(joypadSlots[a], joypadSlots[b]);
}

void AssignJoypadButton(int32_t slot, int32_t mapIndex, uint32_t button) {
    if (slot < 0 || slot >= kMaxJoypads || mapIndex < 0 || mapIndex > 3) return;
    JoypadSlot& pad = joypadSlots[slot];
    if (!pad.filled) return;
    pad.map[mapIndex] = button & 0xFF;
    KeepPadBinding(pad);
    // The first set keeps the device's own number, as it always has, so pads
    // of other models and older versions of the program still find the button.
    if (!controllers[slot]) {
        joyButtonMap[0][mapIndex] = button & 0xFF;
    } else if (button < SDL_CONTROLLER_BUTTON_MAX) {
        SDL_GameControllerButtonBind bind = SDL_GameControllerGetBindForButton(
            controllers[slot], static_cast<SDL_GameControllerButton>(button));
        if (bind.bindType == SDL_CONTROLLER_BINDTYPE_BUTTON)
            joyButtonMap[0][mapIndex] = static_cast<uint32_t>(bind.value.button) & 0xFF;
    }
}

std::string JoypadButtonName(int32_t slot, uint32_t button) {
    bool controller = slot >= 0 && slot < kMaxJoypads && joypadSlots[slot].controller;
    if (controller && button < std::size(kControllerButtonNames))
        return kControllerButtonNames[button];
    return "Button " + std::to_string(button);
}

void CloseJoypads() {
    if (!started) return;
    ReleaseJoypads();
    for (int32_t slot = 0; slot < kMaxJoypads; ++slot) ReleaseDevice(slot);
    SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
    started = false;
}

}  // namespace morvel::sdl
