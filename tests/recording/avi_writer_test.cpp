// The AVI writer: the layout of the file, its OpenDML parts when it grows past
// the part limit, and files that cannot be written.
#include "recording/avi_writer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <string>

#include "busy_picture.h"
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

// A chunk of the RIFF tree: its path (ids and list types joined by '/'),
// where its data starts and its size.
struct Chunk {
    std::string path;
    size_t data;
    uint32_t size;
};

void Walk(const std::string& d, size_t begin, size_t end, const std::string& parent,
          std::vector<Chunk>& out) {
    size_t at = begin;
    while (at + 8 <= end) {
        std::string id = d.substr(at, 4);
        uint32_t size = U32(d, at + 4);
        std::string path = parent + id;
        if (id == "RIFF" || id == "LIST") {
            path += ":" + d.substr(at + 8, 4);
            out.push_back({path, at + 12, size - 4});
            Walk(d, at + 12, std::min(end, at + 8 + size), path + "/", out);
        } else {
            out.push_back({path, at + 8, size});
        }
        at += 8 + size + (size & 1);
    }
}

std::vector<Chunk> Find(const std::vector<Chunk>& all, const std::string& path) {
    std::vector<Chunk> found;
    for (const Chunk& c : all)
        if (c.path == path) found.push_back(c);
    return found;
}

AviStreamInfo VideoInfo() {
    return {{'v', 'i', 'd', 's'}, {'m', 's', 'v', 'c'}, 17, 1020, 10000, 0, 229376,
            {0, 0, 256, 224}};
}
const uint8_t kVideoFormat[40] = {40, 0, 0, 0, 0,  1, 0,   0,   224, 0,
                                  0,  0, 1, 0, 16, 0, 'C', 'R', 'A', 'M'};

AviStreamInfo SoundInfo() {
    return {{'a', 'u', 'd', 's'}, {0, 0, 0, 0}, 1, 16000, 0xFFFFFFFF, 1, 0, {0, 0, 0, 0}};
}
const uint8_t kSoundFormat[30] = {0x55, 0,  1, 0, 0x44, 0xAC, 0, 0, 0x80, 0x3E, 0, 0, 1, 0,    0,
                                  0,    12, 0, 1, 0,    2,    0, 0, 0,    0x80, 4, 1, 0, 0x71, 5};

class AviFile : public ::testing::Test {
   protected:
    void SetUp() override { dir_ = MakeTempDir(); }
    void TearDown() override { std::filesystem::remove_all(dir_); }
    std::string dir_;
};

// A short recording written in parts of at most 256 KB: one RIFF 'AVI ' and
// several 'AVIX', each indexed, read back whole by ffmpeg. The file as it is
// on disk in the middle of a later part, as a kill would leave it, plays up
// to the frame last written.
TEST_F(AviFile, LongRecordingBecomesOpenDmlParts) {
    constexpr uint64_t kLimit = 256 * 1024;
    constexpr int kFrames = 90;
    std::string path = dir_ + "/long.avi";
    AviWriter avi;
    ASSERT_TRUE(avi.Open(path.c_str(), kLimit));
    int video = avi.CreateStream(VideoInfo());
    int sound = avi.CreateStream(SoundInfo());
    ASSERT_EQ(video, 0);
    ASSERT_EQ(sound, 1);
    ASSERT_TRUE(avi.SetFormat(video, kVideoFormat, sizeof kVideoFormat));
    ASSERT_TRUE(avi.SetFormat(sound, kSoundFormat, sizeof kSoundFormat));
    Mp3Encoder mp3;
    ASSERT_TRUE(mp3.Open(128));
    Msvideo1Encoder encoder;
    encoder.Reset(256, 224, 10000, 60);
    BusyPicture busy;
    std::vector<uint32_t> picture(256 * 256);
    std::vector<uint8_t> bytes;
    int16_t samples[744];
    std::vector<uint16_t> lastShown;
    std::string cut = dir_ + "/cut.avi";
    for (int frame = 0; frame < kFrames; ++frame) {
        if (frame == kFrames - 7) std::filesystem::copy_file(path, cut);
        for (int i = 0; i < 744; ++i)
            samples[i] = static_cast<int16_t>(8000 * std::sin((frame * 744 + i) * 0.062));
        ASSERT_TRUE(mp3.Encode(samples, 744, bytes));
        ASSERT_TRUE(avi.Write(sound, bytes.data(), bytes.size(), true));
        busy.Draw(frame, picture.data());
        bool key = encoder.EncodeFrame(picture.data(), 256, bytes);
        ASSERT_TRUE(avi.Write(video, bytes.data(), bytes.size(), key));
        lastShown = encoder.Reconstruction();
    }
    ASSERT_TRUE(mp3.Flush(bytes));
    ASSERT_TRUE(avi.Write(sound, bytes.data(), bytes.size(), true));
    EXPECT_EQ(avi.Length(video), static_cast<uint32_t>(kFrames));
    ASSERT_TRUE(avi.Close());
    EXPECT_GT(avi.Parts(), 3);

    std::string d = ReadFileText(path);
    std::vector<Chunk> chunks;
    Walk(d, 0, d.size(), "", chunks);
    std::vector<Chunk> parts;
    for (const Chunk& c : chunks)
        if (c.path.find('/') == std::string::npos) parts.push_back(c);
    ASSERT_EQ(static_cast<int>(parts.size()), avi.Parts());
    EXPECT_EQ(parts[0].path, "RIFF:AVI ");
    size_t covered = 0;
    for (size_t i = 0; i < parts.size(); ++i) {
        if (i) {
            EXPECT_EQ(parts[i].path, "RIFF:AVIX");
        }
        EXPECT_LE(parts[i].size + 12, kLimit);
        covered += parts[i].size + 12;
    }
    EXPECT_EQ(covered, d.size());  // the parts follow one another to the end of the file
    // The old index holds the first part's chunks only; every part has a
    // standard index per stream, and the super indices point at them.
    std::vector<Chunk> idx1 = Find(chunks, "RIFF:AVI /idx1");
    ASSERT_EQ(idx1.size(), 1u);
    size_t firstPartChunks = Find(chunks, "RIFF:AVI /LIST:movi/00dc").size() +
                             Find(chunks, "RIFF:AVI /LIST:movi/01wb").size();
    EXPECT_EQ(idx1[0].size, 16 * firstPartChunks);
    std::vector<Chunk> indx = Find(chunks, "RIFF:AVI /LIST:hdrl/LIST:strl/indx");
    ASSERT_EQ(indx.size(), 2u);
    EXPECT_EQ(U32(d, indx[0].data + 4), static_cast<uint32_t>(avi.Parts()));
    uint32_t framesIndexed = 0;
    for (uint32_t i = 0; i < U32(d, indx[0].data + 4); ++i) {
        size_t entry = indx[0].data + 24 + 16 * i;
        uint64_t ix = U32(d, entry) | static_cast<uint64_t>(U32(d, entry + 4)) << 32;
        EXPECT_EQ(d.substr(ix, 4), "ix00");
        framesIndexed += U32(d, entry + 12);
    }
    EXPECT_EQ(framesIndexed, static_cast<uint32_t>(kFrames));
    std::vector<Chunk> dmlh = Find(chunks, "RIFF:AVI /LIST:hdrl/LIST:odml/dmlh");
    ASSERT_EQ(dmlh.size(), 1u);
    EXPECT_EQ(U32(d, dmlh[0].data), static_cast<uint32_t>(kFrames));
    std::vector<Chunk> avih = Find(chunks, "RIFF:AVI /LIST:hdrl/avih");
    ASSERT_EQ(avih.size(), 1u);
    EXPECT_EQ(U32(d, avih[0].data), 16667u);  // microseconds per frame at 1020 / 17
    EXPECT_EQ(U32(d, avih[0].data + 16), Find(chunks, "RIFF:AVI /LIST:movi/00dc").size());

    if (!MediaToolsPresent()) GTEST_SKIP() << "ffmpeg/ffprobe not installed";
    std::vector<StreamProbe> streams = ProbeStreams(path);
    ASSERT_EQ(streams.size(), 2u);
    EXPECT_EQ(streams[0].framesRead, kFrames);
    std::string errors;
    EXPECT_TRUE(DecodesCleanly(path, errors)) << errors;
    streams = ProbeStreams(cut);
    ASSERT_EQ(streams.size(), 2u);
    EXPECT_EQ(streams[0].framesRead, kFrames - 7);
    EXPECT_TRUE(DecodesCleanly(cut, errors)) << errors;
    // The last frame, from the last part, is the one the encoder made.
    std::vector<uint16_t> decoded = DecodeVideoFrame555(path, kFrames - 1);
    ASSERT_EQ(decoded.size(), 256u * 224u);
    int mismatches = 0;
    for (int y = 0; y < 224; ++y)
        for (int x = 0; x < 256; ++x)
            mismatches += (decoded[y * 256 + x] & 0x7FFF) != lastShown[(223 - y) * 256 + x];
    EXPECT_EQ(mismatches, 0);
}

TEST_F(AviFile, FileThatCannotBeCreatedIsRefused) {
    std::string notAFolder = dir_ + "/file";
    std::FILE* f = std::fopen(notAFolder.c_str(), "wb");
    ASSERT_TRUE(f);
    std::fclose(f);
    for (const std::string& path : {dir_ + "/missing/x.avi", notAFolder + "/x.avi"}) {
        AviWriter avi;
        EXPECT_FALSE(avi.Open(path.c_str())) << path;
        EXPECT_EQ(avi.CreateStream(VideoInfo()), -1);
        uint8_t byte = 0;
        EXPECT_FALSE(avi.Write(0, &byte, 1, true));
        EXPECT_FALSE(avi.Close());
        EXPECT_FALSE(std::filesystem::exists(path));
    }
}

TEST_F(AviFile, StreamsAreFixedOnceChunksAreWritten) {
    std::string path = dir_ + "/fixed.avi";
    AviWriter avi;
    ASSERT_TRUE(avi.Open(path.c_str()));
    int video = avi.CreateStream(VideoInfo());
    ASSERT_TRUE(avi.SetFormat(video, kVideoFormat, sizeof kVideoFormat));
    uint8_t odd[3] = {1, 2, 3};
    ASSERT_TRUE(avi.Write(video, odd, sizeof odd, true));
    EXPECT_EQ(avi.CreateStream(SoundInfo()), -1);
    EXPECT_FALSE(avi.SetFormat(video, kVideoFormat, sizeof kVideoFormat));
    EXPECT_FALSE(avi.Write(5, odd, 1, true));
    ASSERT_TRUE(avi.Close());
    std::string d = ReadFileText(path);
    std::vector<Chunk> chunks;
    Walk(d, 0, d.size(), "", chunks);
    std::vector<Chunk> frames = Find(chunks, "RIFF:AVI /LIST:movi/00dc");
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].size, 3u);
    EXPECT_EQ(d.substr(frames[0].data, 3), "\x01\x02\x03");
    std::vector<Chunk> strh = Find(chunks, "RIFF:AVI /LIST:hdrl/LIST:strl/strh");
    ASSERT_EQ(strh.size(), 1u);
    EXPECT_EQ(d.substr(strh[0].data, 8), "vidsmsvc");
    EXPECT_EQ(U32(d, strh[0].data + 20), 17u);    // scale
    EXPECT_EQ(U32(d, strh[0].data + 24), 1020u);  // rate
    EXPECT_EQ(U32(d, strh[0].data + 32), 1u);     // length
    EXPECT_EQ(d.size() % 2, 0u);                  // the odd chunk was padded
}

}  // namespace
}  // namespace morvel::test
