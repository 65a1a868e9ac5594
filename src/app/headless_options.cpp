#include "app/headless_options.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <limits>

#include "core/play_control.h"
#include "core/rewind_history.h"

namespace morvel {

const char kHeadlessUsage[] =
    "usage: morvel-headless [options] CARTRIDGE.nes\n"
    "  --frames N       run N frames (default 60)\n"
    "  --until-result   follow the $6000 protocol: stop once a final result is written\n"
    "                   (or after --frames), press reset 6 frames after a $81; print\n"
    "                   \"result: N\" and the text at $6004; exit status = N\n"
    "  --nestest        start the CPU at $C000 with P=$24 and S=$FD and print one line\n"
    "                   per instruction before executing it\n"
    "  --steps N        with --nestest: stop after N instructions\n"
    "  --wav FILE       write every sample produced as a mono 16-bit PCM WAV at 44100 Hz\n"
    "  --press SPEC     hold buttons on controller 1: SPEC is FIRST-LAST:BUTTONS (frames,\n"
    "                   inclusive), BUTTONS from A, B, Select, Start, Up, Down, Left, Right\n"
    "                   joined by '+'; repeatable\n"
    "  --press2 SPEC    the same for controller 2\n"
    "  --screenshot FILE  after the run, write the last completed frame as a BMP file\n"
    "  --screen-text    after the run, print the nametable at $2000 as 30 lines of 32\n"
    "                   characters (tiles $20-$7E as ASCII, others as '.')\n"
    "  --bench          print \"fps: F\" and \"realtime: R\" (F / 60.0988) for the run\n"
    "  --dump-ram FILE  after the run, write the 2 KB of CPU RAM and the 8 KB of work RAM\n"
    "  --data-dir DIR   the folder that stands for the executable's folder (savestates/,\n"
    "                   saves/ and screenshots/ are made in it); default: a new temporary\n"
    "                   folder\n"
    "  --save-state N@F after frame F, save slot N (0-3); the state file is written at\n"
    "                   once\n"
    "  --load-state N@F after frame F, load slot N (the state file is read at load)\n"
    "  --record FILE.avi  record the whole run as the desktop program does\n"
    "  --quality N      recording quality: 0 Poor, 1 Normal, 2 High (default 0)\n"
    "  --realtime       run at 60 frames per second; a recording then drops the frames\n"
    "                   its worker has no time for, as the desktop program does\n"
    "  --random-input SEED  random buttons on controller 1, each held for 1-16 frames;\n"
    "                   the same SEED (0-4294967295) gives the same presses\n"
    "  --report-memory  print \"rss-start-kb: N\" before the first frame and \"rss-end-kb: N\"\n"
    "                   after the last (the resident memory, the working set on Windows)\n"
    "  --rewind F:N     after frame F, hold the rewind key for N frames: the game goes N\n"
    "                   frames back, each shown, its sound played backwards; the frame\n"
    "                   count goes back with it (so --press repeats); repeatable\n"
    "  --rewind-seconds S  keep S seconds (0-600) of rewind history (default 0, or 60\n"
    "                   with --rewind)\n"
    "  --run-ahead K    show each frame's picture K frames (0-3) ahead, as the Run-Ahead\n"
    "                   menu does\n"
    "  --fast-forward N  hold the fast-forward key through the run, the limit N (2-10)\n"
    "                   times the console's speed (with --realtime, the pace)\n"
    "  --frame-advance F:N  after frame F, pause, advance N frames one at a time with the\n"
    "                   frame-advance key, then resume; repeatable\n"
    "  --report-rewind  after the run, print \"rewind-frames: N\", \"rewind-bytes: B\" (the\n"
    "                   history's differences), \"snapshot-bytes: S\" and the mean time of\n"
    "                   a snapshot's save and load (\"snapshot-save-us\", \"snapshot-load-us\")\n";

namespace {

// A count of 0 or more that fits the field; parsed at 64 bits, since a long
// has only 32 on Windows.
template <typename Count>
bool ParseCount(const char* text, Count& value) {
    char* end = nullptr;
    errno = 0;
    long long parsed = std::strtoll(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0' || parsed < 0 ||
        parsed > std::numeric_limits<Count>::max())
        return false;
    value = static_cast<Count>(parsed);
    return true;
}

bool AddPress(HeadlessOptions& options, int port, const char* spec) {
    ButtonPress press;
    if (!ParseButtonPress(port, spec, press)) return false;
    options.presses.push_back(press);
    return true;
}

bool AddStateAction(HeadlessOptions& options, bool save, const char* text) {
    StateAction action;
    if (!ParseStateAction(text, save, action)) return false;
    options.stateActions.push_back(action);
    return true;
}

// F:N, N at least 1.
bool AddSpan(std::vector<FrameSpan>& spans, const char* text) {
    const char* colon = std::strchr(text, ':');
    if (!colon) return false;
    FrameSpan span;
    const std::string frame(text, colon);
    if (!ParseCount(frame.c_str(), span.frame) || !ParseCount(colon + 1, span.frames) ||
        span.frames < 1)
        return false;
    spans.push_back(span);
    return true;
}

struct OptionSpec {
    const char* name;
    bool takesValue;
    // Applies the option; returns false when its value is malformed.
    std::function<bool(HeadlessOptions&, const char*)> apply;
};

const OptionSpec kOptions[] = {
    {"--frames", true, [](HeadlessOptions& o, const char* v) { return ParseCount(v, o.frames); }},
    {"--until-result", false, [](HeadlessOptions& o, const char*) { return o.untilResult = true; }},
    {"--nestest", false, [](HeadlessOptions& o, const char*) { return o.nestest = true; }},
    {"--steps", true, [](HeadlessOptions& o, const char* v) { return ParseCount(v, o.steps); }},
    {"--wav", true, [](HeadlessOptions& o, const char* v) { return !(o.wav = v).empty(); }},
    {"--press", true, [](HeadlessOptions& o, const char* v) { return AddPress(o, 0, v); }},
    {"--press2", true, [](HeadlessOptions& o, const char* v) { return AddPress(o, 1, v); }},
    {"--screenshot", true,
     [](HeadlessOptions& o, const char* v) { return !(o.screenshot = v).empty(); }},
    {"--screen-text", false, [](HeadlessOptions& o, const char*) { return o.screenText = true; }},
    {"--bench", false, [](HeadlessOptions& o, const char*) { return o.bench = true; }},
    {"--data-dir", true,
     [](HeadlessOptions& o, const char* v) { return !(o.dataDir = v).empty(); }},
    {"--save-state", true,
     [](HeadlessOptions& o, const char* v) { return AddStateAction(o, true, v); }},
    {"--load-state", true,
     [](HeadlessOptions& o, const char* v) { return AddStateAction(o, false, v); }},
    {"--dump-ram", true,
     [](HeadlessOptions& o, const char* v) { return !(o.dumpRam = v).empty(); }},
    {"--record", true, [](HeadlessOptions& o, const char* v) { return !(o.record = v).empty(); }},
    {"--quality", true,
     [](HeadlessOptions& o, const char* v) { return ParseCount(v, o.quality) && o.quality <= 2; }},
    {"--realtime", false, [](HeadlessOptions& o, const char*) { return o.realtime = true; }},
    {"--random-input", true,
     [](HeadlessOptions& o, const char* v) {
         return ParseCount(v, o.randomInputSeed) && o.randomInputSeed <= 0xFFFFFFFFLL;
     }},
    {"--report-memory", false,
     [](HeadlessOptions& o, const char*) { return o.reportMemory = true; }},
    {"--rewind", true, [](HeadlessOptions& o, const char* v) { return AddSpan(o.rewinds, v); }},
    {"--frame-advance", true,
     [](HeadlessOptions& o, const char* v) { return AddSpan(o.frameAdvances, v); }},
    {"--rewind-seconds", true,
     [](HeadlessOptions& o, const char* v) {
         return ParseCount(v, o.rewindSeconds) && o.rewindSeconds <= long{kRewindMaxSeconds};
     }},
    {"--run-ahead", true,
     [](HeadlessOptions& o, const char* v) {
         return ParseCount(v, o.runAhead) && o.runAhead <= long{kRunAheadMaxFrames};
     }},
    {"--fast-forward", true,
     [](HeadlessOptions& o, const char* v) {
         return ParseCount(v, o.fastForward) && o.fastForward >= long{kFastForwardLimitMin} &&
                o.fastForward <= long{kFastForwardLimitMax};
     }},
    {"--report-rewind", false,
     [](HeadlessOptions& o, const char*) { return o.reportRewind = true; }},
};

}  // namespace

bool ParseHeadlessOptions(int argc, char** argv, HeadlessOptions& options, std::string& error) {
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (std::strncmp(arg, "--", 2) != 0) {
            if (!options.cartridge.empty()) {
                error = "more than one cartridge given";
                return false;
            }
            options.cartridge = arg;
            continue;
        }
        const OptionSpec* spec = nullptr;
        for (const OptionSpec& candidate : kOptions)
            if (std::strcmp(candidate.name, arg) == 0) spec = &candidate;
        if (!spec) {
            error = std::string("unknown option ") + arg;
            return false;
        }
        const char* value = nullptr;
        if (spec->takesValue) {
            if (i + 1 >= argc) {
                error = std::string(arg) + " needs a value";
                return false;
            }
            value = argv[++i];
        }
        if (!spec->apply(options, value)) {
            error = std::string("bad value for ") + arg;
            return false;
        }
    }
    if (options.cartridge.empty()) {
        error = "no cartridge given";
        return false;
    }
    return true;
}

}  // namespace morvel
