// The command line of morvel-headless, parsed in one place.
#pragma once

#include <string>
#include <vector>

#include "app/headless_game.h"
#include "platform/headless/button_script.h"

namespace morvel {

// Something done after frame `frame` over `frames` frames (F:N).
struct FrameSpan {
    long frame;
    long frames;
};

struct HeadlessOptions {
    std::string cartridge;
    long frames = 60;
    bool untilResult = false;
    bool nestest = false;
    long steps = -1;                   // with nestest: stop after this many instructions
    std::string wav;                   // write every sample produced to this WAV file
    std::vector<ButtonPress> presses;  // scripted controllers
    std::string screenshot;            // write the last frame as a BMP file here
    bool screenText = false;
    bool bench = false;
    std::string dumpRam;  // write CPU RAM and work RAM here
    std::string dataDir;  // stands for the executable's folder
    std::vector<StateAction> stateActions;
    std::string record;  // AVI file to record the run into
    long quality = 0;    // recording quality: 0 Poor, 1 Normal, 2 High
    bool realtime = false;
    long long randomInputSeed = -1;        // random buttons on controller 1 when >= 0
    bool reportMemory = false;             // print the resident memory before and after the run
    std::vector<FrameSpan> rewinds;        // hold the rewind key N frames after frame F
    std::vector<FrameSpan> frameAdvances;  // pause after frame F, advance N frames, resume
    long rewindSeconds = -1;               // the history's length; -1: 60 with --rewind, else 0
    long runAhead = 0;                     // frames run ahead, 0-3
    long fastForward = 0;                  // 2-10: fast-forward held through the run
    bool reportRewind = false;             // print what the rewind history holds at the end
};

// Fills options from argv. On a usage error returns false with the reason.
bool ParseHeadlessOptions(int argc, char** argv, HeadlessOptions& options, std::string& error);

extern const char kHeadlessUsage[];

}  // namespace morvel
