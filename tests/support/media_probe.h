// Reading recordings back with the players' own tools, ffprobe and ffmpeg.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace morvel::test {

bool MediaToolsPresent();

struct StreamProbe {
    std::string type;  // "video" or "audio"
    std::string codec;
    int width = 0;
    int height = 0;
    std::string frameRate;  // as a fraction, "60/1"
    int sampleRate = 0;
    int channels = 0;
    long bitRate = 0;
    long framesRead = 0;  // frames the decoder produced, counted by ffprobe
};

// Every stream of the file, with its frames counted by decoding.
std::vector<StreamProbe> ProbeStreams(const std::string& path);

// Decodes every stream to the end; true when ffmpeg reports no error at all.
bool DecodesCleanly(const std::string& path, std::string& errors);

// Test expectations on a recording: one Microsoft Video 1 stream of 256 x 224
// at 60 frames per second holding minFrames to maxFrames frames, one mono MP3
// stream at 44100 Hz and bitRate, both decoded to the end without an error.
void ExpectPlayableRecording(const std::string& path, long minFrames, long maxFrames, long bitRate);

// Video frame `index` as rows of RGB bytes, top row first (empty on failure).
std::vector<uint8_t> DecodeVideoFrame(const std::string& path, int index);

// The sound track as mono 16-bit samples at its own rate.
std::vector<int16_t> DecodeSound(const std::string& path);

// Peak signal-to-noise ratio in dB of two RGB pictures of the same size
// (1000 when they are equal).
double Psnr(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b);

// Rows 9-232 (or 224 rows from another top row) of a screenshot file (a
// 256 x 240 top-down 32-bit BMP) as RGB bytes: what a recording shows of it.
// Empty when the file is not one.
std::vector<uint8_t> ScreenshotRecordedPartAsRgb(const std::string& bmpPath, int topRow = 9);

// The samples of a mono 16-bit PCM WAV file (its data chunk).
std::vector<int16_t> WavSamples(const std::string& wavPath);

double Rms(const std::vector<int16_t>& samples);

// A stretch of samples [begin, end).
struct Segment {
    size_t begin, end;
};

// Runs of 400-sample blocks in which the signal moves.
std::vector<Segment> SoundingSegments(const std::vector<int16_t>& s);

// The lag (in samples, within 5 % of `expected`) at which the middle of the
// segment (2000 samples in from each end) best matches itself: the period
// of a steady tone, or of a whole number of its waves.
size_t BestLag(const std::vector<int16_t>& s, Segment seg, double expected);

}  // namespace morvel::test
