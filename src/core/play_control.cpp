#include "core/play_control.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "apu/apu.h"
#include "apu/sound_output.h"
#include "core/frame_buffer.h"
#include "core/frame_loop.h"
#include "core/host.h"
#include "core/machine.h"
#include "core/machine_snapshot.h"
#include "core/rewind_history.h"

namespace morvel {

PlayControl playControl = {0, 0, kFastForwardLimitDefault, 0, 0};

namespace {

// The buttons a frame read (the last read of each port), kept with it in the
// history; and while a frame of the history runs again, the buttons it read.
ButtonSource hostButtons;
uint8_t frameButtons[2];

uint8_t RecordedButtons(int port) {
    const uint8_t held = hostButtons(port);
    frameButtons[port & 1] = held;
    return held;
}

uint8_t ReplayedButtons(int port) {
    return frameButtons[port & 1];
}

std::vector<uint8_t> before;  // the snapshot a rewound frame starts from
std::vector<uint8_t> now;     // the machine before running ahead, without a history
uint32_t historyStarts;       // machineStarts when the history began
int rewound;

// A frame's worth of silence (the console makes about 744.5 samples a frame).
constexpr uint32_t kSilentFrameSamples = 745;

void RunWithButtons(ButtonSource source, void (*run)()) {
    hostButtons = buttonSource;
    buttonSource = source;
    run();
    buttonSource = hostButtons;
}

// One frame back: the frame before the newest snapshot of the history is run
// again from its own snapshot with the buttons it read, to show its picture
// and play its samples backwards (going back through the frames joins their
// samples in reverse order); the machine is then put exactly in the state
// the history kept. With nothing left to go back, a frame of silence.
void RewindFrame() {
    before.resize(MachineSnapshotSize());
    uint8_t buttons[2];
    const int went = StepRewindBack(before.data(), buttons);
    if (went == 2) {
        LoadMachineSnapshot(before.data());
        std::memcpy(frameButtons, buttons, sizeof frameButtons);
        RunWithButtons(ReplayedButtons, RunFrameBody);
        std::reverse(sampleBuffer,
                     sampleBuffer + std::min<uint32_t>(sampleCount, kSampleBufferLength));
    }
    if (went) {
        LoadMachineSnapshot(NewestRewindSnapshot());
        ++rewound;
    }
    if (went < 2) {
        std::memset(sampleBuffer, 0, kSilentFrameSamples * sizeof sampleBuffer[0]);
        sampleCount = kSilentFrameSamples;
    }
    SoundSync();
    sampleCount = 0;
    presentFunction();
}

// The frame itself, with its sound, and no picture yet: the picture shown is
// the one run ahead.
void FrameBeforeRunningAhead() {
    RunFrameBody();
    SoundSync();
    sampleCount = 0;
}

}  // namespace

bool FastForwarding() {
    return playControl.fastForwardHeld || playControl.fastForwardOn;
}

int RunPlayFrame() {
    if (historyStarts != machineStarts) {
        // Another cartridge: the history of the one before cannot be rewound into.
        historyStarts = machineStarts;
        ClearRewindHistory();
    }
    if (playControl.rewindHeld) {
        RewindFrame();
        return 0;
    }
    // Only the plain frame runs ahead: a recording frame keeps the real ones.
    const uint32_t ahead =
        frameFunction == NormalFrame ? std::min(playControl.runAheadFrames, kRunAheadMaxFrames) : 0;
    if (FastForwarding())
        soundSpeedUp =
            std::clamp(playControl.fastForwardLimit, kFastForwardLimitMin, kFastForwardLimitMax);
    frameButtons[0] = frameButtons[1] = 0;
    RunWithButtons(RecordedButtons, ahead ? FrameBeforeRunningAhead : frameFunction);
    soundSpeedUp = 1;
    RecordRewindFrame(frameButtons[0], frameButtons[1]);
    if (!ahead) return 1;
    const uint8_t* real = NewestRewindSnapshot();
    if (!real) {
        now.resize(MachineSnapshotSize());
        SaveMachineSnapshot(now.data());
        real = now.data();
    }
    for (uint32_t k = 0; k < ahead; ++k) {
        RunFrameBody();
        sampleCount = 0;
    }
    presentFunction();
    LoadMachineSnapshot(real);
    return 1;
}

int TakeRewoundFrames() {
    const int frames = rewound;
    rewound = 0;
    return frames;
}

}  // namespace morvel
