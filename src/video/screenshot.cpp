#include "video/screenshot.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <system_error>
#include <vector>

#include "core/file_name.h"
#include "core/host_os.h"
#include "core/user_files.h"

namespace morvel {

namespace {

constexpr int32_t kTopDownHeight = -static_cast<int32_t>(kScreenshotHeight);

constexpr uint8_t Byte(uint32_t value, int index) {
    return static_cast<uint8_t>(value >> (8 * index));
}

std::string screenshotsFolder;
char timeStampBuffer[64];

}  // namespace

// clang-format off
const uint8_t bmpFileHeader[14] = {
    'B', 'M',                                               // type
    Byte(kScreenshotFileSize, 0), Byte(kScreenshotFileSize, 1),
    Byte(kScreenshotFileSize, 2), Byte(kScreenshotFileSize, 3),  // file size
    0, 0,                                                   // reserved
    0, 0,                                                   // reserved
    kBmpHeadersSize, 0, 0, 0,                               // offset of the pixels
};

const uint8_t bmpInfoHeader[40] = {
    40, 0, 0, 0,                                            // header size
    Byte(kScreenshotWidth, 0), Byte(kScreenshotWidth, 1), 0, 0,  // width
    Byte(static_cast<uint32_t>(kTopDownHeight), 0), Byte(static_cast<uint32_t>(kTopDownHeight), 1),
    Byte(static_cast<uint32_t>(kTopDownHeight), 2), Byte(static_cast<uint32_t>(kTopDownHeight), 3),
                                                            // height, negative: top row first
    1, 0,                                                   // planes
    32, 0,                                                  // bits per pixel
    0, 0, 0, 0,                                             // uncompressed
    // image size, horizontal and vertical resolution, colours used and important: 0
};
// clang-format on

const char* TimeStamp(const LocalTime& t) {
    std::snprintf(timeStampBuffer, sizeof timeStampBuffer, " %02d-%02d-%02d %02d-%02d-%02d %03d",
                  t.month, t.day, t.year, t.hour, t.minute, t.second, t.millisecond);
    return timeStampBuffer;
}

LocalTime CurrentLocalTime() {
    using namespace std::chrono;
    const auto now = system_clock::now();
    const std::time_t seconds = system_clock::to_time_t(now);
    const auto millis = duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000;
    const std::tm parts = os::LocalTimeOf(seconds);
    return LocalTime{parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday,           parts.tm_hour,
                     parts.tm_min,         parts.tm_sec,     static_cast<int>(millis)};
}

const char* TimeStamp() {
    return TimeStamp(CurrentLocalTime());
}

int WriteScreenshotFile(const char* path, const uint32_t* pixels) {
    // Pixels are stored blue, green, red, 0, whatever the host's byte order.
    std::vector<uint8_t> data(kScreenshotFileSize);
    uint8_t* out = data.data();
    for (uint8_t b : bmpFileHeader) *out++ = b;
    for (uint8_t b : bmpInfoHeader) *out++ = b;
    for (uint32_t i = 0; i < kScreenshotWidth * kScreenshotHeight; ++i) {
        const uint32_t colour = pixels[i];
        *out++ = Byte(colour, 0);
        *out++ = Byte(colour, 1);
        *out++ = Byte(colour, 2);
        *out++ = 0;
    }
    // An older file of the same name is replaced only by a complete picture.
    std::string why;
    return ReplaceUserFile(path, data.data(), data.size(), why) ? 1 : 0;
}

std::string ScreenshotFileName(const char* cartridgePath, const char* stamp) {
    return FileNameOf(cartridgePath) + stamp + ".bmp";
}

void PrepareScreenshots(const char* exeDir) {
    screenshotsFolder = std::string(exeDir) + "/screenshots";
    std::error_code ignored;
    std::filesystem::create_directories(screenshotsFolder, ignored);
}

const std::string& ScreenshotsFolder() {
    return screenshotsFolder;
}

int TakeScreenshot(const uint32_t* pixels, const char* cartridgePath) {
    const std::string path =
        screenshotsFolder + "/" + ScreenshotFileName(cartridgePath, TimeStamp());
    return WriteScreenshotFile(path.c_str(), pixels);
}

}  // namespace morvel
