// The user's settings and the configuration file "morvel.ini" that keeps them
// between runs: read once at start-up, written once when the window closes.
#pragma once

#include <cstdint>
#include <string>

#include "input/joypad.h"

namespace morvel {

// Every setting the file keeps, as the program uses it.
struct Settings {
    int32_t nesAspect;    // 0 Dot by Dot, 1 NES aspect ratio (Scale2x)
    int32_t windowScale;  // window size factor, 1 to 4
    int32_t windowLeft;   // window position on the screen
    int32_t windowTop;
    int32_t volumeDb;             // -36 to +8
    uint8_t keyMap[8];            // key codes of A, B, Select, Start, Up, Down, Left, Right
    uint32_t joyButtonMap[2][4];  // button numbers of A, B, Select, Start; two sets
    int32_t recordQuality;        // 0 Poor, 1 Normal, 2 High
    int32_t soundLatencyMs;       // 20 to 100; in the section "Sound", which older versions skip
    // The section "Joy Pads", which older versions skip: the GUIDs of the pads
    // chosen for NES controller 1 and 2 (NES1, NES2) and each model's buttons
    // (Pad1, Pad2 ...: "GUID numbering A B Select Start", numbering 1 for
    // SDL's game controller buttons, 0 for the device's own).
    char nesPadGuid[2][kJoypadGuidSize];
    PadBinding padBindings[kMaxPadBindings];
    int32_t padBindingCount;
    int32_t padSectionRead;  // the file had the section: it is written back
    // The section "Full Screen", which older versions skip: Integer Scale=1
    // shows the picture at the largest whole multiple that fits the screen.
    // Written once the file had it or it is set.
    int32_t integerScale;
    int32_t integerScaleRead;
    // The sections "Play Keys" (the key codes of fast-forward, rewind and frame
    // advance) and "Play", which older versions skip; written once the file
    // had them or a value is not its default.
    uint8_t playKeys[3];
    int32_t fastForwardLimit;  // 2-10 times the console's speed
    int32_t runAheadFrames;    // 0-3
    int32_t rewindSeconds;     // 0-600
    int32_t playSectionsRead;
};

// The part of the desktop not covered by the task bar; the default window
// position centres a 1X window in it.
struct WorkArea {
    int32_t right;
    int32_t bottom;
};

// The settings the window, the picture and the recorder use; the host applies
// them after LoadSettings and keeps them current for SaveSettings.
extern Settings settings;

// The configuration file's path, set by LoadSettings.
extern char iniPath[4096];

// Why the last SaveSettings failed ("... is read-only"), empty otherwise.
extern std::string settingsError;

// Every setting from the file at `path`, in the file's order, each missing one
// taking its default. A file that is not a regular file or is larger than the
// INI reader takes gives every default too; for one too large, problem (when
// given) says so.
Settings ReadSettings(const char* path, WorkArea workArea, std::string* problem = nullptr);

// Writes every setting, in the file's order, in one replacement of the file
// (left as it is when nothing changed). Without withPosition, the window's
// Left and Top stay as the file holds them (or absent): a desktop that keeps
// the windows' places itself has none to give. Returns 1 when written, 0 (why
// set, the file as it was) when it could not be.
int WriteSettings(const char* path, const Settings& values, std::string* why = nullptr,
                  bool withPosition = true);

// Start-up: forms the path "morvel.ini" in `folder`, reads the settings into
// `settings`, and applies the keys, the game pad buttons (those of each pad
// model too), the volume, the sound latency and the play settings.
// Returns 0 (and uses the defaults) when the path does not fit. A file too
// large to be read is reported through showErrorBox.
int LoadSettings(const char* folder, WorkArea workArea);

// Closing the window: takes the keys, the game pad buttons, the volume, the
// sound latency and the play settings into
// `settings` and writes the file, unless the program was started with a
// cartridge on its command line, in which case nothing is written. Returns 0
// (settingsError set, the file as it was) when the file could not be written.
// withPosition as for WriteSettings.
int SaveSettings(int32_t romFromCommandLine, bool withPosition = true);

}  // namespace morvel
