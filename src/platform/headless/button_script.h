// Scripted controllers for morvel-headless: buttons held over ranges of frames.
#pragma once

#include <cstdint>
#include <string>

namespace morvel {

// Buttons held on controller port 0 or 1 from frame `first` to `last`.
struct ButtonPress {
    int port;
    long first;
    long last;
    uint8_t buttons;
};

// Parses FIRST-LAST:BUTTONS (frames inclusive; BUTTONS from A, B, Select,
// Start, Up, Down, Left, Right joined by '+'). Returns false when malformed.
bool ParseButtonPress(int port, const std::string& spec, ButtonPress& press);

// Adds a press to the script.
void AddButtonPress(const ButtonPress& press);

// Installs the script as the controllers' button source; `frame` is read each
// time the game latches, so the host keeps it at the number of the running frame.
void UseButtonScript(const long* frame);

// The buttons the script holds on a port during a frame.
uint8_t ScriptedButtons(int port, long frame);

// Forgets every press.
void ClearButtonScript();

}  // namespace morvel
