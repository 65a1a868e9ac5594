#include "platform/headless/button_script.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "input/button_source.h"
#include "platform/headless/random_buttons.h"

namespace morvel {

namespace {

std::vector<ButtonPress> presses;
const long* currentFrame;

struct ButtonName {
    const char* name;
    uint8_t bit;
};

const ButtonName kButtonNames[] = {
    {"A", kButtonA},   {"B", kButtonB},       {"Select", kButtonSelect}, {"Start", kButtonStart},
    {"Up", kButtonUp}, {"Down", kButtonDown}, {"Left", kButtonLeft},     {"Right", kButtonRight},
};

bool ParseFrame(const std::string& text, long& value) {
    if (text.empty() || text[0] < '0' || text[0] > '9') return false;
    char* end = nullptr;
    errno = 0;
    value = std::strtol(text.c_str(), &end, 10);
    return errno == 0 && *end == '\0';
}

bool ParseButtons(const std::string& text, uint8_t& buttons) {
    buttons = 0;
    size_t start = 0;
    while (true) {
        size_t plus = text.find('+', start);
        std::string name =
            text.substr(start, plus == std::string::npos ? std::string::npos : plus - start);
        const ButtonName* match = nullptr;
        for (const ButtonName& candidate : kButtonNames)
            if (name == candidate.name) match = &candidate;
        if (!match) return false;
        buttons |= match->bit;
        if (plus == std::string::npos) return true;
        start = plus + 1;
    }
}

uint8_t ButtonsNow(int port) {
    const long frame = currentFrame ? *currentFrame : 0;
    return ScriptedButtons(port, frame) | (port == 0 ? RandomButtons(frame) : 0);
}

}  // namespace

bool ParseButtonPress(int port, const std::string& spec, ButtonPress& press) {
    size_t dash = spec.find('-');
    size_t colon = spec.find(':');
    if (dash == std::string::npos || colon == std::string::npos || dash > colon) return false;
    press = {port, 0, 0, 0};
    if (!ParseFrame(spec.substr(0, dash), press.first)) return false;
    if (!ParseFrame(spec.substr(dash + 1, colon - dash - 1), press.last)) return false;
    if (press.last < press.first) return false;
    return ParseButtons(spec.substr(colon + 1), press.buttons);
}

void AddButtonPress(const ButtonPress& press) {
    presses.push_back(press);
}

uint8_t ScriptedButtons(int port, long frame) {
    uint8_t buttons = 0;
    for (const ButtonPress& press : presses)
        if (press.port == port && frame >= press.first && frame <= press.last)
            buttons |= press.buttons;
    return buttons;
}

void UseButtonScript(const long* frame) {
    currentFrame = frame;
    buttonSource = ButtonsNow;
}

void ClearButtonScript() {
    presses.clear();
}

}  // namespace morvel
