// Screenshot files: a 32-bit top-down BMP of 256 x 240, the names of
// screenshots and videos, and what a failed write may leave behind.
#include "video/screenshot.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "recording/video_recorder.h"
#include "support/run_headless.h"

namespace morvel::test {
namespace {

uint32_t Le(const std::string& bytes, size_t offset, int width) {
    uint32_t value = 0;
    for (int i = width - 1; i >= 0; --i)
        value = value << 8 | static_cast<uint8_t>(bytes[offset + i]);
    return value;
}

// The BITMAPFILEHEADER and BITMAPINFOHEADER fields, then pixel (x, y) at
// 54 + (y * 256 + x) * 4 as blue, green, red, 0, the top row first.
TEST(Screenshot, FileIsATopDownBmp) {
    std::vector<uint32_t> pixels(256 * 256);
    for (uint32_t i = 0; i < pixels.size(); ++i) pixels[i] = i * 0x9E3779B9u & 0xFFFFFF;
    const std::string dir = MakeTempDir(), path = dir + "/shot.bmp";
    ASSERT_EQ(WriteScreenshotFile(path.c_str(), pixels.data()), 1);
    const std::string file = ReadFileText(path);
    ASSERT_EQ(file.size(), 54u + 256 * 240 * 4);
    const struct {
        size_t offset;
        int width;
        uint32_t value;
        const char* name;
    } fields[] = {
        {0, 2, 0x4D42, "type BM"},
        {2, 4, 245814, "file size"},
        {6, 4, 0, "reserved"},
        {10, 4, 54, "pixel offset"},
        {14, 4, 40, "header size"},
        {18, 4, 256, "width"},
        {22, 4, 0xFFFFFF10, "height -240: top row first"},
        {26, 2, 1, "planes"},
        {28, 2, 32, "bits per pixel"},
        {30, 4, 0, "no compression"},
        {34, 4, 0, "image size"},
        {38, 4, 0, "x resolution"},
        {42, 4, 0, "y resolution"},
        {46, 4, 0, "colours used"},
        {50, 4, 0, "colours important"},
    };
    for (const auto& f : fields) EXPECT_EQ(Le(file, f.offset, f.width), f.value) << f.name;
    for (uint32_t i : {0u, 255u, 256u, 100 * 256 + 17u, 240 * 256 - 1u})
        EXPECT_EQ(Le(file, 54 + 4 * i, 4), pixels[i]) << "pixel " << i;
    std::filesystem::remove_all(dir);
    EXPECT_EQ(WriteScreenshotFile("/nonexistent-folder/shot.bmp", pixels.data()), 0);
}

TEST(Screenshot, NamesAreTheCartridgeThenTheTime) {
    EXPECT_STREQ(TimeStamp(LocalTime{1999, 1, 31, 0, 0, 59, 9}), " 01-31-1999 00-00-59 009");
    const char* stamp = TimeStamp(LocalTime{2026, 12, 5, 13, 4, 7, 89});
    const struct {
        const char* cartridge;
        std::string name;
    } cases[] = {
        {"game.nes", "game.nes 12-05-2026 13-04-07 089"},
        {"/home/me/roms/game.nes", "game.nes 12-05-2026 13-04-07 089"},
        {"C:\\roms\\Some Game.nes", "Some Game.nes 12-05-2026 13-04-07 089"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ScreenshotFileName(c.cartridge, stamp), c.name + ".bmp");
        EXPECT_EQ(VideoFileName(c.cartridge, stamp), c.name + ".avi");
    }
}

}  // namespace
}  // namespace morvel::test
