#include "app/headless_game.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "core/battery_save.h"
#include "core/host_os.h"
#include "core/save_state.h"
#include "core/user_files.h"
#include "frontend/commands.h"
#include "frontend/front_end.h"
#include "video/osd.h"
#include "video/screenshot.h"

namespace morvel {

namespace {

// The folder made for a run that named none; removed when the run ends.
std::string temporaryFolder;

// What the window shows over a running game is printed on stdout; what it
// shows with no game (why a cartridge was refused, the close's messages) and
// the halted CPU's message go to stderr, so that stdout stays the run's own
// output.
void PrintMessage(const char* text) {
    const bool output = romLoaded && std::strcmp(text, kCpuHaltedText) != 0;
    std::fprintf(output ? stdout : stderr, "%s\n", text);
}

void NoWait(uint32_t) {}

// After a write of the state file: says on stderr what was set aside, and why
// the write failed when it did (statesDirty then stays set).
void SayWhyStatesWereWrittenSo() {
    if (!stateFileSetAside.empty())
        std::fprintf(stderr,
                     "morvel-headless: the state file refused at load was set aside as %s\n",
                     stateFileSetAside.c_str());
    if (statesDirty)
        std::fprintf(stderr, "morvel-headless: states not saved: %s\n", stateError.c_str());
}

}  // namespace

bool ParseStateAction(const char* text, bool save, StateAction& action) {
    char* end = nullptr;
    errno = 0;
    long slot = std::strtol(text, &end, 10);
    if (end == text || *end != '@' || slot < 0 || slot > 3) return false;
    const char* frameText = end + 1;
    long frame = std::strtol(frameText, &end, 10);
    if (errno != 0 || end == frameText || *end != '\0' || frame < 0) return false;
    action = {save, static_cast<int>(slot), frame};
    return true;
}

void UsePrintedMessages() {
    osdDraw = PrintMessage;
    osdWait = NoWait;
}

bool OpenDataFolder(const std::string& dataDir) {
    std::string folder = dataDir;
    if (folder.empty()) folder = temporaryFolder = os::MakeTemporaryFolder("morvel-headless-");
    if (folder.empty()) return false;
    PrepareSaveStates(folder.c_str());
    PrepareBatterySaves(folder.c_str());
    PrepareScreenshots(folder.c_str());
    return true;
}

void RemoveTemporaryFolder() {
    if (temporaryFolder.empty()) return;
    std::error_code ignored;
    std::filesystem::remove_all(temporaryFolder, ignored);
    temporaryFolder.clear();
}

bool OpenGame(const std::string& cartridge) {
    if (!OpenCartridge(cartridge.c_str())) {
        // The window says only "ROM NOT READABLE"; here the file's own
        // failure is named, as for every other file.
        ReadOutcome outcome = ReadOutcome::kRead;
        if (std::FILE* file = OpenUserFile(cartridge, outcome)) std::fclose(file);
        if (outcome != ReadOutcome::kRead)
            std::fprintf(stderr, "morvel-headless: %s %s\n", cartridge.c_str(),
                         ReadOutcomeText(outcome));
        std::fprintf(stderr, "morvel-headless: cannot open %s\n", cartridge.c_str());
        return false;
    }
    // A state file refused at load: the slots start empty, and it is set
    // aside at the first save.
    if (!stateError.empty()) std::fprintf(stderr, "morvel-headless: %s\n", stateError.c_str());
    return true;
}

void RunStateActions(const std::vector<StateAction>& actions, long framesDone) {
    for (const StateAction& action : actions) {
        if (action.frame != framesDone) continue;
        // The desktop program's Save State and Load State commands: a save
        // is written to the file at once, so a killed run keeps it.
        uint32_t first = action.save ? kCmdSaveState0 : kCmdLoadState0;
        RunCommand(first + static_cast<uint32_t>(action.slot));
        if (action.save)
            SayWhyStatesWereWrittenSo();
        else if (!stateError.empty())
            std::fprintf(stderr, "morvel-headless: slot %d refused: %s\n", action.slot,
                         stateError.c_str());
    }
}

bool CloseGame() {
    // Only a save whose write failed is left to write.
    const bool unwritten = statesDirty != 0;
    // The close writes the battery save too, and says why when it cannot.
    const bool batteryKept = WriteBatterySave();
    CloseCartridge();
    if (unwritten) SayWhyStatesWereWrittenSo();
    RemoveTemporaryFolder();
    return !statesDirty && batteryKept;
}

}  // namespace morvel
