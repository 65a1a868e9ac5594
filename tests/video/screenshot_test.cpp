// Screenshot files: headers, size, pixel order and names.
#include "video/screenshot.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "support/run_headless.h"

namespace morvel::test {
namespace {

uint32_t Le32(const std::string& bytes, size_t offset) {
    uint32_t value = 0;
    for (int i = 3; i >= 0; --i) value = (value << 8) | static_cast<uint8_t>(bytes[offset + i]);
    return value;
}
uint32_t Le16(const std::string& bytes, size_t offset) {
    return static_cast<uint8_t>(bytes[offset]) | (static_cast<uint8_t>(bytes[offset + 1]) << 8);
}

TEST(Screenshot, FileHasTheHeadersAndTheRowsTopFirst) {
    std::vector<uint32_t> pixels(256 * 256);
    for (uint32_t y = 0; y < 256; ++y)
        for (uint32_t x = 0; x < 256; ++x)
            pixels[y * 256 + x] = (x << 16) | (y << 8) | ((x ^ y) & 0xFF);
    const std::string dir = MakeTempDir();
    const std::string path = dir + "/shot.bmp";
    ASSERT_EQ(WriteScreenshotFile(path.c_str(), pixels.data()), 1);
    const std::string file = ReadFileText(path);
    ASSERT_EQ(file.size(), 245814u);

    struct Field {
        size_t offset;
        int width;
        uint32_t value;
        const char* name;
    };
    const Field fields[] = {
        {0, 2, 0x4D42, "type BM"},   {2, 4, 245814, "file size"},
        {6, 2, 0, "reserved"},       {8, 2, 0, "reserved"},
        {10, 4, 54, "pixel offset"}, {14, 4, 40, "header size"},
        {18, 4, 256, "width"},       {22, 4, 0xFFFFFF10, "height -240"},
        {26, 2, 1, "planes"},        {28, 2, 32, "bits per pixel"},
        {30, 4, 0, "compression"},   {34, 4, 0, "image size"},
        {38, 4, 0, "x resolution"},  {42, 4, 0, "y resolution"},
        {46, 4, 0, "colours used"},  {50, 4, 0, "colours important"},
    };
    for (const Field& f : fields)
        EXPECT_EQ(f.width == 2 ? Le16(file, f.offset) : Le32(file, f.offset), f.value) << f.name;

    // Pixel (x, y) is at 54 + (y * 256 + x) * 4 as blue, green, red, 0.
    const uint32_t probes[][2] = {{0, 0}, {255, 0}, {0, 1}, {17, 100}, {255, 239}};
    for (const auto& probe : probes) {
        const size_t at = 54 + (probe[1] * 256 + probe[0]) * 4;
        const uint32_t colour = pixels[probe[1] * 256 + probe[0]];
        EXPECT_EQ(static_cast<uint8_t>(file[at]), colour & 0xFF);
        EXPECT_EQ(static_cast<uint8_t>(file[at + 1]), (colour >> 8) & 0xFF);
        EXPECT_EQ(static_cast<uint8_t>(file[at + 2]), (colour >> 16) & 0xFF);
        EXPECT_EQ(static_cast<uint8_t>(file[at + 3]), 0);
    }
    std::filesystem::remove_all(dir);
}

TEST(Screenshot, UnwritablePathFailsAndLeavesNoFile) {
    std::vector<uint32_t> pixels(256 * 256);
    EXPECT_EQ(WriteScreenshotFile("/nonexistent-folder/shot.bmp", pixels.data()), 0);
    EXPECT_FALSE(std::filesystem::exists("/nonexistent-folder/shot.bmp"));
}

TEST(Screenshot, NamesFollowTheCartridgeAndTheTime) {
    const LocalTime time{2026, 12, 5, 13, 4, 7, 89};
    EXPECT_STREQ(TimeStamp(time), " 12-05-2026 13-04-07 089");
    struct Case {
        const char* cartridge;
        const char* expected;
    };
    const Case cases[] = {
        {"game.nes", "game.nes 12-05-2026 13-04-07 089.bmp"},
        {"/home/me/roms/game.nes", "game.nes 12-05-2026 13-04-07 089.bmp"},
        {"C:\\roms\\Some Game.nes", "Some Game.nes 12-05-2026 13-04-07 089.bmp"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ScreenshotFileName(c.cartridge, TimeStamp(time)), c.expected) << c.cartridge;
    EXPECT_STREQ(TimeStamp(LocalTime{1999, 1, 31, 0, 0, 59, 999}), " 01-31-1999 00-00-59 999");
}

TEST(Screenshot, TakeScreenshotWritesIntoTheScreenshotsFolder) {
    const std::string dir = MakeTempDir();
    PrepareScreenshots(dir.c_str());
    ASSERT_TRUE(std::filesystem::is_directory(dir + "/screenshots"));
    std::vector<uint32_t> pixels(256 * 256, 0x123456);
    ASSERT_EQ(TakeScreenshot(pixels.data(), "/some/where/game.nes"), 1);
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir + "/screenshots")) {
        ++files;
        const std::string name = entry.path().filename().string();
        EXPECT_EQ(name.rfind("game.nes ", 0), 0u) << name;
        EXPECT_EQ(name.size(), std::string("game.nes 12-05-2026 13-04-07 089.bmp").size()) << name;
        EXPECT_EQ(entry.file_size(), 245814u);
    }
    EXPECT_EQ(files, 1);
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace morvel::test
