// From held keys and game pad states to the two NES button bytes.
#include "input/controllers.h"

#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

#include "core/host.h"
#include "input/button_source.h"
#include "input/dik_codes.h"
#include "input/joypad.h"
#include "input/keyboard.h"

#if __has_include(<SDL2/SDL_joystick.h>)
#include <SDL2/SDL_joystick.h>
static_assert(morvel::kHatUp == SDL_HAT_UP && morvel::kHatRight == SDL_HAT_RIGHT &&
              morvel::kHatDown == SDL_HAT_DOWN && morvel::kHatLeft == SDL_HAT_LEFT);
#endif

namespace morvel::test {
namespace {

uint8_t Keys(std::initializer_list<int> held) {
    ClearKeyboardState();
    for (int dik : held) SetKeyDown(dik, 1);
    return ReadKeyboardButtons();
}

class Keyboard : public ::testing::Test {
   protected:
    void SetUp() override {
        const uint8_t defaults[8] = {31, 30, 44, 45, 200, 208, 203, 205};
        std::memcpy(keyMap, defaults, sizeof keyMap);
        ClearKeyboardState();
    }
    void TearDown() override { ClearKeyboardState(); }
};

TEST_F(Keyboard, DefaultKeysGiveTheirButtons) {
    const struct {
        std::initializer_list<int> held;
        uint8_t buttons;
    } cases[] = {
        {{}, 0x00},
        {{30}, 0x02},                  // A key: B
        {{31}, 0x01},                  // S key: A
        {{44}, 0x04},                  // Z key: Select
        {{45}, 0x08},                  // X key: Start
        {{200}, 0x10},                 // up arrow
        {{208}, 0x20},                 // down arrow
        {{203}, 0x40},                 // left arrow
        {{205}, 0x80},                 // right arrow
        {{200, 208}, 0x10},            // up beats down
        {{203, 205}, 0x40},            // left beats right
        {{200, 208, 203, 205}, 0x50},  // all four arrows: up and left
        {{208, 205, 30, 31}, 0xA3},
        {{0x1C, 0x39, 0x9C}, 0x00},  // keys with no button
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Keys(c.held), c.buttons);
    }
}

TEST_F(Keyboard, AnyKeyCanBeAssigned) {
    std::memset(keyMap, 0, sizeof keyMap);  // code 0 is no key
    for (size_t i = 0; i < dikKeyCount; ++i) {
        keyMap[kMapStart] = dikKeys[i].dik;
        EXPECT_EQ(Keys({dikKeys[i].dik}), 0x08) << dikKeys[i].name;
        EXPECT_EQ(LowestKeyDown(), dikKeys[i].dik);
    }
    // Released keys count no more; keys bound twice give both buttons.
    ClearKeyboardState();
    keyMap[kMapA] = 0x39;
    keyMap[kMapB] = 0x39;
    SetKeyDown(0x39, 1);
    EXPECT_EQ(ReadKeyboardButtons(), 0x03);
    SetKeyDown(0x39, 0);
    EXPECT_EQ(ReadKeyboardButtons(), 0x00);
}

TEST_F(Keyboard, OutOfRangeCodesAreIgnored) {
    SetKeyDown(-1, 1);
    SetKeyDown(256, 1);
    EXPECT_EQ(LowestKeyDown(), -1);
    SetKeyDown(255, 1);
    EXPECT_EQ(LowestKeyDown(), 255);
}

TEST_F(Keyboard, SwitchKeys) {
    const struct {
        std::initializer_list<int> held;
        int32_t down;
    } cases[] = {
        {{0x38, 0x0F}, 1},  // left Alt and Tab
        {{0x1D, 0x01}, 1},  // left Ctrl and Escape
        {{0xB8, 0x0F}, 0},  // right Alt does not count
        {{0x9D, 0x01}, 0},  // nor right Ctrl
        {{0x38}, 0},       {{0x01}, 0}, {{0x38, 0x01}, 0},
    };
    for (const auto& c : cases) {
        Keys(c.held);
        EXPECT_EQ(SwitchKeysDown(), c.down);
    }
}

JoypadState Pad(uint32_t pov, int32_t x = kAxisCentre, int32_t y = kAxisCentre) {
    JoypadState state = RestingJoypadState();
    state.pov = pov;
    state.x = x;
    state.y = y;
    return state;
}

TEST(JoypadState, DirectionsFromHatAndAxes) {
    const uint32_t map[4] = {1, 0, 2, 3};
    const struct {
        const char* what;
        JoypadState state;
        uint8_t buttons;
    } cases[] = {
        {"resting", Pad(kPovCentred), 0x00},
        {"hat up", Pad(0), 0x10},
        {"hat up-right", Pad(4500), 0x90},
        {"hat right", Pad(9000), 0x80},
        {"hat right-down", Pad(13500), 0xA0},
        {"hat down", Pad(18000), 0x20},
        {"hat down-left", Pad(22500), 0x60},
        {"hat left", Pad(27000), 0x40},
        {"hat left-up", Pad(31500), 0x50},
        {"hat between the eight", Pad(100), 0x00},
        {"hat past a full turn", Pad(36000), 0x00},
        {"hat up-right, stick left", Pad(4500, 10000), 0xD0},
        {"x 45054", Pad(kPovCentred, 45054), 0x00},
        {"x 45055", Pad(kPovCentred, 45055), 0x80},
        {"x 20480", Pad(kPovCentred, 20480), 0x00},
        {"x 20479", Pad(kPovCentred, 20479), 0x40},
        {"y 45055", Pad(kPovCentred, kAxisCentre, 45055), 0x20},
        {"y 20479", Pad(kPovCentred, kAxisCentre, 20479), 0x10},
        {"y 45054 / 20480", Pad(kPovCentred, 20480, 45054), 0x00},
        {"stick down-right, hat up-left", Pad(31500, 65535, 65535), 0xF0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(JoypadButtonsFromState(c.state, map), c.buttons) << c.what;
}

TEST(JoypadState, ButtonsByNumber) {
    JoypadState state = RestingJoypadState();
    state.buttons[5] = 0x80;
    state.buttons[127] = 0x80;
    state.buttons[6] = 0x7F;  // only bit 7 counts
    const struct {
        uint32_t map[4];
        uint8_t buttons;
    } cases[] = {
        {{1, 0, 2, 3}, 0x00},
        {{5, 0, 2, 3}, 0x01},
        {{0, 5, 2, 3}, 0x02},
        {{0, 1, 5, 127}, 0x0C},
        {{6, 6, 6, 6}, 0x00},
        {{5, 5, 5, 5}, 0x0F},
        {{128, 200, 255, 0xFFFFFFFF}, 0x00},  // numbers past the buttons never count
    };
    for (const auto& c : cases) EXPECT_EQ(JoypadButtonsFromState(state, c.map), c.buttons);
    EXPECT_EQ(LowestJoyButtonDown(state), 5);
    EXPECT_EQ(LowestJoyButtonDown(RestingJoypadState()), -1);
}

TEST(JoypadConversion, HatBitsToAngles) {
    // The angle of a hat pushed dx right and dy up, by compass.
    auto expected = [](int dx, int dy) -> uint32_t {
        if (dx == 0 && dy == 0) return kPovCentred;
        const uint32_t byDirection[3][3] = {
            {31500, 27000, 22500},  // dx -1: dy +1, 0, -1
            {0, kPovCentred, 18000},
            {4500, 9000, 13500},
        };
        return byDirection[dx + 1][1 - dy];
    };
    for (int bits = 0; bits < 16; ++bits) {
        int dx = ((bits & kHatRight) ? 1 : 0) - ((bits & kHatLeft) ? 1 : 0);
        int dy = ((bits & kHatUp) ? 1 : 0) - ((bits & kHatDown) ? 1 : 0);
        EXPECT_EQ(PovFromHatBits(static_cast<uint8_t>(bits)), expected(dx, dy)) << "bits " << bits;
    }
    EXPECT_EQ(PovFromHatBits(0xF3), PovFromHatBits(0x03)) << "only the low four bits are hats";
}

TEST(JoypadConversion, AxesToTheDirectInputRange) {
    EXPECT_EQ(AxisFromSigned(-32768), 0);
    EXPECT_EQ(AxisFromSigned(0), 32768);
    EXPECT_EQ(AxisFromSigned(32767), 65535);
    // The thresholds in SDL's terms.
    EXPECT_EQ(AxisFromSigned(12286), 45054);
    EXPECT_EQ(AxisFromSigned(12287), 45055);
    EXPECT_EQ(AxisFromSigned(-12288), 20480);
    EXPECT_EQ(AxisFromSigned(-12289), 20479);
}

TEST(JoypadConversion, RawJoystickState) {
    std::vector<uint8_t> buttons(200, 0);
    buttons[3] = 1;
    buttons[127] = 1;
    buttons[150] = 1;
    RawJoystick raw = {200, buttons.data(), 2, kHatDown | kHatLeft, 4, -32768, 32767};
    JoypadState state = JoypadStateFromRaw(raw);
    EXPECT_EQ(state.buttons[3], 0x80);
    EXPECT_EQ(state.buttons[127], 0x80);
    int held = 0;
    for (uint8_t b : state.buttons) held += b != 0;
    EXPECT_EQ(held, 2) << "button 150 lies past the 128 buttons";
    EXPECT_EQ(state.pov, 22500u);
    EXPECT_EQ(state.x, 0);
    EXPECT_EQ(state.y, 65535);

    RawJoystick bare = {0, nullptr, 0, kHatUp, 1, 32767, -32768};
    state = JoypadStateFromRaw(bare);
    EXPECT_EQ(state.pov, kPovCentred) << "no hat";
    EXPECT_EQ(state.x, 65535);
    EXPECT_EQ(state.y, kAxisCentre) << "no second axis";
    EXPECT_EQ(LowestJoyButtonDown(state), -1);
}

// A game-pad layer without hardware: each slot has a state and can be
// unplugged.
struct FakePads {
    static inline JoypadState state[kMaxJoypads];
    static inline bool plugged[kMaxJoypads];
    static inline std::vector<int32_t> released;
    static inline std::vector<std::string> messages;

    static int32_t Read(int32_t slot, JoypadState* out) {
        if (!plugged[slot]) return 0;
        *out = state[slot];
        return 1;
    }
    static void Release(int32_t slot) { released.push_back(slot); }
    static void Message(const char* text) { messages.emplace_back(text); }
};

class Controllers : public ::testing::Test {
   protected:
    void SetUp() override {
        savedDriver_ = joypadDriver;
        savedReporter_ = showErrorBox;
        savedSource_ = buttonSource;
        joypadDriver = {FakePads::Read, FakePads::Release};
        showErrorBox = FakePads::Message;
        ReleaseJoypads();
        for (int i = 0; i < kMaxJoypads; ++i) {
            FakePads::state[i] = RestingJoypadState();
            FakePads::plugged[i] = false;
        }
        FakePads::released.clear();
        FakePads::messages.clear();
        nes1Joypad = nes2Joypad = -1;
        const uint32_t buttons[2][4] = {{1, 0, 2, 3}, {1, 0, 2, 3}};
        std::memcpy(joyButtonMap, buttons, sizeof joyButtonMap);
        const uint8_t keys[8] = {31, 30, 44, 45, 200, 208, 203, 205};
        std::memcpy(keyMap, keys, sizeof keyMap);
        ClearKeyboardState();
        UseKeyboardAndJoypads();
    }
    void TearDown() override {
        ReleaseJoypads();
        joypadDriver = savedDriver_;
        showErrorBox = savedReporter_;
        buttonSource = savedSource_;
        ClearKeyboardState();
    }

    int32_t Plug(const char* name) {
        int32_t slot = AttachJoypad(name);
        if (slot >= 0) FakePads::plugged[slot] = true;
        return slot;
    }

    JoypadDriver savedDriver_;
    ErrorReporter savedReporter_;
    ButtonSource savedSource_;
};

TEST_F(Controllers, NoPadMeansKeyboardAloneAndAnEmptySecondController) {
    SetKeyDown(45, 1);  // X: Start
    EXPECT_EQ(buttonSource(0), 0x08);
    EXPECT_EQ(buttonSource(1), 0x00);
    EXPECT_EQ(buttonSource(2), 0x00);
    EXPECT_EQ(buttonSource(-1), 0x00);
    EXPECT_TRUE(FakePads::messages.empty());
}

TEST_F(Controllers, FirstPadJoinsTheKeyboardSecondPadIsControllerTwo) {
    EXPECT_EQ(Plug("first"), 0);
    EXPECT_EQ(Plug("second"), 1);
    EXPECT_EQ(joypadCount, 2);
    EXPECT_EQ(nes1Joypad, 0);
    EXPECT_EQ(nes2Joypad, 1);
    EXPECT_STREQ(joypadSlots[1].name, "second");

    SetKeyDown(200, 1);                    // up arrow
    FakePads::state[0].buttons[1] = 0x80;  // A on pad 1
    FakePads::state[0].x = 65535;          // right on pad 1
    FakePads::state[1].pov = 18000;        // down on pad 2
    FakePads::state[1].buttons[3] = 0x80;  // Start on pad 2
    EXPECT_EQ(buttonSource(0), 0x91);
    EXPECT_EQ(buttonSource(1), 0x28);
}

TEST_F(Controllers, OnlyTheFirstButtonSetCountsInPlay) {
    Plug("pad");
    joyButtonMap[1][0] = 7;  // the second set names button 7 for A
    FakePads::state[0].buttons[7] = 0x80;
    EXPECT_EQ(buttonSource(0), 0x00);
    FakePads::state[0].buttons[1] = 0x80;
    EXPECT_EQ(buttonSource(0), 0x01);
}

TEST_F(Controllers, UnpluggedPadIsReportedOnceAndDropped) {
    Plug("first");
    Plug("second");
    FakePads::state[0].buttons[0] = 0x80;  // B
    SetKeyDown(31, 1);                     // S: A
    EXPECT_EQ(buttonSource(0), 0x03);

    FakePads::plugged[0] = false;
    EXPECT_EQ(buttonSource(0), 0x01) << "the keyboard still counts";
    ASSERT_EQ(FakePads::messages.size(), 1u);
    EXPECT_EQ(FakePads::messages[0], "Cannot Acquire Joypad. Device disconnected?");
    EXPECT_EQ(FakePads::released, std::vector<int32_t>{0});
    EXPECT_EQ(joypadSlots[0].filled, 0);
    EXPECT_EQ(joypadCount, 1);
    EXPECT_EQ(nes1Joypad, -1);

    EXPECT_EQ(buttonSource(0), 0x01);
    EXPECT_EQ(FakePads::messages.size(), 1u) << "reported again";

    // A pad plugged in now becomes controller 1 again; controller 2 keeps its own.
    FakePads::state[0] = RestingJoypadState();
    EXPECT_EQ(Plug("third"), 0);
    EXPECT_EQ(nes1Joypad, 0);
    FakePads::state[0].buttons[3] = 0x80;
    EXPECT_EQ(buttonSource(0), 0x09);
    FakePads::state[1].buttons[2] = 0x80;
    EXPECT_EQ(buttonSource(1), 0x04);
}

TEST_F(Controllers, PluggedPadTakesTheControllerThatHasNone) {
    Plug("first");
    Plug("second");
    EXPECT_EQ(Plug("third"), 2) << "both controllers have a pad";
    ReleaseJoypad(1);
    EXPECT_EQ(nes2Joypad, -1);
    EXPECT_EQ(Plug("fourth"), 1) << "controller 2 had none";
    EXPECT_EQ(nes2Joypad, 1);
    EXPECT_STREQ(joypadSlots[1].name, "fourth");

    for (int i = joypadCount; i < kMaxJoypads; ++i) Plug("more");
    EXPECT_EQ(joypadCount, kMaxJoypads);
    EXPECT_EQ(AttachJoypad("one too many"), -1);
    ReleaseJoypads();
    EXPECT_EQ(joypadCount, 0);
    EXPECT_EQ(FakePads::released.size(), static_cast<size_t>(kMaxJoypads) + 1);
}

TEST_F(Controllers, LongPadNamesAreCut) {
    const std::string name(400, 'n');
    ASSERT_EQ(Plug(name.c_str()), 0);
    EXPECT_EQ(std::strlen(joypadSlots[0].name), static_cast<size_t>(kJoypadNameSize - 1));
    ReleaseJoypad(0);
    ReleaseJoypad(0);  // twice is harmless
    ReleaseJoypad(-1);
    ReleaseJoypad(kMaxJoypads);
    EXPECT_EQ(ReadJoypadButtons(-1), 0);
    EXPECT_EQ(ReadJoypadButtons(kMaxJoypads), 0);
}

}  // namespace
}  // namespace morvel::test
