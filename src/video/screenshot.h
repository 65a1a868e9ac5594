// Screenshots: the picture as a 32-bit top-down BMP file named after the
// cartridge and the local time.
#pragma once

#include <cstdint>
#include <string>

namespace morvel {

constexpr uint32_t kScreenshotWidth = 256;
constexpr uint32_t kScreenshotHeight = 240;
constexpr uint32_t kBmpHeadersSize = 14 + 40;
constexpr uint32_t kScreenshotPixelBytes = kScreenshotWidth * kScreenshotHeight * 4;
constexpr uint32_t kScreenshotFileSize = kBmpHeadersSize + kScreenshotPixelBytes;  // 245814

// The two headers written unchanged at the head of every screenshot.
extern const uint8_t bmpFileHeader[14];
extern const uint8_t bmpInfoHeader[40];

// A moment of local time, broken down as the file names show it.
struct LocalTime {
    int year;
    int month;  // 1-12
    int day;    // 1-31
    int hour;   // 0-23
    int minute;
    int second;
    int millisecond;
};

// " MM-DD-YYYY hh-mm-ss mmm" for the given time, in one process-wide buffer
// that the next call overwrites.
const char* TimeStamp(const LocalTime& time);
// The same for the local clock now.
const char* TimeStamp();
LocalTime CurrentLocalTime();

// Writes the 240 rows of a FrameBuffer (rows of 256 pixels, 0x00RRGGBB) as a
// screenshot file. Returns 1 on success; on failure returns 0 and leaves no file.
int WriteScreenshotFile(const char* path, const uint32_t* pixels);

// The file name of a screenshot: the cartridge's file name (without its
// folder, with its extension), the stamp and ".bmp".
std::string ScreenshotFileName(const char* cartridgePath, const char* stamp);

// Start-up: remembers "<exeDir>/screenshots" and creates the folder.
void PrepareScreenshots(const char* exeDir);
const std::string& ScreenshotsFolder();

// Writes pixels to a new screenshot of the cartridge in the screenshots
// folder, named with the current time. Returns 1 on success, 0 on failure.
int TakeScreenshot(const uint32_t* pixels, const char* cartridgePath);

}  // namespace morvel
