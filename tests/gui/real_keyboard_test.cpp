// Keys pressed on a real X server reach controller 1: the key events carry
// the X server's key codes, which the program maps to its own key codes and,
// through the default key assignment, to the NES buttons; and an open menu
// holds the game. Skipped when Xvfb or xdotool is missing.
#include <chrono>
#include <cstring>
#include <filesystem>
#include <thread>
#include <vector>

#include "core/save_state.h"
#include "real_window_fixture.h"
#include "support/run_headless.h"

namespace morvel::test {
namespace {

// Waits until the file holds at least size bytes; its bytes then, or nothing.
std::string WaitForFile(const std::string& path, size_t size) {
    for (int i = 0; i < 300; ++i) {
        std::error_code error;
        if (std::filesystem::file_size(path, error) >= size && !error) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            return ReadFileText(path);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return {};
}

// The state slots of the button log cartridge, once closing it wrote them;
// empty when the file never came.
std::vector<StateSlot> SlotsWritten(const std::string& folder) {
    std::string file = WaitForFile(folder + "/savestates/button_log.nes.yss", kSlotSetSize);
    if (file.size() != kSlotSetSize) return {};
    std::vector<StateSlot> slots(kStateSlots);
    std::memcpy(slots.data(), file.data(), kSlotSetSize);
    return slots;
}

class ButtonLog : public RealWindow {
   protected:
    // Starts the button log cartridge and gives its window the focus.
    bool StartButtonLog() {
        std::string rom = folder_ + "/roms/button_log.nes";
        std::filesystem::copy_file(TestRom("button_log"), rom);
        morvel_ = StartMorvel({rom});
        std::string window = WindowId();
        if (window.empty()) return false;
        Xdotool("windowfocus --sync " + window);
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        return true;
    }
};

// The frames the cartridge had counted when the slot was saved.
int FramesIn(const StateSlot& slot) {
    return slot.workRam.workRam[0x200] | slot.workRam.workRam[0x201] << 8;
}

TEST_F(ButtonLog, DefaultKeysDriveControllerOne) {
    // The cartridge logs every change of controller 1's buttons in its work RAM;
    // a saved state carries the log out.
    ASSERT_TRUE(StartButtonLog());
    // Each key alone, held for a dozen frames: B, A, Select, Start, the arrows.
    for (const char* key : {"a", "s", "z", "x", "Up", "Down", "Left", "Right"})
        Xdotool(std::string("keydown ") + key + " sleep 0.2 keyup " + key + " sleep 0.2");
    // Opposite arrows together: Up wins over Down, Left over Right.
    Xdotool("keydown Down sleep 0.2 keydown Up sleep 0.2 keyup Up sleep 0.2 keyup Down sleep 0.2");
    Xdotool(
        "keydown Right sleep 0.2 keydown Left sleep 0.2 keyup Left sleep 0.2 keyup Right "
        "sleep 0.2");
    Xdotool("key ctrl+1");  // save state 0
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    Xdotool("key Escape");  // closing the cartridge writes its state file

    std::vector<StateSlot> slots = SlotsWritten(folder_);
    ASSERT_EQ(slots.size(), 4u);
    ASSERT_EQ(slots[0].occupied, 1u);
    const uint8_t* ram = slots[0].workRam.workRam;
    std::vector<int> log(ram + 0x101, ram + 0x101 + ram[0x100]);
    std::vector<int> expected{0x40, 0, 0x80, 0, 0x20, 0,    0x10, 0, 0x08, 0,    0x04, 0,
                              0x02, 0, 0x01, 0, 0x04, 0x08, 0x04, 0, 0x01, 0x02, 0x01, 0};
    EXPECT_EQ(log, expected);
}

// An open menu holds the game: no frames run until the menu closes, then the
// game goes on.
TEST_F(ButtonLog, OpenMenuHoldsTheGame) {
    ASSERT_TRUE(StartButtonLog());
    // Slot 1 just before the Save State menu opens, slot 0 from that menu four
    // seconds later, slot 2 two seconds after it closed.
    Xdotool("key ctrl+2 alt+e s sleep 4 key Return sleep 2 key ctrl+3 sleep 1 key Escape");
    std::vector<StateSlot> slots = SlotsWritten(folder_);
    ASSERT_EQ(slots.size(), 4u);
    for (int i = 0; i < 3; ++i) ASSERT_EQ(slots[i].occupied, 1u) << i;
    EXPECT_LE(FramesIn(slots[0]) - FramesIn(slots[1]), 3) << "frames ran behind the menu";
    EXPECT_GE(FramesIn(slots[2]) - FramesIn(slots[0]), 30) << "the game did not go on";
}

}  // namespace
}  // namespace morvel::test
