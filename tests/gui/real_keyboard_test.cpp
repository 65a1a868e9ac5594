// Keys pressed on a real X server reach controller 1: the key events carry
// the X server's key codes, which the program maps to its own key codes and,
// through the default key assignment, to the NES buttons. Skipped when Xvfb or
// xdotool is missing.
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

TEST_F(RealWindow, DefaultKeysDriveControllerOne) {
    // The cartridge logs every change of controller 1's buttons in its work RAM;
    // a saved state carries the log out.
    std::string rom = folder_ + "/roms/button_log.nes";
    std::filesystem::copy_file(TestRom("button_log"), rom);
    morvel_ = StartMorvel({rom});
    std::string window = WindowId();
    ASSERT_FALSE(window.empty());
    Xdotool("windowfocus --sync " + window);
    std::this_thread::sleep_for(std::chrono::milliseconds(500));

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

    std::string file = WaitForFile(folder_ + "/savestates/button_log.nes.yss", kSlotSetSize);
    ASSERT_EQ(file.size(), kSlotSetSize);
    StateSlot slot;
    std::memcpy(&slot, file.data(), sizeof slot);
    ASSERT_EQ(slot.occupied, 1u);
    const uint8_t* ram = slot.workRam.workRam;
    std::vector<int> log(ram + 0x101, ram + 0x101 + ram[0x100]);
    std::vector<int> expected{0x40, 0, 0x80, 0, 0x20, 0,    0x10, 0, 0x08, 0,    0x04, 0,
                              0x02, 0, 0x01, 0, 0x04, 0x08, 0x04, 0, 0x01, 0x02, 0x01, 0};
    EXPECT_EQ(log, expected);
}

}  // namespace
}  // namespace morvel::test
