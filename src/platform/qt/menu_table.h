// The menu bar and the accelerators, from one table of actions.
#pragma once

#include <cstdint>
#include <vector>

class QAction;
class QMainWindow;

namespace morvel::qt {

struct MenuRow {
    uint32_t id;           // the command identifier
    const char* menu;      // the menu path, submenus after '/'; null: no menu item
    const char* text;      // the item's text, the shortcut shown after a tab
    const char* shortcut;  // the accelerator (a key sequence), or null
    char character;        // a character accelerator ('+', '-'), or 0
    bool (*enabled)();     // null: always enabled
    bool (*checked)();     // null: not checkable
};

extern const std::vector<MenuRow> kMenuRows;

// Builds the menu bar of the window and adds every action to the window so
// the accelerators work with the menu bar hidden too.
void BuildMenuBar(QMainWindow* window);

// Sets every action's enabled and checked state from the program's flags.
void RefreshMenus();

// The action of a command, or null.
QAction* ActionOf(uint32_t id);

// The command of a character accelerator, or 0.
uint32_t CharacterCommand(char c);

// Whether the key (a key code), pressed alone, also works a menu shortcut:
// Space, Esc, 1-4 (on the keypad too, with Num Lock on) and the keys that
// type + and -. In play such a key does both.
bool KeyIsShortcut(int32_t dik);

}  // namespace morvel::qt
