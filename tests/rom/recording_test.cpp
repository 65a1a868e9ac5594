// morvel-headless --record, read back by ffprobe and ffmpeg: the one test that
// a recording plays. The same run writes a screenshot of its last frame and
// the machine's samples as a WAV file, which the recording must show and play.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "support/media_probe.h"
#include "support/run_headless.h"

namespace morvel::test {
namespace {

// Every frame is in the file, 256 x 224 at 60 per second with the quality's
// bit rate; the last frame is the screenshot's rows 9-232 within the codec's
// loss (two colours per 2 x 2 quarter of a block costs these pictures of
// four-colour tiles about 19-20 dB at any quality; one row off gives 6-8 dB);
// the sound track holds every frame's sound (735 samples a frame at 44100 Hz,
// the encoder's last frames included) at the loudness of the machine's.
TEST(HeadlessRecording, PlaysTheFramesPictureAndSoundOfTheRun) {
    if (!MediaToolsPresent()) GTEST_SKIP() << "ffmpeg/ffprobe not installed";
    struct Case {
        const char* cartridge;
        const char* quality;
        int frames;
        long bitRate;
        double minimumPsnr;  // last frame against the screenshot, in dB
    };
    const Case cases[] = {
        {"ppu_picture", "0", 30, 64000, 16},
        {"ppu_busy", "1", 30, 96000, 18},
        {"apu_tones", "2", 25, 128000, 40},  // a blank picture; ends in the middle of a tone
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.cartridge);
        std::string dir = MakeTempDir();
        std::string avi = dir + "/game.nes 01-02-2026 03-04-05 006.avi", bmp = dir + "/last.bmp",
                    wav = dir + "/run.wav", frames = std::to_string(c.frames);
        HeadlessRun run = RunHeadless({"--record", avi, "--quality", c.quality, "--frames", frames,
                                       "--screenshot", bmp, "--wav", wav, TestRom(c.cartridge)});
        ASSERT_EQ(run.exitCode, 0) << run.out << run.err;
        EXPECT_NE(run.out.find("recording: " + frames + " frames handed off, " + frames +
                               " written, 0 dropped"),
                  std::string::npos)
            << run.out;
        ExpectPlayableRecording(avi, c.frames, c.frames, c.bitRate);
        std::vector<uint8_t> shot = ScreenshotRecordedPartAsRgb(bmp);
        std::vector<uint8_t> decoded = DecodeVideoFrame(avi, c.frames - 1);
        double psnr = Psnr(decoded, shot);
        EXPECT_GE(psnr, c.minimumPsnr);
        std::vector<uint8_t> rowAbove = ScreenshotRecordedPartAsRgb(bmp, 8);
        if (Psnr(shot, rowAbove) < 1000) {
            EXPECT_LT(Psnr(decoded, rowAbove), psnr - 6);
        }

        std::vector<int16_t> track = DecodeSound(avi);
        double trackRms = Rms(track), machineRms = Rms(WavSamples(wav));
        EXPECT_GE(track.size(), static_cast<size_t>(c.frames) * 735);
        // The sound chunks hold the bit rate the header claims.
        std::string file = ReadFileText(avi);
        size_t soundBytes = 0;
        for (size_t at = file.find("movi") + 4, size = 0;
             at + 8 <= file.size() && file.compare(at, 4, "idx1") != 0; at += 8 + size + size % 2) {
            uint32_t chunkSize = 0;
            std::memcpy(&chunkSize, file.data() + at + 4, 4);
            size = chunkSize;
            if (file.compare(at, 4, "01wb") == 0) soundBytes += size;
        }
        EXPECT_NEAR(soundBytes * 8 * 44100.0 / static_cast<double>(track.size()), c.bitRate,
                    c.bitRate / 20);
        if (machineRms > 100) {
            EXPECT_GT(trackRms, 0.6 * machineRms);
            EXPECT_LT(trackRms, 1.4 * machineRms);
        }
        std::printf("%s: last frame PSNR %.1f dB, sound RMS %.0f (machine %.0f)\n", c.cartridge,
                    psnr, trackRms, machineRms);
        std::filesystem::remove_all(dir);
    }
}

// A recording that fails leaves an older file of its name byte for byte, and
// a file of its own only when that holds whole frames; the run says so on
// stderr and in its exit status. A limit on file sizes stands in for a full disk.
TEST(HeadlessRecording, FailureKeepsTheOlderFileAndLeavesNothingEmpty) {
    struct Case {
        const char* name;
        mode_t older;  // the older file's permissions, 0 for none
        rlim_t sizeLimit;
        const char* message;
        bool newFileKept;
    };
    const Case cases[] = {
        {"missing/x.avi", 0, RLIM_INFINITY, "cannot record to", false},
        {"x.avi", 0444, RLIM_INFINITY, "cannot record to", false},
        {"x.avi", 0644, 32 * 1024, "could not be written", false},
        {"x.avi", 0, 4 * 1024, "could not be written", false},  // less than the header
        {"x.avi", 0, 32 * 1024, "could not be written", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " " + std::to_string(c.sizeLimit));
        std::string dir = MakeTempDir();
        std::string path = dir + "/" + c.name;
        if (c.older) {
            std::ofstream(path) << "older";
            chmod(path.c_str(), c.older);
        }
        rlimit old;
        getrlimit(RLIMIT_FSIZE, &old);
        rlimit limit = {c.sizeLimit, old.rlim_max};
        setrlimit(RLIMIT_FSIZE, &limit);
        std::signal(SIGXFSZ, SIG_IGN);  // writes past the limit fail instead
        HeadlessRun run = RunHeadless({"--record", path, "--frames", "300", TestRom("nrom_board")});
        setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, SIG_DFL);
        EXPECT_EQ(run.exitCode, 1) << run.out << run.err;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
        auto files = std::distance(std::filesystem::directory_iterator(dir), {});
        EXPECT_EQ(files, c.older || c.newFileKept ? 1 : 0);
        EXPECT_TRUE(!c.older || ReadFileText(path) == "older");
        if (c.newFileKept && MediaToolsPresent()) ExpectPlayableRecording(path, 1, 299, 64000);
        std::filesystem::remove_all(dir);
    }
}

TEST(HeadlessRecording, QualityOutsideTheMenuIsRefused) {
    for (const char* bad : {"3", "-1", "high"}) {
        HeadlessRun run =
            RunHeadless({"--record", "/tmp/never.avi", "--quality", bad, TestRom("nrom_board")});
        EXPECT_EQ(run.exitCode, 2) << bad;
        EXPECT_NE(run.err.find("bad value for --quality"), std::string::npos) << run.err;
    }
}

}  // namespace
}  // namespace morvel::test
