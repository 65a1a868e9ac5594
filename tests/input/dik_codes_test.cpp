// The key code table against the Linux input event codes: every key of a PC
// keyboard has a code, a name and a way in from a key event.
#include "input/dik_codes.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#if __has_include(<linux/input-event-codes.h>)
#include <linux/input-event-codes.h>
#define MORVEL_HAVE_EVENT_CODES 1
#endif

namespace morvel::test {
namespace {

TEST(DikCodes, TableIsOrderedWithoutDuplicates) {
    std::set<int> evdevSeen;
    for (size_t i = 0; i < dikKeyCount; ++i) {
        const DikKey& key = dikKeys[i];
        if (i > 0) {
            EXPECT_LT(dikKeys[i - 1].dik, key.dik) << "row " << i;
        }
        ASSERT_NE(key.name, nullptr);
        EXPECT_FALSE(std::string(key.name).empty()) << "row " << i;
        EXPECT_STREQ(DikName(key.dik), key.name);
        if (key.evdev != 0) {
            EXPECT_TRUE(evdevSeen.insert(key.evdev).second)
                << "event code " << key.evdev << " twice";
            EXPECT_EQ(DikFromEvdev(key.evdev), key.dik) << key.name;
        }
    }
    std::set<std::string> names;
    for (size_t i = 0; i < dikKeyCount; ++i) {
        EXPECT_TRUE(names.insert(dikKeys[i].name).second) << dikKeys[i].name << " twice";
    }
    EXPECT_EQ(DikName(0), nullptr);
    EXPECT_EQ(DikName(0x54), nullptr);
    EXPECT_EQ(DikName(256), nullptr);
    EXPECT_EQ(DikName(-1), nullptr);
    EXPECT_EQ(DikFromEvdev(0), -1);
    EXPECT_EQ(DikFromEvdev(-5), -1);
    EXPECT_EQ(DikFromEvdev(0x2FF), -1);
}

// The main block's codes are the keyboard's scan codes, which the kernel's
// event codes share: they must agree key for key.
TEST(DikCodes, MainBlockEqualsTheScanCodes) {
    for (int code = 1; code <= 88; ++code) {
        if (code == 84 || code == 85) continue;  // not on a PC keyboard's main block
        EXPECT_EQ(DikFromEvdev(code), code) << "scan code " << code;
    }
}

#ifdef MORVEL_HAVE_EVENT_CODES
// The key codes worth checking one by one: the extended keys (scan code after
// $E0, plus 128) and the defaults of the configuration file.
TEST(DikCodes, EveryPcKeyboardKeyMapsFromItsEventCode) {
    const struct {
        int evdev;
        int dik;
    } cases[] = {
        {KEY_ESC, 0x01},
        {KEY_1, 0x02},
        {KEY_0, 0x0B},
        {KEY_BACKSPACE, 0x0E},
        {KEY_TAB, 0x0F},
        {KEY_ENTER, 0x1C},
        {KEY_LEFTCTRL, 0x1D},
        {KEY_A, 30},
        {KEY_S, 31},
        {KEY_Z, 44},
        {KEY_X, 45},
        {KEY_GRAVE, 0x29},
        {KEY_LEFTSHIFT, 0x2A},
        {KEY_BACKSLASH, 0x2B},
        {KEY_RIGHTSHIFT, 0x36},
        {KEY_KPASTERISK, 0x37},
        {KEY_LEFTALT, 0x38},
        {KEY_SPACE, 0x39},
        {KEY_CAPSLOCK, 0x3A},
        {KEY_F1, 0x3B},
        {KEY_F10, 0x44},
        {KEY_NUMLOCK, 0x45},
        {KEY_SCROLLLOCK, 0x46},
        {KEY_KP7, 0x47},
        {KEY_KPMINUS, 0x4A},
        {KEY_KPPLUS, 0x4E},
        {KEY_KP0, 0x52},
        {KEY_KPDOT, 0x53},
        {KEY_102ND, 0x56},
        {KEY_F11, 0x57},
        {KEY_F12, 0x58},
        {KEY_F13, 0x64},
        {KEY_F14, 0x65},
        {KEY_F15, 0x66},
        {KEY_KATAKANAHIRAGANA, 0x70},
        {KEY_RO, 0x73},
        {KEY_HENKAN, 0x79},
        {KEY_MUHENKAN, 0x7B},
        {KEY_YEN, 0x7D},
        {KEY_KPCOMMA, 0x7E},
        {KEY_KPEQUAL, 0x8D},
        {KEY_PREVIOUSSONG, 0x90},
        {KEY_ZENKAKUHANKAKU, 0x94},
        {KEY_NEXTSONG, 0x99},
        {KEY_KPENTER, 0x9C},
        {KEY_RIGHTCTRL, 0x9D},
        {KEY_MUTE, 0xA0},
        {KEY_CALC, 0xA1},
        {KEY_PLAYPAUSE, 0xA2},
        {KEY_STOPCD, 0xA4},
        {KEY_VOLUMEDOWN, 0xAE},
        {KEY_VOLUMEUP, 0xB0},
        {KEY_HOMEPAGE, 0xB2},
        {KEY_KPSLASH, 0xB5},
        {KEY_SYSRQ, 0xB7},
        {KEY_RIGHTALT, 0xB8},
        {KEY_PAUSE, 0xC5},
        {KEY_HOME, 0xC7},
        {KEY_UP, 200},
        {KEY_PAGEUP, 0xC9},
        {KEY_LEFT, 203},
        {KEY_RIGHT, 205},
        {KEY_END, 0xCF},
        {KEY_DOWN, 208},
        {KEY_PAGEDOWN, 0xD1},
        {KEY_INSERT, 0xD2},
        {KEY_DELETE, 0xD3},
        {KEY_LEFTMETA, 0xDB},
        {KEY_RIGHTMETA, 0xDC},
        {KEY_COMPOSE, 0xDD},
        {KEY_POWER, 0xDE},
        {KEY_SLEEP, 0xDF},
        {KEY_WAKEUP, 0xE3},
        {KEY_SEARCH, 0xE5},
        {KEY_BOOKMARKS, 0xE6},
        {KEY_REFRESH, 0xE7},
        {KEY_STOP, 0xE8},
        {KEY_FORWARD, 0xE9},
        {KEY_BACK, 0xEA},
        {KEY_COMPUTER, 0xEB},
        {KEY_MAIL, 0xEC},
        {KEY_MEDIA, 0xED},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DikFromEvdev(c.evdev), c.dik) << "event code " << c.evdev;
    }
    // Every row with an event code is covered above or by the main block.
    size_t withEvent = 0;
    for (size_t i = 0; i < dikKeyCount; ++i) withEvent += dikKeys[i].evdev != 0;
    size_t checked = 86;  // codes 1-88 less 84 and 85
    for (const auto& c : cases) checked += c.evdev > 88 || c.evdev == KEY_ZENKAKUHANKAKU;
    EXPECT_EQ(withEvent, checked);
}
#endif

TEST(DikCodes, NamesForTheDialogs) {
    const struct {
        int dik;
        const char* name;
    } cases[] = {
        {30, "A"},
        {31, "S"},
        {44, "Z"},
        {45, "X"},
        {200, "Up Arrow"},
        {208, "Down Arrow"},
        {203, "Left Arrow"},
        {205, "Right Arrow"},
        {0x1C, "Enter"},
        {0x9C, "Num Enter"},
        {0x39, "Space"},
        {0x1D, "Left Ctrl"},
        {0x9D, "Right Ctrl"},
    };
    for (const auto& c : cases) EXPECT_STREQ(DikName(c.dik), c.name) << c.dik;
}

}  // namespace
}  // namespace morvel::test
