#include "support/media_probe.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "support/run_headless.h"

namespace morvel::test {

namespace {

// Runs a shell command and returns its standard output (binary safe).
std::string Capture(const std::string& command, int* status = nullptr) {
    std::string out;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return out;
    char buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
    int rc = pclose(pipe);
    if (status) *status = rc;
    return out;
}

std::vector<int16_t> Samples(const std::string& raw, size_t from = 0) {
    std::vector<int16_t> samples(raw.size() < from ? 0 : (raw.size() - from) / 2);
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<int16_t>(static_cast<uint8_t>(raw[from + 2 * i]) |
                                          static_cast<uint8_t>(raw[from + 2 * i + 1]) << 8);
    return samples;
}

}  // namespace

bool MediaToolsPresent() {
    return std::system("command -v ffprobe >/dev/null 2>&1 && command -v ffmpeg >/dev/null 2>&1") ==
           0;
}

void ExpectPlayableRecording(const std::string& path, long minFrames, long maxFrames,
                             long bitRate) {
    SCOPED_TRACE(path);
    std::vector<StreamProbe> streams = ProbeStreams(path);
    ASSERT_EQ(streams.size(), 2u);
    EXPECT_EQ(streams[0].type, "video");
    EXPECT_EQ(streams[0].codec, "msvideo1");
    EXPECT_EQ(streams[0].width, 256);
    EXPECT_EQ(streams[0].height, 224);
    EXPECT_EQ(streams[0].frameRate, "60/1");
    EXPECT_GE(streams[0].framesRead, minFrames);
    EXPECT_LE(streams[0].framesRead, maxFrames);
    EXPECT_EQ(streams[1].type, "audio");
    EXPECT_EQ(streams[1].codec, "mp3");
    EXPECT_EQ(streams[1].sampleRate, 44100);
    EXPECT_EQ(streams[1].channels, 1);
    EXPECT_EQ(streams[1].bitRate, bitRate);
    std::string errors;
    EXPECT_TRUE(DecodesCleanly(path, errors)) << errors;
}

std::vector<StreamProbe> ProbeStreams(const std::string& path) {
    std::string text = Capture(
        "ffprobe -v error -count_frames -show_entries "
        "stream=codec_type,codec_name,width,height,r_frame_rate,sample_rate,channels,bit_rate,"
        "nb_read_frames -of default " +
        ShellQuote(path) + " 2>/dev/null");
    std::vector<StreamProbe> streams;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        if (line == "[STREAM]") streams.emplace_back();
        size_t eq = line.find('=');
        if (streams.empty() || eq == std::string::npos) continue;
        std::string key = line.substr(0, eq), value = line.substr(eq + 1);
        StreamProbe& s = streams.back();
        long number = std::atol(value.c_str());
        if (key == "codec_type") s.type = value;
        if (key == "codec_name") s.codec = value;
        if (key == "width") s.width = static_cast<int>(number);
        if (key == "height") s.height = static_cast<int>(number);
        if (key == "r_frame_rate") s.frameRate = value;
        if (key == "sample_rate") s.sampleRate = static_cast<int>(number);
        if (key == "channels") s.channels = static_cast<int>(number);
        if (key == "bit_rate") s.bitRate = number;
        if (key == "nb_read_frames") s.framesRead = number;
    }
    return streams;
}

bool DecodesCleanly(const std::string& path, std::string& errors) {
    int status = -1;
    errors = Capture("ffmpeg -nostdin -v error -i " + ShellQuote(path) + " -map 0 -f null - 2>&1",
                     &status);
    return status == 0 && errors.empty();
}

std::vector<uint8_t> DecodeVideoFrame(const std::string& path, int index) {
    std::string raw =
        Capture("ffmpeg -nostdin -v error -i " + ShellQuote(path) + " -map 0:v:0 -vf " +
                ShellQuote("select=eq(n\\," + std::to_string(index) + ")") +
                " -frames:v 1 -f rawvideo -pix_fmt rgb24 - 2>/dev/null");
    return std::vector<uint8_t>(raw.begin(), raw.end());
}

std::vector<int16_t> DecodeSound(const std::string& path) {
    return Samples(Capture("ffmpeg -nostdin -v error -i " + ShellQuote(path) +
                           " -map 0:a:0 -f s16le -ac 1 - 2>/dev/null"));
}

double Psnr(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
    if (a.size() != b.size() || a.empty()) return 0;
    double sum = 0;
    for (size_t i = 0; i < a.size(); ++i) sum += (a[i] - b[i]) * (a[i] - b[i]);
    if (sum == 0) return 1000;
    return 10 * std::log10(255.0 * 255.0 / (sum / static_cast<double>(a.size())));
}

std::vector<uint8_t> ScreenshotRecordedPartAsRgb(const std::string& bmpPath, int topRow) {
    std::string file = ReadFileText(bmpPath);
    if (file.size() != 54 + 256 * 240 * 4 || file.compare(0, 2, "BM") != 0) return {};
    std::vector<uint8_t> rgb;
    for (int i = topRow * 256; i < (topRow + 224) * 256; ++i)
        for (int c : {2, 1, 0}) rgb.push_back(static_cast<uint8_t>(file[54 + 4 * i + c]));
    return rgb;
}

std::vector<int16_t> WavSamples(const std::string& wavPath) {
    std::string data = ReadFileText(wavPath);
    size_t at = data.find("data");
    return at == std::string::npos ? std::vector<int16_t>() : Samples(data, at + 8);
}

double Rms(const std::vector<int16_t>& samples) {
    if (samples.empty()) return 0;
    double sum = 0;
    for (int16_t s : samples) sum += static_cast<double>(s) * s;
    return std::sqrt(sum / static_cast<double>(samples.size()));
}

std::vector<Segment> SoundingSegments(const std::vector<int16_t>& s) {
    const size_t block = 400;
    std::vector<Segment> segments;
    bool inside = false;
    for (size_t b = 0; b + block <= s.size(); b += block) {
        const auto [lo, hi] = std::minmax_element(s.begin() + b, s.begin() + b + block);
        const bool moving = *hi != *lo;
        if (moving && !inside) segments.push_back({b, b + block});
        if (moving) segments.back().end = b + block;
        inside = moving;
    }
    return segments;
}

size_t BestLag(const std::vector<int16_t>& s, Segment seg, double expected) {
    seg = {seg.begin + 2000, seg.end - 2000};
    double mean = 0;
    for (size_t i = seg.begin; i < seg.end; ++i) mean += s[i];
    mean /= double(seg.end - seg.begin);
    size_t best = 0;
    double bestScore = -1e300;
    for (size_t lag = size_t(expected * 0.95); lag <= size_t(expected * 1.05); ++lag) {
        double score = 0;
        for (size_t i = seg.begin; i + lag < seg.end; ++i)
            score += (s[i] - mean) * (s[i + lag] - mean);
        score /= double(seg.end - seg.begin - lag);
        if (score > bestScore) {
            bestScore = score;
            best = lag;
        }
    }
    return best;
}

}  // namespace morvel::test
