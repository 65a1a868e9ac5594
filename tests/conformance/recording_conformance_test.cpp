// Recordings of real cartridges from morvel-headless, read back by ffprobe and
// ffmpeg: the last recorded frame against the screenshot of the same frame,
// and the sound track against the machine's own samples.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/media_probe.h"
#include "support/run_headless.h"

namespace morvel::test {
namespace {

struct Recording {
    const char* cartridge;  // under ../shared/roms
    const char* quality;
    long bitRate;
    double minimumPsnr;  // last frame against the screenshot, in dB
};

class CartridgeRecording : public ::testing::TestWithParam<Recording> {};

// PSNR over 8-bit RGB of rows 9-232. The codec keeps two colours per 2 x 2
// quarter of a 4 x 4 block in 15-bit colour, so even High loses where a
// quarter holds three or four (the brick wall of nes15: about 31 dB where
// 15-bit rounding alone gives 39). The bounds sit 2 dB below what these
// pictures give.
TEST_P(CartridgeRecording, LastFrameIsTheScreenshotAndTheSoundIsTheMachines) {
    if (!SharedRomsPresent()) GTEST_SKIP() << "../shared/roms is absent";
    if (!MediaToolsPresent()) GTEST_SKIP() << "ffmpeg/ffprobe not installed";
    const Recording& r = GetParam();
    constexpr int kFrames = 240;
    std::string dir = MakeTempDir();
    std::string avi = dir + "/run.avi", bmp = dir + "/last.bmp", wav = dir + "/run.wav";
    HeadlessRun run =
        RunHeadless({"--record", avi, "--quality", r.quality, "--frames", std::to_string(kFrames),
                     "--screenshot", bmp, "--wav", wav, "--data-dir", dir, "--press", "60-65:Start",
                     SharedRom(r.cartridge)});
    ASSERT_EQ(run.exitCode, 0) << run.out << run.err;
    EXPECT_NE(run.out.find("recording: 240 frames handed off, 240 written, 0 dropped"),
              std::string::npos)
        << run.out;

    std::vector<StreamProbe> streams = ProbeStreams(avi);
    ASSERT_EQ(streams.size(), 2u);
    EXPECT_EQ(streams[0].codec, "msvideo1");
    EXPECT_EQ(streams[0].framesRead, kFrames);
    EXPECT_EQ(streams[1].codec, "mp3");
    EXPECT_EQ(streams[1].sampleRate, 44100);
    EXPECT_EQ(streams[1].channels, 1);
    EXPECT_EQ(streams[1].bitRate, r.bitRate);
    std::string errors;
    EXPECT_TRUE(DecodesCleanly(avi, errors)) << errors;

    std::vector<uint8_t> screenshot = ScreenshotRecordedPartAsRgb(bmp);
    ASSERT_FALSE(screenshot.empty());
    std::vector<uint8_t> decoded = DecodeVideoFrame(avi, kFrames - 1);
    double psnr = Psnr(decoded, screenshot);
    EXPECT_GE(psnr, r.minimumPsnr);
    // The recording shows rows 9-232: against rows 8-231 it is far worse.
    double shifted = Psnr(decoded, ScreenshotRecordedPartAsRgb(bmp, 8));
    EXPECT_LT(shifted, psnr - 6);
    // What 15-bit colour alone would cost (players widen a 5-bit level v to
    // (v << 3) | (v >> 2)), for the report.
    std::vector<uint8_t> rounded = screenshot;
    for (uint8_t& v : rounded) v = static_cast<uint8_t>((v & 0xF8) | v >> 5);
    double floor = Psnr(rounded, screenshot);

    // The track holds every frame's sound (735 samples a frame at 44100 Hz)
    // at the loudness of the machine's own samples.
    std::vector<int16_t> track = DecodeSound(avi);
    std::vector<int16_t> machine = WavSamples(wav);
    EXPECT_GE(track.size(), static_cast<size_t>(kFrames) * 735);
    double trackRms = Rms(track), machineRms = Rms(machine);
    if (machineRms > 100) {
        EXPECT_GT(trackRms, 0.6 * machineRms);
        EXPECT_LT(trackRms, 1.4 * machineRms);
    }
    std::printf(
        "%s quality %s: last frame PSNR %.1f dB (15-bit floor %.1f), sound RMS %.0f "
        "(machine %.0f), %ju bytes\n",
        r.cartridge, r.quality, psnr, floor, trackRms, machineRms,
        static_cast<uintmax_t>(std::filesystem::file_size(avi)));
    std::filesystem::remove_all(dir);
}

INSTANTIATE_TEST_SUITE_P(Cartridges, CartridgeRecording,
                         ::testing::Values(Recording{"games/nes15-NTSC.nes", "0", 64000, 26},
                                           Recording{"games/nes15-NTSC.nes", "1", 96000, 29},
                                           Recording{"games/nes15-NTSC.nes", "2", 128000, 29},
                                           Recording{"mappers/240pee-unrom.nes", "2", 128000, 39}));

}  // namespace
}  // namespace morvel::test
