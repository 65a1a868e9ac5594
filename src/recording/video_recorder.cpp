#include "recording/video_recorder.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <deque>
#include <filesystem>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "core/file_name.h"
#include "recording/avi_writer.h"
#include "recording/mp3_encoder.h"
#include "recording/msvideo1_encoder.h"
#include "video/screenshot.h"

namespace morvel {

int32_t recordQuality = 0;

// clang-format off
const int32_t videoQualityTable[3] = {
    4000,   // Poor
    6000,   // Normal
    10000,  // High
};
const int32_t mp3BitrateTable[3] = {
    64,   // Poor
    96,   // Normal
    128,  // High
};
// clang-format on

namespace {

constexpr int kPicturePixels = kRecordWidth * kRecordHeight;
constexpr uint32_t kRecordBottomRow = kRecordTopRow + kRecordHeight - 1;  // 232
constexpr uint32_t kMaxSamples = 2048;
// A key frame once a second lets players seek; the frames between only carry
// the blocks that changed.
constexpr int kKeyFrameInterval = 60;
constexpr auto kLongestHandOffWait = std::chrono::seconds(5);
// Frames that may wait for the worker: enough to ride out the moments when
// the system gives the worker no time, without queueing without limit.
constexpr int kHandOffSlots = 8;

// Results of the write operations.
enum AviResult : int {
    kAviOk = 0,
    kAviErrBadHandle = -1,
    kAviErrBadParam = -2,
    kAviErrError = -3,
    kAviErrWrite = -4,
};

// The sound track's format: an MPEGLAYER3WAVEFORMAT of 30 bytes.
struct Mp3WaveFormat {
    uint8_t bytes[30];
};

Mp3WaveFormat MakeMp3WaveFormat(int32_t bitrateKbps) {
    Mp3WaveFormat f{};
    uint8_t* p = f.bytes;
    auto u16 = [&p](uint32_t v) {
        *p++ = static_cast<uint8_t>(v);
        *p++ = static_cast<uint8_t>(v >> 8);
    };
    auto u32 = [&u16](uint32_t v) {
        u16(v & 0xFFFF);
        u16(v >> 16);
    };
    u16(0x55);                                           // MPEG layer 3
    u16(1);                                              // channels
    u32(44100);                                          // samples per second
    u32(static_cast<uint32_t>(bitrateKbps) * 1000 / 8);  // average bytes per second
    u16(1);                                              // block alignment
    u16(0);                                              // bits per sample
    u16(12);                                             // size of what follows
    u16(1);                                              // identifier: MPEG
    u32(2);                                              // flags: padding off
    u16(1152);                                           // block size
    u16(1);                                              // frames per block
    u16(1393);                                           // codec delay
    return f;
}

// The header of the compressed pictures: 256 x 224, 16-bit Microsoft Video 1.
std::vector<uint8_t> MakeVideoFormat() {
    std::vector<uint8_t> f(40, 0);
    auto put32 = [&f](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) f[at + i] = static_cast<uint8_t>(v >> (8 * i));
    };
    put32(0, 40);
    put32(4, kRecordWidth);
    put32(8, kRecordHeight);  // positive: bottom row first
    f[12] = 1;                // planes
    f[14] = 16;               // bits per pixel
    std::memcpy(&f[16], "CRAM", 4);
    put32(20, kPicturePixels * 2);
    return f;
}

// The recording context: the file, its streams and the picture compressor.
struct AviRecorder {
    AviWriter file;
    Mp3WaveFormat soundFormat{};
    uint32_t videoScale = 17;
    int soundStream = -1;
    int videoStream = -1;
    Msvideo1Encoder compressor;
    bool compressorReady = false;
    uint32_t videoFrameIndex = 0;
    uint32_t audioBlockIndex = 0;
    uint8_t failed = 0;
    int32_t quality = 0;  // chosen at start; later menu changes do not reach it
    std::vector<uint8_t> compressed;
};

// One handed-over frame: the recording's picture, already bottom row first
// as the compressor takes it, and the frame's samples.
struct HandOffSlot {
    std::vector<uint32_t> picture = std::vector<uint32_t>(kPicturePixels);
    std::vector<int16_t> samples = std::vector<int16_t>(kMaxSamples);
    uint32_t count = 0;
};

struct Worker {
    std::thread thread;
    std::mutex lock;
    std::condition_variable event;  // a frame waits, or the worker must end
    std::condition_variable taken;  // the worker took the waiting frame
    HandOffSlot slots[kHandOffSlots];
    std::deque<int> waiting;  // slots handed over, oldest first
    std::vector<int> free;    // slots the frame loop may fill
    bool suspended = true;
    bool quit = false;
    bool waitForWorker = false;
};

std::string videosFolder;
std::unique_ptr<AviRecorder> recorder;
Mp3Encoder mp3Encoder;
Worker worker;
bool active = false;
std::string lastError;

struct AtomicStats {
    std::atomic<uint32_t> framesHandedOff{0}, framesDropped{0}, framesWritten{0},
        soundBlocksWritten{0}, failed{0}, fileKept{0};
    std::atomic<uint64_t> videoNanoseconds{0}, soundNanoseconds{0};
} stats;

AviStreamInfo VideoStreamInfo(const AviRecorder& r) {
    AviStreamInfo info{};
    std::memcpy(info.type, "vids", 4);
    std::memcpy(info.handler, "msvc", 4);
    info.scale = r.videoScale;
    info.rate = 1020;  // 1020 / 17 = 60 frames per second
    info.quality = static_cast<uint32_t>(videoQualityTable[r.quality]);
    info.suggestedBufferSize = kPicturePixels * 4;
    info.frame[2] = kRecordWidth;
    info.frame[3] = kRecordHeight;
    return info;
}

int CreateVideoStreams(AviRecorder* r) {
    if (!r) return kAviErrBadParam;
    if (r->failed) return kAviErrError;
    if (r->compressorReady) return kAviErrError;
    if (r->videoStream < 0) {
        r->videoStream = r->file.CreateStream(VideoStreamInfo(*r));
        if (r->videoStream < 0) {
            r->failed = 1;
            return kAviErrError;
        }
    }
    std::vector<uint8_t> format = MakeVideoFormat();
    if (!r->file.SetFormat(r->videoStream, format.data(), format.size())) {
        r->failed = 1;
        return kAviErrError;
    }
    r->compressor.Reset(kRecordWidth, kRecordHeight, videoQualityTable[r->quality],
                        kKeyFrameInterval);
    r->compressorReady = true;
    return kAviOk;
}

int WriteSoundBlock(const uint8_t* bytes, int32_t bitrate, int32_t count) {
    AviRecorder* r = recorder.get();
    if (!r) return kAviErrBadHandle;
    if (r->soundStream < 0) {
        r->soundFormat = MakeMp3WaveFormat(bitrate);
        AviStreamInfo info{};
        std::memcpy(info.type, "auds", 4);
        info.scale = 1;
        info.rate = static_cast<uint32_t>(bitrate) * 1000 / 8;
        info.quality = 0xFFFFFFFFu;  // the default
        info.sampleSize = 1;
        r->soundStream = r->file.CreateStream(info);
        if (r->soundStream < 0 ||
            !r->file.SetFormat(r->soundStream, r->soundFormat.bytes, sizeof r->soundFormat.bytes)) {
            r->failed = 1;
            stats.failed = 1;
            return kAviErrError;
        }
    }
    // The sound track goes on when the pictures failed; a failed file write
    // stops everything (the writer refuses further chunks).
    if (!r->file.Write(r->soundStream, bytes, count > 0 ? static_cast<size_t>(count) : 0, true)) {
        if (r->file.Failed()) stats.failed = 1;
        return kAviErrWrite;
    }
    ++r->audioBlockIndex;
    stats.soundBlocksWritten = r->audioBlockIndex;
    return kAviOk;
}

int WriteVideoFrame(const uint32_t* bottomUpPicture) {
    AviRecorder* r = recorder.get();
    if (!r) return kAviErrBadHandle;
    if (!bottomUpPicture || !r->compressorReady) return kAviErrBadParam;
    if (r->failed) return kAviErrError;
    bool key = r->compressor.EncodeFrame(bottomUpPicture, kRecordWidth, r->compressed);
    if (!r->file.Write(r->videoStream, r->compressed.data(), r->compressed.size(), key)) {
        r->failed = 1;
        stats.failed = 1;
        return kAviErrWrite;
    }
    ++r->videoFrameIndex;
    stats.framesWritten = r->videoFrameIndex;
    return kAviOk;
}

uint64_t NanosecondsSince(std::chrono::steady_clock::time_point start) {
    return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(
                                     std::chrono::steady_clock::now() - start)
                                     .count());
}

void RecordFrame(const HandOffSlot& slot, std::vector<uint8_t>& mp3Bytes) {
    int32_t bitrate = mp3BitrateTable[recorder->quality];
    auto start = std::chrono::steady_clock::now();
    // An encoder error is written as an empty block, keeping one block per frame.
    if (!mp3Encoder.Encode(slot.samples.data(), slot.count, mp3Bytes)) mp3Bytes.clear();
    WriteSoundBlock(mp3Bytes.data(), bitrate, static_cast<int32_t>(mp3Bytes.size()));
    auto middle = std::chrono::steady_clock::now();
    stats.soundNanoseconds += NanosecondsSince(start);
    WriteVideoFrame(slot.picture.data());
    stats.videoNanoseconds += NanosecondsSince(middle);
}

void RecorderWorker() {
    std::vector<uint8_t> mp3Bytes;
    std::unique_lock<std::mutex> hold(worker.lock);
    for (;;) {
        worker.event.wait(
            hold, [] { return worker.quit || (!worker.waiting.empty() && !worker.suspended); });
        // Ending: the frames still waiting were handed over before the stop
        // and belong in the file.
        if (worker.waiting.empty()) break;
        int slot = worker.waiting.front();
        worker.waiting.pop_front();
        hold.unlock();
        RecordFrame(worker.slots[slot], mp3Bytes);
        hold.lock();
        worker.free.push_back(slot);
        worker.taken.notify_all();
    }
}

}  // namespace

void PrepareVideos(const char* exeDir) {
    videosFolder = std::string(exeDir) + "/videos";
    std::error_code ignored;
    std::filesystem::create_directories(videosFolder, ignored);
}

const std::string& VideosFolder() {
    return videosFolder;
}

std::string VideoFileName(const char* cartridgePath, const char* stamp) {
    return FileNameOf(cartridgePath) + stamp + ".avi";
}

std::string NewVideoPath(const char* cartridgePath) {
    return videosFolder + "/" + VideoFileName(cartridgePath, TimeStamp());
}

bool RecorderActive() {
    return active;
}

int StartRecording(const char* path) {
    if (active || !path) return 0;
    auto r = std::make_unique<AviRecorder>();
    r->quality = recordQuality >= 0 && recordQuality <= 2 ? recordQuality : 0;
    if (!r->file.Open(path)) {
        lastError = r->file.Error();
        return 0;
    }
    CreateVideoStreams(r.get());
    if (!mp3Encoder.Open(mp3BitrateTable[r->quality])) {
        r->file.Abandon();
        lastError = "the MP3 encoder cannot be set up";
        return 0;
    }
    lastError.clear();
    recorder = std::move(r);
    stats.framesHandedOff = 0;
    stats.framesDropped = 0;
    stats.framesWritten = 0;
    stats.soundBlocksWritten = 0;
    stats.failed = 0;
    stats.fileKept = 0;
    stats.videoNanoseconds = 0;
    stats.soundNanoseconds = 0;
    worker.waiting.clear();
    worker.free.clear();
    for (int i = 0; i < kHandOffSlots; ++i) worker.free.push_back(i);
    worker.suspended = true;
    worker.quit = false;
    worker.thread = std::thread(RecorderWorker);
    active = true;
    return 1;
}

void ResumeRecorder() {
    {
        std::lock_guard<std::mutex> hold(worker.lock);
        worker.suspended = false;
    }
    worker.event.notify_all();
}

void SuspendRecorder() {
    std::lock_guard<std::mutex> hold(worker.lock);
    worker.suspended = true;
}

int StopRecording() {
    if (!active) return 0;
    {
        std::lock_guard<std::mutex> hold(worker.lock);
        worker.quit = true;
    }
    worker.event.notify_all();
    worker.taken.notify_all();
    worker.thread.join();
    // What the MP3 encoder still holds is the end of the sound track.
    std::vector<uint8_t> tail;
    if (mp3Encoder.Flush(tail) && !tail.empty())
        WriteSoundBlock(tail.data(), mp3BitrateTable[recorder->quality],
                        static_cast<int32_t>(tail.size()));
    mp3Encoder.Close();
    bool complete = recorder->file.Close() && !recorder->failed;
    stats.fileKept = recorder->file.Kept() ? 1 : 0;
    if (!complete) {
        stats.failed = 1;
        lastError = recorder->file.Error().empty() ? "a stream of the file could not be made"
                                                   : recorder->file.Error();
    }
    recorder.reset();
    active = false;
    return complete ? 1 : 0;
}

void SetRecorderWaitsForWorker(bool wait) {
    std::lock_guard<std::mutex> hold(worker.lock);
    worker.waitForWorker = wait;
}

void RecorderHandOff(const uint32_t* picture, const int16_t* samples, uint32_t count) {
    if (!active || !picture) return;
    std::unique_lock<std::mutex> hold(worker.lock);
    ++stats.framesHandedOff;
    if (worker.free.empty() && worker.waitForWorker && !worker.suspended)
        worker.taken.wait_for(hold, kLongestHandOffWait, [] { return !worker.free.empty(); });
    if (worker.free.empty()) {
        ++stats.framesDropped;
        return;
    }
    int index = worker.free.back();
    worker.free.pop_back();
    HandOffSlot& slot = worker.slots[index];
    for (int k = 0; k < kRecordHeight; ++k)
        std::memcpy(&slot.picture[static_cast<size_t>(k) * kRecordWidth],
                    picture + static_cast<size_t>(kRecordBottomRow - k) * kRecordWidth,
                    kRecordWidth * sizeof(uint32_t));
    slot.count = samples ? std::min(count, kMaxSamples) : 0;
    if (slot.count) std::memcpy(slot.samples.data(), samples, slot.count * sizeof(int16_t));
    worker.waiting.push_back(index);
    hold.unlock();
    worker.event.notify_one();
}

const std::string& RecorderError() {
    return lastError;
}

RecorderStatistics RecorderStats() {
    RecorderStatistics s;
    s.framesHandedOff = stats.framesHandedOff;
    s.framesDropped = stats.framesDropped;
    s.framesWritten = stats.framesWritten;
    s.soundBlocksWritten = stats.soundBlocksWritten;
    s.failed = stats.failed;
    s.fileKept = stats.fileKept;
    s.videoSeconds = static_cast<double>(stats.videoNanoseconds) * 1e-9;
    s.soundSeconds = static_cast<double>(stats.soundNanoseconds) * 1e-9;
    return s;
}

}  // namespace morvel
