#include "input/dik_codes.h"

namespace morvel {

// Every key of a PC keyboard (the 105-key layout, the Japanese and Brazilian
// extra keys, and the common media keys), in key code order.
// clang-format off
const DikKey dikKeys[] = {
    {0x01,   1, "Esc"},              // escape
    {0x02,   2, "1"},                // main keyboard digits
    {0x03,   3, "2"},
    {0x04,   4, "3"},
    {0x05,   5, "4"},
    {0x06,   6, "5"},
    {0x07,   7, "6"},
    {0x08,   8, "7"},
    {0x09,   9, "8"},
    {0x0A,  10, "9"},
    {0x0B,  11, "0"},
    {0x0C,  12, "-"},                // minus on the main keyboard
    {0x0D,  13, "="},                // equals
    {0x0E,  14, "Backspace"},        // back space
    {0x0F,  15, "Tab"},              // tab
    {0x10,  16, "Q"},                // top letter row
    {0x11,  17, "W"},
    {0x12,  18, "E"},
    {0x13,  19, "R"},
    {0x14,  20, "T"},
    {0x15,  21, "Y"},
    {0x16,  22, "U"},
    {0x17,  23, "I"},
    {0x18,  24, "O"},
    {0x19,  25, "P"},
    {0x1A,  26, "["},                // left bracket
    {0x1B,  27, "]"},                // right bracket
    {0x1C,  28, "Enter"},            // enter on the main keyboard
    {0x1D,  29, "Left Ctrl"},        // left control
    {0x1E,  30, "A"},                // middle letter row
    {0x1F,  31, "S"},
    {0x20,  32, "D"},
    {0x21,  33, "F"},
    {0x22,  34, "G"},
    {0x23,  35, "H"},
    {0x24,  36, "J"},
    {0x25,  37, "K"},
    {0x26,  38, "L"},
    {0x27,  39, ";"},                // semicolon
    {0x28,  40, "'"},                // apostrophe
    {0x29,  41, "`"},                // grave accent, left of 1
    {0x2A,  42, "Left Shift"},       // left shift
    {0x2B,  43, "\\"},               // backslash
    {0x2C,  44, "Z"},                // bottom letter row
    {0x2D,  45, "X"},
    {0x2E,  46, "C"},
    {0x2F,  47, "V"},
    {0x30,  48, "B"},
    {0x31,  49, "N"},
    {0x32,  50, "M"},
    {0x33,  51, ","},                // comma
    {0x34,  52, "."},                // period on the main keyboard
    {0x35,  53, "/"},                // slash on the main keyboard
    {0x36,  54, "Right Shift"},      // right shift
    {0x37,  55, "Num *"},            // multiply on the numeric keypad
    {0x38,  56, "Left Alt"},         // left alt
    {0x39,  57, "Space"},            // space bar
    {0x3A,  58, "Caps Lock"},        // caps lock
    {0x3B,  59, "F1"},               // function keys
    {0x3C,  60, "F2"},
    {0x3D,  61, "F3"},
    {0x3E,  62, "F4"},
    {0x3F,  63, "F5"},
    {0x40,  64, "F6"},
    {0x41,  65, "F7"},
    {0x42,  66, "F8"},
    {0x43,  67, "F9"},
    {0x44,  68, "F10"},
    {0x45,  69, "Num Lock"},         // num lock
    {0x46,  70, "Scroll Lock"},      // scroll lock
    {0x47,  71, "Num 7"},            // numeric keypad
    {0x48,  72, "Num 8"},
    {0x49,  73, "Num 9"},
    {0x4A,  74, "Num -"},            // subtract
    {0x4B,  75, "Num 4"},
    {0x4C,  76, "Num 5"},
    {0x4D,  77, "Num 6"},
    {0x4E,  78, "Num +"},            // add
    {0x4F,  79, "Num 1"},
    {0x50,  80, "Num 2"},
    {0x51,  81, "Num 3"},
    {0x52,  82, "Num 0"},
    {0x53,  83, "Num ."},            // decimal point
    {0x56,  86, "< >"},              // the extra key left of Z on 102/105-key keyboards
    {0x57,  87, "F11"},
    {0x58,  88, "F12"},
    {0x64, 183, "F13"},
    {0x65, 184, "F14"},
    {0x66, 185, "F15"},
    {0x70,  93, "Kana"},             // Japanese keyboard: katakana/hiragana
    {0x73,  89, "Ro"},               // Brazilian /? and Japanese ro key (ABNT C1)
    {0x79,  92, "Convert"},          // Japanese henkan
    {0x7B,  94, "No Convert"},       // Japanese muhenkan
    {0x7D, 124, "Yen"},              // Japanese yen
    {0x7E, 121, "Num ,"},            // Brazilian keypad period (ABNT C2)
    {0x8D, 117, "Num ="},            // equals on the numeric keypad
    {0x90, 165, "Previous Track"},   // media keys
    {0x91,   0, "@"},                // keys of the NEC PC-98 keyboard, which Linux never reports
    {0x92,   0, ":"},
    {0x93,   0, "_"},
    {0x94,  85, "Kanji"},            // Japanese hankaku/zenkaku
    {0x95,   0, "Stop"},
    {0x96,   0, "AX"},
    {0x97,   0, "Unlabeled"},
    {0x99, 163, "Next Track"},
    {0x9C,  96, "Num Enter"},        // enter on the numeric keypad
    {0x9D,  97, "Right Ctrl"},       // right control
    {0xA0, 113, "Mute"},
    {0xA1, 140, "Calculator"},
    {0xA2, 164, "Play/Pause"},
    {0xA4, 166, "Media Stop"},
    {0xAE, 114, "Volume Down"},
    {0xB0, 115, "Volume Up"},
    {0xB2, 172, "Web Home"},
    {0xB3,   0, "Num , (PC-98)"},    // keypad comma of the NEC PC-98 keyboard
    {0xB5,  98, "Num /"},            // divide on the numeric keypad
    {0xB7,  99, "Print Screen"},     // print screen / system request
    {0xB8, 100, "Right Alt"},        // right alt (AltGr)
    {0xC5, 119, "Pause"},            // pause / break
    {0xC7, 102, "Home"},             // the navigation block
    {0xC8, 103, "Up Arrow"},
    {0xC9, 104, "Page Up"},
    {0xCB, 105, "Left Arrow"},
    {0xCD, 106, "Right Arrow"},
    {0xCF, 107, "End"},
    {0xD0, 108, "Down Arrow"},
    {0xD1, 109, "Page Down"},
    {0xD2, 110, "Insert"},
    {0xD3, 111, "Delete"},
    {0xDB, 125, "Left Windows"},     // left logo key
    {0xDC, 126, "Right Windows"},    // right logo key
    {0xDD, 127, "Menu"},             // application / context menu key
    {0xDE, 116, "Power"},            // system keys
    {0xDF, 142, "Sleep"},
    {0xE3, 143, "Wake"},
    {0xE5, 217, "Web Search"},       // browser keys
    {0xE6, 156, "Web Favorites"},
    {0xE7, 173, "Web Refresh"},
    {0xE8, 128, "Web Stop"},
    {0xE9, 159, "Web Forward"},
    {0xEA, 158, "Web Back"},
    {0xEB, 157, "My Computer"},
    {0xEC, 155, "Mail"},
    {0xED, 226, "Media Select"},
};
// clang-format on

const size_t dikKeyCount = sizeof dikKeys / sizeof dikKeys[0];

const char* DikName(int32_t dik) {
    for (size_t i = 0; i < dikKeyCount; ++i) {
        if (dikKeys[i].dik == dik) return dikKeys[i].name;
    }
    return nullptr;
}

int32_t DikFromEvdev(int32_t evdev) {
    if (evdev <= 0) return -1;  // event code 0 is reserved: the key has no event code
    for (size_t i = 0; i < dikKeyCount; ++i) {
        if (dikKeys[i].evdev == evdev) return dikKeys[i].dik;
    }
    return -1;
}

}  // namespace morvel
