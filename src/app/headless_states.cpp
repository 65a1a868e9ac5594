#include "app/headless_states.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "core/save_state.h"
#include "frontend/commands.h"
#include "video/osd.h"
#include "video/screenshot.h"

namespace morvel {

namespace {

// The folder made for a run that named none; removed when the run ends.
std::string temporaryFolder;

std::string MakeTemporaryDataDir() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "morvel-headless-XXXXXX").string();
    return mkdtemp(pattern.data()) ? pattern : std::string();
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

bool OpenStates(const std::string& dataDir, const std::string& cartridge) {
    std::string folder = dataDir;
    if (folder.empty()) folder = temporaryFolder = MakeTemporaryDataDir();
    if (folder.empty()) return false;
    mkdir(folder.c_str(), 0777);
    PrepareSaveStates(folder.c_str());
    PrepareScreenshots(folder.c_str());
    ClearStateSlots();
    SetStateFileName(cartridge.c_str());
    if (ReadStateFile())
        std::printf("STATES LOADED\n");
    else if (!stateError.empty())
        std::fprintf(stderr, "morvel-headless: %s\n", stateError.c_str());
    return true;
}

namespace {

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

void UsePrintedMessages() {
    osdDraw = [](const char* text) { std::printf("%s\n", text); };
    osdWait = [](uint32_t) {};
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

bool CloseStates() {
    // Only a save whose write failed is left to write.
    bool kept = true;
    if (statesDirty) {
        kept = WriteStateFile() != 0;
        SayWhyStatesWereWrittenSo();
        if (kept) std::printf("STATES SAVED\n");
    }
    if (!temporaryFolder.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(temporaryFolder, ignored);
    }
    return kept;
}

}  // namespace morvel
