#include "frontend/settings.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "apu/sound_output.h"
#include "apu/volume_steps.h"
#include "core/host.h"
#include "core/play_control.h"
#include "core/rewind_history.h"
#include "frontend/ini_file.h"
#include "input/joypad.h"
#include "input/keyboard.h"

namespace morvel {

Settings settings;
char iniPath[4096];
std::string settingsError;

namespace {

enum class Field {
    kAspect,
    kScale,
    kLeft,
    kTop,
    kVolume,
    kKey,
    kJoy1,
    kJoy2,
    kQuality,
    kLatency,
    kPlayKey,  // the play rows last (IsPlayRow)
    kFastForwardLimit,
    kRunAhead,
    kRewindSeconds,
};

// Where a setting's default comes from: a number, or the work area.
enum class Default { kFixed, kCentredLeft, kCentredTop };

struct SettingRow {
    const char* readSection;   // the section name asked for when reading
    const char* writeSection;  // ... and when writing; names match without regard to case
    const char* key;
    Field field;
    int32_t index;  // entry of keyMap or joyButtonMap
    Default from;
    int32_t defaultValue;
};

// The settings in the order they are read and written.
// clang-format off
constexpr SettingRow kSettingRows[] = {
    {"Video",           "Video",           "PAR",     Field::kAspect,  0, Default::kFixed,       0},
    {"Window",          "Window",          "X",       Field::kScale,   0, Default::kFixed,       1},
    {"Window",          "Window",          "Left",    Field::kLeft,    0, Default::kCentredLeft, 0},
    {"Window",          "Window",          "Top",     Field::kTop,     0, Default::kCentredTop,  0},
    {"Volume",          "Volume",          "Db",      Field::kVolume,  0, Default::kFixed,      30},  // -6 dB
    {"KB Input",        "KB Input",        "B",       Field::kKey,     kMapB,      Default::kFixed,  30},  // A key
    {"KB Input",        "KB Input",        "A",       Field::kKey,     kMapA,      Default::kFixed,  31},  // S key
    {"KB Input",        "KB Input",        "Select",  Field::kKey,     kMapSelect, Default::kFixed,  44},  // Z key
    {"KB Input",        "KB Input",        "Start",   Field::kKey,     kMapStart,  Default::kFixed,  45},  // X key
    {"KB Input",        "KB Input",        "Up",      Field::kKey,     kMapUp,     Default::kFixed, 200},  // up arrow
    {"KB Input",        "KB Input",        "Down",    Field::kKey,     kMapDown,   Default::kFixed, 208},  // down arrow
    {"KB Input",        "KB Input",        "Left",    Field::kKey,     kMapLeft,   Default::kFixed, 203},  // left arrow
    {"KB Input",        "KB Input",        "Right",   Field::kKey,     kMapRight,  Default::kFixed, 205},  // right arrow
    {"JOY Input",       "Joy Input",       "B",       Field::kJoy1,    1, Default::kFixed,       0},
    {"JOY Input",       "Joy Input",       "A",       Field::kJoy1,    0, Default::kFixed,       1},
    {"JOY Input",       "Joy Input",       "Select",  Field::kJoy1,    2, Default::kFixed,       2},
    {"JOY Input",       "Joy Input",       "Start",   Field::kJoy1,    3, Default::kFixed,       3},
    {"Joy Input 2",     "Joy Input 2",     "B",       Field::kJoy2,    1, Default::kFixed,       0},
    {"Joy Input 2",     "Joy Input 2",     "A",       Field::kJoy2,    0, Default::kFixed,       1},
    {"Joy Input 2",     "Joy Input 2",     "Select",  Field::kJoy2,    2, Default::kFixed,       2},
    {"Joy Input 2",     "Joy Input 2",     "Start",   Field::kJoy2,    3, Default::kFixed,       3},
    {"Video Recording", "Video Recording", "Quality", Field::kQuality, 0, Default::kFixed,       0},
    {"Sound",           "Sound",           "Latency", Field::kLatency, 0, Default::kFixed,      kSoundLatencyDefaultMs},
    {"Play Keys",       "Play Keys",       "FastForward",  Field::kPlayKey, kPlayFastForward,  Default::kFixed, 15},  // Tab
    {"Play Keys",       "Play Keys",       "Rewind",       Field::kPlayKey, kPlayRewind,       Default::kFixed, 14},  // Backspace
    {"Play Keys",       "Play Keys",       "FrameAdvance", Field::kPlayKey, kPlayFrameAdvance, Default::kFixed, 43},  // backslash
    {"Play",            "Play",            "FastForwardLimit", Field::kFastForwardLimit, 0, Default::kFixed, kFastForwardLimitDefault},
    {"Play",            "Play",            "RunAhead",     Field::kRunAhead,      0, Default::kFixed,  0},
    {"Play",            "Play",            "RewindSeconds", Field::kRewindSeconds, 0, Default::kFixed, kRewindSecondsDefault},
};
// clang-format on

int32_t Clamp(int32_t value, int32_t low, int32_t high) {
    return value < low ? low : value > high ? high : value;
}

int32_t Low8(int32_t value) {
    return static_cast<int32_t>(static_cast<uint32_t>(value) & 0xFF);
}

int32_t DefaultOf(const SettingRow& row, WorkArea area) {
    switch (row.from) {
        case Default::kCentredLeft: return area.right / 2 - 128;
        case Default::kCentredTop: return area.bottom / 2 - 120;
        case Default::kFixed: break;
    }
    return row.defaultValue;
}

// Takes a value as the file holds it. Values that would harm the program are
// kept in range: a window scale outside 1-4, a volume beyond +8 dB (a loud
// blast and overflowing samples), a quality outside the recorder's three
// tables and a sound latency outside 20-100 ms.
void Store(Settings& s, const SettingRow& row, int32_t value) {
    switch (row.field) {
        case Field::kAspect: s.nesAspect = Low8(value) != 0 ? 1 : 0; break;
        case Field::kScale: s.windowScale = Clamp(value, 1, 4); break;
        case Field::kLeft: s.windowLeft = value; break;
        case Field::kTop: s.windowTop = value; break;
        case Field::kVolume:
            s.volumeDb = Clamp(Low8(value) + kVolumeDbMin, kVolumeDbMin, kVolumeDbMax);
            break;
        case Field::kKey: s.keyMap[row.index] = static_cast<uint8_t>(Low8(value)); break;
        case Field::kJoy1: s.joyButtonMap[0][row.index] = static_cast<uint32_t>(Low8(value)); break;
        case Field::kJoy2: s.joyButtonMap[1][row.index] = static_cast<uint32_t>(Low8(value)); break;
        case Field::kQuality: s.recordQuality = (value >= 0 && value <= 2) ? value : 0; break;
        case Field::kLatency:
            s.soundLatencyMs = (value >= kSoundLatencyMinMs && value <= kSoundLatencyMaxMs)
                                   ? value
                                   : kSoundLatencyDefaultMs;
            break;
        case Field::kPlayKey: s.playKeys[row.index] = static_cast<uint8_t>(Low8(value)); break;
        case Field::kFastForwardLimit:
            s.fastForwardLimit = Clamp(value, kFastForwardLimitMin, kFastForwardLimitMax);
            break;
        case Field::kRunAhead: s.runAheadFrames = Clamp(value, 0, kRunAheadMaxFrames); break;
        case Field::kRewindSeconds: s.rewindSeconds = Clamp(value, 0, kRewindMaxSeconds); break;
    }
}

// The value as the file keeps it.
int32_t Fetch(const Settings& s, const SettingRow& row) {
    switch (row.field) {
        case Field::kAspect: return s.nesAspect;
        case Field::kScale: return s.windowScale;
        case Field::kLeft: return s.windowLeft;
        case Field::kTop: return s.windowTop;
        case Field::kVolume: return s.volumeDb - kVolumeDbMin;
        case Field::kKey: return s.keyMap[row.index];
        case Field::kJoy1: return static_cast<int32_t>(s.joyButtonMap[0][row.index]);
        case Field::kJoy2: return static_cast<int32_t>(s.joyButtonMap[1][row.index]);
        case Field::kQuality: return s.recordQuality;
        case Field::kLatency: return s.soundLatencyMs;
        case Field::kPlayKey: return s.playKeys[row.index];
        case Field::kFastForwardLimit: return s.fastForwardLimit;
        case Field::kRunAhead: return s.runAheadFrames;
        case Field::kRewindSeconds: return s.rewindSeconds;
    }
    return 0;
}

bool IsPlayRow(const SettingRow& row) {
    return row.field >= Field::kPlayKey;
}

constexpr const char* kPadSection = "Joy Pads";
constexpr const char* kNesKeys[2] = {"NES1", "NES2"};
constexpr const char* kFullScreenSection = "Full Screen";
constexpr const char* kIntegerScaleKey = "Integer Scale";

// The section of each pad model's buttons. A line that does not read as a
// GUID, a numbering of 0 or 1 and four button numbers is skipped.
void ReadPadSection(const std::string& text, Settings& s) {
    char value[kIniLineSize];
    for (int i = 0; i < 2; ++i) {
        s.padSectionRead |= IniFindString(text, kPadSection, kNesKeys[i], value);
        if (std::sscanf(value, "%32s", s.nesPadGuid[i]) != 1) s.nesPadGuid[i][0] = '\0';
    }
    for (int i = 0; i < kMaxPadBindings; ++i) {
        char key[16];  // room for any int, which the compiler cannot rule out
        std::snprintf(key, sizeof key, "Pad%d", i + 1);
        if (!IniFindString(text, kPadSection, key, value)) continue;
        s.padSectionRead = 1;
        PadBinding b{};
        int32_t m[4];
        if (std::sscanf(value, "%32s %d %d %d %d %d", b.guid, &b.controller, &m[0], &m[1], &m[2],
                        &m[3]) != 6 ||
            (b.controller != 0 && b.controller != 1))
            continue;
        for (int k = 0; k < 4; ++k) b.map[k] = static_cast<uint32_t>(Low8(m[k]));
        s.padBindings[s.padBindingCount++] = b;
    }
}

}  // namespace

Settings ReadSettings(const char* path, WorkArea workArea, std::string* problem) {
    std::string text;
    ReadOutcome outcome = IniReadFile(path, text);
    // A file that is missing, cannot be read or is not a regular file gives
    // every default without a word (saving then says what failed); one too
    // large to be a settings file is worth telling at once.
    if (problem) problem->clear();
    if (problem && outcome == ReadOutcome::kTooLarge)
        *problem = std::string("The settings file ") + path +
                   " is too large to be read; the defaults are used and the file is kept.";
    Settings values{};
    for (const SettingRow& row : kSettingRows) {
        int32_t value = IniFindInteger(text, row.readSection, row.key, DefaultOf(row, workArea));
        Store(values, row, value);
        char found[kIniLineSize];
        if (IsPlayRow(row) && IniFindString(text, row.readSection, row.key, found))
            values.playSectionsRead = 1;
    }
    ReadPadSection(text, values);
    char value[kIniLineSize];
    values.integerScaleRead = IniFindString(text, kFullScreenSection, kIntegerScaleKey, value);
    values.integerScale =
        IniFindInteger(text, kFullScreenSection, kIntegerScaleKey, 0) != 0 ? 1 : 0;
    return values;
}

int WriteSettings(const char* path, const Settings& values, std::string* why, bool withPosition) {
    constexpr size_t kRows = sizeof kSettingRows / sizeof kSettingRows[0];
    constexpr size_t kMost = kRows + 3 + kMaxPadBindings;
    char texts[kMost][kIniLineSize];
    char padKeys[kMaxPadBindings][16];
    IniSetting rows[kMost];
    // A file that never had the play sections gets them once a value differs.
    bool play = values.playSectionsRead != 0;
    for (const SettingRow& row : kSettingRows)
        play = play || (IsPlayRow(row) && Fetch(values, row) != row.defaultValue);
    size_t count = 0;
    for (size_t i = 0; i < kRows; ++i) {
        const SettingRow& row = kSettingRows[i];
        if (!withPosition && (row.field == Field::kLeft || row.field == Field::kTop)) continue;
        if (IsPlayRow(row) && !play) continue;
        std::snprintf(texts[count], sizeof texts[count], "%d", Fetch(values, row));
        rows[count] = {row.writeSection, row.key, texts[count]};
        ++count;
    }
    // A file that never saw a pad model gets no section for them.
    int32_t bindings = std::min(values.padBindingCount, kMaxPadBindings);
    if (values.padSectionRead || bindings > 0 || values.nesPadGuid[0][0] ||
        values.nesPadGuid[1][0]) {
        for (int i = 0; i < 2; ++i)
            rows[count++] = {kPadSection, kNesKeys[i], values.nesPadGuid[i]};
        for (int32_t i = 0; i < bindings; ++i) {
            const PadBinding& b = values.padBindings[i];
            std::snprintf(padKeys[i], sizeof padKeys[i], "Pad%d", i + 1);
            std::snprintf(texts[count], sizeof texts[count], "%s %d %u %u %u %u", b.guid,
                          b.controller, b.map[0], b.map[1], b.map[2], b.map[3]);
            rows[count] = {kPadSection, padKeys[i], texts[count]};
            ++count;
        }
    }
    if (values.integerScaleRead || values.integerScale)
        rows[count++] = {kFullScreenSection, kIntegerScaleKey, values.integerScale ? "1" : "0"};
    std::string ignored;
    return IniPutStrings(path, rows, count, why ? *why : ignored);
}

int LoadSettings(const char* folder, WorkArea workArea) {
    int length = std::snprintf(iniPath, sizeof iniPath, "%s/morvel.ini", folder);
    bool fits = length > 0 && static_cast<size_t>(length) < sizeof iniPath;
    if (!fits) iniPath[0] = '\0';  // a cut path would name some other file
    // A missing file reads as all defaults, and so does a path that does not fit.
    std::string problem;
    settings = ReadSettings(fits ? iniPath : "", workArea, &problem);
    if (!problem.empty()) showErrorBox(problem.c_str());
    std::memcpy(keyMap, settings.keyMap, sizeof keyMap);
    std::memcpy(joyButtonMap, settings.joyButtonMap, sizeof joyButtonMap);
    std::memcpy(nesPadGuid, settings.nesPadGuid, sizeof nesPadGuid);
    std::memcpy(padBindings, settings.padBindings, sizeof padBindings);
    padBindingCount = settings.padBindingCount;
    SetVolumeDb(settings.volumeDb);
    SetSoundLatency(settings.soundLatencyMs);
    std::memcpy(playKeys, settings.playKeys, sizeof playKeys);
    playControl.fastForwardLimit = static_cast<uint32_t>(settings.fastForwardLimit);
    playControl.runAheadFrames = static_cast<uint32_t>(settings.runAheadFrames);
    SetRewindSeconds(static_cast<uint32_t>(settings.rewindSeconds));
    return fits ? 1 : 0;
}

int SaveSettings(int32_t romFromCommandLine, bool withPosition) {
    settingsError.clear();
    if (romFromCommandLine) return 1;
    if (iniPath[0] == '\0') {
        settingsError = "the folder's path is too long";
        return 0;
    }
    std::memcpy(settings.keyMap, keyMap, sizeof keyMap);
    std::memcpy(settings.joyButtonMap, joyButtonMap, sizeof joyButtonMap);
    std::memcpy(settings.nesPadGuid, nesPadGuid, sizeof nesPadGuid);
    std::memcpy(settings.padBindings, padBindings, sizeof padBindings);
    settings.padBindingCount = padBindingCount;
    settings.volumeDb = volumeDb;
    settings.soundLatencyMs = soundLatencyMs;
    std::memcpy(settings.playKeys, playKeys, sizeof playKeys);
    settings.fastForwardLimit = static_cast<int32_t>(playControl.fastForwardLimit);
    settings.runAheadFrames = static_cast<int32_t>(playControl.runAheadFrames);
    settings.rewindSeconds = static_cast<int32_t>(RewindSeconds());
    return WriteSettings(iniPath, settings, &settingsError, withPosition);
}

}  // namespace morvel
