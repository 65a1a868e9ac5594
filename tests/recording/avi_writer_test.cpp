// The AVI writer past its part limit, which a test recording never reaches:
// one RIFF 'AVI ' and several 'AVIX' parts, each indexed, read whole by ffmpeg;
// and the file as a kill leaves it in the middle of a later part.
#include "recording/avi_writer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <random>
#include <string>

#include "recording/mp3_encoder.h"
#include "recording/msvideo1_encoder.h"
#include "support/media_probe.h"
#include "support/run_headless.h"

namespace morvel::test {
namespace {

uint32_t U32(const std::string& d, size_t at) {
    uint32_t v = 0;
    if (at + 4 <= d.size()) std::memcpy(&v, d.data() + at, 4);
    return v;
}

TEST(AviWriter, LongRecordingBecomesIndexedOpenDmlParts) {
    constexpr uint64_t kLimit = 256 * 1024;
    constexpr int kFrames = 90;
    std::string dir = MakeTempDir(), path = dir + "/long.avi", cut = dir + "/cut.avi";
    AviWriter avi;
    ASSERT_TRUE(avi.Open(path.c_str(), kLimit));
    int video = avi.CreateStream(
        {{'v', 'i', 'd', 's'}, {'m', 's', 'v', 'c'}, 17, 1020, 10000, 0, 229376, {0, 0, 256, 224}});
    int sound = avi.CreateStream({{'a', 'u', 'd', 's'}, {}, 1, 16000, 0xFFFFFFFF, 1, 0, {}});
    const uint8_t videoFormat[40] = {40, 0, 0, 0, 0,  1, 0,   0,   224, 0,
                                     0,  0, 1, 0, 16, 0, 'C', 'R', 'A', 'M'};
    const uint8_t soundFormat[30] = {0x55, 0, 1, 0, 0x44, 0xAC, 0,  0, 0x80, 0x3E,
                                     0,    0, 1, 0, 0,    0,    12, 0, 1,    0,
                                     2,    0, 0, 0, 0x80, 4,    1,  0, 0x71, 5};
    ASSERT_TRUE(avi.SetFormat(video, videoFormat, sizeof videoFormat));
    ASSERT_TRUE(avi.SetFormat(sound, soundFormat, sizeof soundFormat));
    Mp3Encoder mp3;
    ASSERT_TRUE(mp3.Open(128));
    Msvideo1Encoder encoder;
    encoder.Reset(256, 224, 10000, 60);
    std::mt19937 noise(1);  // every block eight-coloured: about 64 KB a frame
    std::vector<uint32_t> picture(256 * 224);
    std::vector<uint8_t> bytes;
    int16_t silence[745] = {};
    for (int frame = 0; frame < kFrames; ++frame) {
        if (frame == kFrames - 7) std::filesystem::copy_file(path, cut);
        ASSERT_TRUE(mp3.Encode(silence, 744 + frame % 2, bytes));
        ASSERT_TRUE(avi.Write(sound, bytes.data(), bytes.size(), true));
        for (uint32_t& p : picture) p = noise() & 0xF8F8F8;
        bool key = encoder.EncodeFrame(picture.data(), 256, bytes);
        ASSERT_TRUE(avi.Write(video, bytes.data(), bytes.size(), key));
    }
    ASSERT_TRUE(mp3.Flush(bytes));
    ASSERT_TRUE(avi.Write(sound, bytes.data(), bytes.size(), true));
    ASSERT_TRUE(avi.Close());

    // The parts follow one another to the end of the file, each under the limit.
    std::string d = ReadFileText(path);
    size_t at = 0, parts = 0;
    for (; at + 12 <= d.size(); at += 8 + U32(d, at + 4), ++parts) {
        EXPECT_EQ(d.substr(at, 4) + d.substr(at + 8, 4), parts ? "RIFFAVIX" : "RIFFAVI ");
        EXPECT_LE(8 + U32(d, at + 4), kLimit);
    }
    EXPECT_EQ(at, d.size());
    EXPECT_GT(parts, 3u);
    // The video stream's super index points at a standard index in every part.
    size_t indx = d.find("indx") + 8;
    ASSERT_EQ(U32(d, indx + 4), parts);
    uint32_t framesIndexed = 0;
    for (uint32_t i = 0; i < parts; ++i) {
        size_t entry = indx + 24 + 16 * i;
        EXPECT_EQ(d.substr(U32(d, entry) | static_cast<uint64_t>(U32(d, entry + 4)) << 32, 4),
                  "ix00");
        framesIndexed += U32(d, entry + 12);
    }
    EXPECT_EQ(framesIndexed, static_cast<uint32_t>(kFrames));
    // The main header counts the first part's frames (at 16667 microseconds
    // each), as does the old index; the extended header those of the whole file.
    uint32_t firstPartFrames = U32(d, indx + 24 + 12);
    size_t avih = d.find("avih") + 8, idx1 = d.find("idx1") + 8;
    EXPECT_EQ(U32(d, avih), 16667u);
    EXPECT_EQ(U32(d, avih + 16), firstPartFrames);
    uint32_t oldIndexFrames = 0;
    for (size_t entry = idx1; entry < idx1 + U32(d, idx1 - 4); entry += 16)
        oldIndexFrames += d.substr(entry, 4) == "00dc";
    EXPECT_EQ(oldIndexFrames, firstPartFrames);
    EXPECT_EQ(U32(d, d.find("dmlh") + 8), static_cast<uint32_t>(kFrames));

    if (MediaToolsPresent()) {
        for (const auto& [file, frames] : {std::pair{path, kFrames}, std::pair{cut, kFrames - 7}}) {
            std::vector<StreamProbe> streams = ProbeStreams(file);
            ASSERT_EQ(streams.size(), 2u);
            EXPECT_EQ(streams[0].framesRead, frames) << file;
            std::string errors;
            EXPECT_TRUE(DecodesCleanly(file, errors)) << file << errors;
        }
    }
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace morvel::test
