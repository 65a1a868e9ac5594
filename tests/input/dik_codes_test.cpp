// Key codes as the configuration file stores them, reached from the kernel's
// key event codes, and the names the input dialogs show.
#include "input/dik_codes.h"

#include <gtest/gtest.h>
#include <linux/input-event-codes.h>

#include <set>
#include <string>

namespace morvel::test {
namespace {

// The default keys and the extended keys (scan code after $E0, plus 128), as
// a PC keyboard's scan code tables give them.
TEST(DikCodes, KeysFromTheirEventCodesWithTheirNames) {
    const struct {
        int evdev;
        int dik;
        const char* name;
    } cases[] = {
        {KEY_A, 30, "A"},
        {KEY_S, 31, "S"},
        {KEY_Z, 44, "Z"},
        {KEY_X, 45, "X"},
        {KEY_UP, 200, "Up Arrow"},
        {KEY_DOWN, 208, "Down Arrow"},
        {KEY_LEFT, 203, "Left Arrow"},
        {KEY_RIGHT, 205, "Right Arrow"},
        {KEY_ENTER, 0x1C, "Enter"},
        {KEY_KPENTER, 0x9C, "Num Enter"},
        {KEY_SPACE, 0x39, "Space"},
        {KEY_LEFTCTRL, 0x1D, "Left Ctrl"},
        {KEY_RIGHTCTRL, 0x9D, "Right Ctrl"},
        {KEY_RIGHTALT, 0xB8, nullptr},
        {KEY_KPSLASH, 0xB5, nullptr},
        {KEY_DELETE, 0xD3, nullptr},
        {KEY_F11, 0x57, nullptr},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DikFromEvdev(c.evdev), c.dik) << "event code " << c.evdev;
        if (c.name) {
            EXPECT_STREQ(DikName(c.dik), c.name) << c.dik;
        }
    }
    // The main block's codes are the scan codes, which the event codes share.
    for (int code = 1; code <= 88; ++code) {
        if (code == 84 || code == 85) continue;  // not on the main block
        EXPECT_EQ(DikFromEvdev(code), code) << code;
    }
    for (int none : {0, -5, 0x2FF}) EXPECT_EQ(DikFromEvdev(none), -1) << none;
    for (int none : {0, 0x54, 256, -1}) EXPECT_EQ(DikName(none), nullptr) << none;
}

// Every key reached from an event code comes back under its own code, and no
// two keys share a name in the dialogs.
TEST(DikCodes, EveryKeyRoundTripsUnderAName) {
    std::set<std::string> names;
    for (size_t i = 0; i < dikKeyCount; ++i) {
        const DikKey& key = dikKeys[i];
        EXPECT_EQ(DikFromEvdev(key.evdev), key.evdev ? key.dik : -1) << key.name;
        EXPECT_STREQ(DikName(key.dik), key.name);
        EXPECT_TRUE(names.insert(key.name).second) << key.name << " twice";
    }
}

}  // namespace
}  // namespace morvel::test
