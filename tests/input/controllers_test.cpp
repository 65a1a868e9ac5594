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

// The default keys: S, A, Z, X and the arrows.
class Keyboard : public ::testing::Test {
   protected:
    void SetUp() override {
        const uint8_t defaults[8] = {31, 30, 44, 45, 200, 208, 203, 205};
        std::memcpy(keyMap, defaults, sizeof keyMap);
        ClearKeyboardState();
    }
    void TearDown() override { ClearKeyboardState(); }
};

// The default keys S, A, Z, X and the arrows; opposite arrows held together
// give the first of the pair only (a pad cannot press both).
TEST_F(Keyboard, DefaultKeysGiveTheirButtons) {
    const struct {
        std::initializer_list<int> held;
        uint8_t buttons;
    } cases[] = {
        // clang-format off
        {{}, 0x00},    {{30}, 0x02},  {{31}, 0x01},  {{44}, 0x04},  {{45}, 0x08},
        {{200}, 0x10}, {{208}, 0x20}, {{203}, 0x40}, {{205}, 0x80},
        {{200, 208}, 0x10}, {{203, 205}, 0x40}, {{200, 208, 203, 205}, 0x50},
        {{208, 205, 30, 31}, 0xA3}, {{0x1C, 0x39, 0x9C}, 0x00},  // Enter, Space: no button
        // clang-format on
    };
    for (const auto& c : cases) EXPECT_EQ(Keys(c.held), c.buttons);
}

TEST_F(Keyboard, AnyKeyCanBeAssigned) {
    std::memset(keyMap, 0, sizeof keyMap);  // code 0 is no key
    for (size_t i = 0; i < dikKeyCount; ++i) {
        keyMap[kMapStart] = dikKeys[i].dik;
        EXPECT_EQ(Keys({dikKeys[i].dik}), 0x08) << dikKeys[i].name;
        EXPECT_EQ(LowestKeyDown(), dikKeys[i].dik);
    }
    // Released keys count no more; keys bound twice give both buttons; codes
    // outside the key state are ignored.
    ClearKeyboardState();
    SetKeyDown(-1, 1);
    SetKeyDown(256, 1);
    EXPECT_EQ(LowestKeyDown(), -1);
    keyMap[kMapA] = 0x39;
    keyMap[kMapB] = 0x39;
    SetKeyDown(0x39, 1);
    EXPECT_EQ(ReadKeyboardButtons(), 0x03);
    SetKeyDown(0x39, 0);
    EXPECT_EQ(ReadKeyboardButtons(), 0x00);
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

// SDL's hat bits and signed axes to the directions: the stick counts past
// a third of its travel either way, and hat and stick add up.
TEST(JoypadState, DirectionsFromHatAndAxes) {
    const uint32_t map[4] = {1, 0, 2, 3};
    const struct {
        uint8_t hat;
        int16_t x, y;
        uint8_t buttons;
    } cases[] = {
        // clang-format off
        {0, 0, 0, 0x00},                  {kHatUp, 0, 0, 0x10},
        {kHatUp | kHatRight, 0, 0, 0x90}, {kHatRight, 0, 0, 0x80},
        {kHatRight | kHatDown, 0, 0, 0xA0}, {kHatDown, 0, 0, 0x20},
        {kHatDown | kHatLeft, 0, 0, 0x60}, {kHatLeft, 0, 0, 0x40},
        {kHatLeft | kHatUp, 0, 0, 0x50},  {kHatUp | kHatDown, 0, 0, 0x00},
        {0xF0 | kHatUp, 0, 0, 0x10},  // only the low four bits are hats
        {kHatUp | kHatRight, -22768, 0, 0xD0},
        {0, 12286, 0, 0x00},  {0, 12287, 0, 0x80},  {0, -12288, 0, 0x00}, {0, -12289, 0, 0x40},
        {0, 0, 12287, 0x20},  {0, 0, -12289, 0x10}, {0, -12288, 12286, 0x00},
        {kHatLeft | kHatUp, 32767, 32767, 0xF0},
        // clang-format on
    };
    for (const auto& c : cases) {
        RawJoystick raw = {0, nullptr, 1, c.hat, 2, c.x, c.y};
        EXPECT_EQ(JoypadButtonsFromState(JoypadStateFromRaw(raw), map), c.buttons)
            << int{c.hat} << " " << c.x << "," << c.y;
    }
    // A pad without a hat or a second axis rests there.
    RawJoystick bare = {0, nullptr, 0, kHatUp, 1, 32767, -32768};
    EXPECT_EQ(JoypadButtonsFromState(JoypadStateFromRaw(bare), map), 0x80);
}

// Buttons by number, up to 128; only bit 7 of a button's state counts.
TEST(JoypadState, ButtonsByNumber) {
    std::vector<uint8_t> held(200, 0);
    held[5] = held[127] = held[150] = 1;
    JoypadState state = JoypadStateFromRaw({200, held.data(), 0, 0, 0, 0, 0});
    state.buttons[6] = 0x7F;
    const struct {
        uint32_t map[4];
        uint8_t buttons;
    } cases[] = {
        // clang-format off
        {{1, 0, 2, 3}, 0x00}, {{5, 0, 2, 3}, 0x01}, {{0, 5, 2, 3}, 0x02}, {{0, 1, 5, 127}, 0x0C},
        {{6, 6, 6, 6}, 0x00}, {{5, 5, 5, 5}, 0x0F},
        {{128, 150, 255, 0xFFFFFFFF}, 0x00},  // numbers past the buttons never count
        // clang-format on
    };
    for (const auto& c : cases) EXPECT_EQ(JoypadButtonsFromState(state, c.map), c.buttons);
    EXPECT_EQ(LowestJoyButtonDown(state), 5);
    EXPECT_EQ(LowestJoyButtonDown(RestingJoypadState()), -1);
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

class Controllers : public Keyboard {
   protected:
    void SetUp() override {
        Keyboard::SetUp();
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
        UseKeyboardAndJoypads();
    }
    void TearDown() override {
        ReleaseJoypads();
        joypadDriver = savedDriver_;
        showErrorBox = savedReporter_;
        buttonSource = savedSource_;
        Keyboard::TearDown();
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

// Without a pad the keyboard alone is controller 1 and controller 2 is empty;
// the first pad joins the keyboard, the second is controller 2, and in play
// both use the first button set.
TEST_F(Controllers, KeyboardAndTwoPads) {
    SetKeyDown(45, 1);  // X: Start
    EXPECT_EQ(buttonSource(0), 0x08);
    for (int32_t port : {1, 2, -1}) EXPECT_EQ(buttonSource(port), 0x00) << port;
    SetKeyDown(45, 0);

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
    FakePads::state[1].buttons[7] = 0x80;  // A of the second set only
    joyButtonMap[1][0] = 7;
    EXPECT_EQ(buttonSource(0), 0x91);
    EXPECT_EQ(buttonSource(1), 0x28);
    EXPECT_TRUE(FakePads::messages.empty());
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

// A new pad takes the controller that has none; the slots run out at
// kMaxJoypads; a long name is cut; releasing twice or out of range is harmless.
TEST_F(Controllers, PluggedPadTakesTheControllerThatHasNone) {
    Plug(std::string(400, 'n').c_str());
    EXPECT_EQ(std::strlen(joypadSlots[0].name), static_cast<size_t>(kJoypadNameSize - 1));
    Plug("second");
    EXPECT_EQ(Plug("third"), 2) << "both controllers have a pad";
    ReleaseJoypad(1);
    ReleaseJoypad(1);
    ReleaseJoypad(-1);
    ReleaseJoypad(kMaxJoypads);
    EXPECT_EQ(nes2Joypad, -1);
    EXPECT_EQ(Plug("fourth"), 1) << "controller 2 had none";
    EXPECT_EQ(nes2Joypad, 1);
    EXPECT_STREQ(joypadSlots[1].name, "fourth");
    EXPECT_EQ(ReadJoypadButtons(-1), 0);
    EXPECT_EQ(ReadJoypadButtons(kMaxJoypads), 0);

    for (int i = joypadCount; i < kMaxJoypads; ++i) Plug("more");
    EXPECT_EQ(joypadCount, kMaxJoypads);
    EXPECT_EQ(AttachJoypad("one too many"), -1);
    ReleaseJoypads();
    EXPECT_EQ(joypadCount, 0);
    EXPECT_EQ(FakePads::released.size(), static_cast<size_t>(kMaxJoypads) + 1);
}

}  // namespace
}  // namespace morvel::test
