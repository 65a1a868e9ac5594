// morvel-headless: the machine with no window, no sound device and no input
// device, for tests, automation and benchmarks.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "app/headless_options.h"
#include "app/headless_outputs.h"
#include "app/headless_recording.h"
#include "apu/apu.h"
#include "apu/sound_output.h"
#include "core/cpu.h"
#include "core/frame_buffer.h"
#include "core/host_os.h"
#include "core/machine.h"
#include "core/machine_snapshot.h"
#include "core/memory_map.h"
#include "core/play_control.h"
#include "core/rewind_history.h"
#include "frontend/commands.h"
#include "frontend/front_end.h"
#include "platform/headless/button_script.h"
#include "platform/headless/headless_sound.h"
#include "platform/headless/random_buttons.h"
#include "video/screenshot.h"

using namespace morvel;

namespace {

constexpr int kExitUsage = 2;
constexpr int kExitRefused = 3;
constexpr int kExitFileFailed = 4;

// The frame being run, read by the scripted controllers when the game latches.
long runningFrame;

// Runs from $C000 as the automated nestest does, printing the registers before
// each instruction in the form of nestest.log.
int RunNestest(long steps) {
    cpu.pc = 0xC000;
    cpu.p = 0x24;
    cpu.s = 0xFD;
    cpu.extraCycles = 0;
    uint64_t cycles = 7;  // the reset's 7 cycles count as already elapsed
    for (long i = 0; steps < 0 || i < steps; ++i) {
        std::printf("%04X  A:%02X X:%02X Y:%02X P:%02X SP:%02X CYC:%llu\n", cpu.pc, cpu.a, cpu.x,
                    cpu.y, cpu.p, cpu.s, static_cast<unsigned long long>(cycles));
        cycles += static_cast<uint64_t>(CpuStep());
        if (steps < 0 && i > 100000) break;
    }
    return 0;
}

// The $6000 protocol of test cartridges: $80 while running, $81 to ask for a
// reset, then the result code; $6001-$6003 hold DE B0 61 once it is in use and
// $6004 on a zero-terminated text.
// Read as the CPU sees $6000, so boards whose own RAM sits there (the MMC5's)
// report as well. A cartridge whose board has registers at $6000-$7FFF keeps
// the same block in internal RAM at $0700 instead (text up to $07FF).
struct ResultProtocol {
    static uint8_t At(uint32_t base, uint32_t offset) { return CpuRead(base + offset); }
    static bool SignatureAt(uint32_t base) {
        return At(base, 1) == 0xDE && At(base, 2) == 0xB0 && At(base, 3) == 0x61;
    }
    uint32_t base = 0x6000;
    bool signature() {
        for (uint32_t candidate : {0x6000u, 0x0700u}) {
            if (!SignatureAt(candidate)) continue;
            base = candidate;
            return true;
        }
        return false;
    }
    uint8_t status() const { return At(base, 0); }
    std::string text() const {
        const uint32_t end = base == 0x6000 ? 0x2000 : 0x100;
        std::string result;
        for (uint32_t i = 4; i < end && At(base, i); ++i) result += static_cast<char>(At(base, i));
        return result;
    }
};

// The folder named by --data-dir, made when missing. A file of that name, or
// a folder that cannot be made, ends the run before anything is written.
bool MakeDataDir(const std::string& folder) {
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (std::filesystem::is_directory(folder)) return true;
    std::fprintf(stderr, "morvel-headless: cannot make the data folder %s: %s\n", folder.c_str(),
                 std::filesystem::exists(folder) ? "a file of that name is in the way"
                                                 : error.message().c_str());
    return false;
}

// Frames run so far, for --bench.
long framesRun = 0;

// The keys of the play commands as a script: after frame `frame`, the
// rewind key held for the span's frames (the count goes back with the game,
// so each span is done once), and a pause in which the frame-advance key is
// pressed the span's times: advancing counts the presses still to come, made
// by the main loop in place of its frames. Returns the new frame count.
long RunPlayActions(const HeadlessOptions& options, std::vector<bool>& rewindsDone, long frame,
                    FramePacer& pacer, long& advancing) {
    for (size_t i = 0; i < options.rewinds.size(); ++i) {
        const FrameSpan& span = options.rewinds[i];
        if (span.frame != frame || rewindsDone[i]) continue;
        rewindsDone[i] = true;
        HoldRewind(true);
        for (long k = 0; k < span.frames; ++k) {
            RunGameFrame();
            pacer.FrameDone();
        }
        HoldRewind(false);
        frame -= TakeRewoundFrames();
    }
    for (const FrameSpan& span : options.frameAdvances) {
        if (span.frame != frame || span.frames <= 0) continue;
        if (advancing == 0) RunCommand(kCmdPause);
        advancing += span.frames;
    }
    return frame;
}

int RunFrames(const HeadlessOptions& options) {
    ResultProtocol protocol;
    long resetAt = -1;
    FramePacer pacer(options.realtime, options.fastForward ? options.fastForward : 1);
    bool recorded = StartHeadlessRecording(options);
    // After a reset the cartridge may keep $81 in $6000 while it starts up
    // again; only a new request, after some other status, asks for another.
    bool requestAnswered = false;
    std::vector<bool> rewindsDone(options.rewinds.size());
    long advancing = 0;
    for (long frame = 0; frame < options.frames; ++frame) {
        runningFrame = frame;
        if (advancing > 0) {
            RunCommand(kCmdFrameAdvance);
            if (--advancing == 0) RunCommand(kCmdPause);
        } else {
            RunGameFrame();
        }
        ++framesRun;
        RunStateActions(options.stateActions, frame + 1);
        pacer.FrameDone();
        frame = RunPlayActions(options, rewindsDone, frame + 1, pacer, advancing) - 1;
        if (!options.untilResult || !protocol.signature()) continue;
        uint8_t status = protocol.status();
        if (status < 0x80) break;
        if (status != 0x81) requestAnswered = false;
        if (status == 0x81 && resetAt < 0 && !requestAnswered) resetAt = frame + 6;
        if (resetAt >= 0 && frame >= resetAt) {
            ResetMachine();
            resetAt = -1;
            requestAnswered = true;
        }
    }
    recorded = StopHeadlessRecording() && recorded;
    pacer.Report();
    // A recording that failed is a failed output: the run went on without it.
    int outputStatus = recorded ? 0 : 1;
    if (!options.untilResult) return outputStatus;
    int result = protocol.signature() ? protocol.status() : 255;
    std::printf("result: %d\n", result);
    if (protocol.signature()) std::printf("%s\n", protocol.text().c_str());
    return result == 0 ? outputStatus : result;
}

// What the rewind history holds, and what a snapshot costs: the mean of
// 1000 saves and of 1000 loads of the machine as it is (a load of the
// machine's own snapshot leaves it as it was).
void ReportRewind() {
    std::printf("rewind-frames: %u\nrewind-bytes: %zu\nsnapshot-bytes: %zu\n", RewindFrames(),
                RewindBytes(), MachineSnapshotSize());
    std::vector<uint8_t> snapshot(MachineSnapshotSize());
    constexpr int kTimes = 1000;
    using Clock = std::chrono::steady_clock;
    const Clock::time_point start = Clock::now();
    for (int i = 0; i < kTimes; ++i) SaveMachineSnapshot(snapshot.data());
    const Clock::time_point saved = Clock::now();
    for (int i = 0; i < kTimes; ++i) LoadMachineSnapshot(snapshot.data());
    const Clock::time_point loaded = Clock::now();
    auto micros = [](Clock::duration d) {
        return std::chrono::duration<double, std::micro>(d).count() / kTimes;
    };
    std::printf("snapshot-save-us: %.2f\nsnapshot-load-us: %.2f\n", micros(saved - start),
                micros(loaded - saved));
}

// The outputs asked for after the run. The frame buffer still holds the last
// completed frame: the next one has not begun. A failed output turns a
// successful run into a failure.
int FinishRun(const HeadlessOptions& options, int status, double seconds) {
    if (options.bench) {
        const double fps = seconds > 0 ? static_cast<double>(framesRun) / seconds : 0.0;
        std::printf("fps: %.1f\nrealtime: %.2f\n", fps, fps / 60.0988);
    }
    if (options.reportRewind) ReportRewind();
    if (options.screenText) std::printf("%s", ScreenText().c_str());
    if (!options.screenshot.empty() &&
        !WriteScreenshotFile(options.screenshot.c_str(), frameBuffer)) {
        std::fprintf(stderr, "morvel-headless: cannot write %s\n", options.screenshot.c_str());
        if (status == 0) status = 1;
    }
    if (!options.dumpRam.empty() && !DumpRam(options.dumpRam.c_str())) {
        std::fprintf(stderr, "morvel-headless: cannot write %s\n", options.dumpRam.c_str());
        if (status == 0) status = 1;
    }
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    // Traces, screen text and reports are the same bytes on every system.
    os::BinaryStandardOutput();
    HeadlessOptions options;
    std::string error;
    if (!ParseHeadlessOptions(argc, argv, options, error)) {
        std::fprintf(stderr, "morvel-headless: %s\n%s", error.c_str(), kHeadlessUsage);
        return kExitUsage;
    }
    BuildMixerTables();
    soundBackend = &headlessSoundBuffer;
    if (!SoundInit()) {
        std::fprintf(stderr, "morvel-headless: the sound buffer cannot be opened\n");
        return kExitRefused;
    }
    for (const ButtonPress& press : options.presses) AddButtonPress(press);
    if (options.randomInputSeed >= 0)
        StartRandomButtons(static_cast<uint32_t>(options.randomInputSeed));
    UseButtonScript(&runningFrame);
    UsePrintedMessages();
    SetRewindSeconds(static_cast<uint32_t>(options.rewindSeconds >= 0 ? options.rewindSeconds
                                           : options.rewinds.empty()  ? 0
                                                                      : 60));
    playControl.runAheadFrames = static_cast<uint32_t>(options.runAhead);
    if (options.fastForward) {
        playControl.fastForwardLimit = static_cast<uint32_t>(options.fastForward);
        HoldFastForward(true);
    }
    if (options.nestest) {
        // A trace of the CPU alone: no state file, no front end.
        if (!StartCartridge(options.cartridge.c_str())) {
            std::fprintf(stderr, "morvel-headless: cannot load %s\n", options.cartridge.c_str());
            return kExitRefused;
        }
        return RunNestest(options.steps);
    }
    if (!options.dataDir.empty() && !MakeDataDir(options.dataDir)) return kExitFileFailed;
    if (!OpenDataFolder(options.dataDir)) {
        std::fprintf(stderr, "morvel-headless: cannot make a data folder\n");
        return kExitFileFailed;
    }
    if (!OpenGame(options.cartridge)) {
        RemoveTemporaryFolder();
        return kExitRefused;
    }
    if (!options.wav.empty()) StartSampleCapture();
    if (options.reportMemory) std::printf("rss-start-kb: %lld\n", os::ResidentKilobytes());
    const auto start = std::chrono::steady_clock::now();
    int status = RunFrames(options);
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    if (options.reportMemory) std::printf("rss-end-kb: %lld\n", os::ResidentKilobytes());
    std::string why;
    bool wavWritten = options.wav.empty() || WriteWavFile(options.wav, CapturedSamples(), why);
    if (!wavWritten)
        std::fprintf(stderr, "morvel-headless: cannot write %s: %s\n", options.wav.c_str(),
                     why.c_str());
    // The other outputs are written even when the WAV file was not, and
    // before the game is closed: the screen text reads its nametables.
    status = FinishRun(options, status, elapsed.count());
    const bool statesKept = CloseGame();
    SoundShutdown();
    if (!wavWritten) return kExitFileFailed;
    // Slots or a battery save that could not be written are a failed output.
    return !statesKept && status == 0 ? 1 : status;
}
