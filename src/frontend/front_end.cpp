#include "frontend/front_end.h"

#include <algorithm>

#include "apu/sound_output.h"
#include "cart/cartridge.h"
#include "core/battery_save.h"
#include "core/cpu.h"
#include "core/file_name.h"
#include "core/frame_loop.h"
#include "core/machine.h"
#include "core/play_control.h"
#include "core/save_state.h"
#include "frontend/recording_commands.h"
#include "video/osd.h"
#include "video/presentation.h"

namespace morvel {

namespace {
void Nothing() {}
int Cancelled(std::string&) {
    return 0;
}

// Whether kCpuHaltedText was shown for the halt of the moment.
bool haltShown = false;

// Writes the slots of the cartridge that is going away, when any is still
// unwritten (a save whose write failed). A failed write leaves statesDirty set.
void WriteStatesOfLoadedCartridge() {
    if (!statesDirty) return;
    int written = WriteStateFile();
    if (written) ShowOsdMessageQuiet("STATES SAVED");
    SayHowStatesWereWritten(written);
}

// A failure of the battery save: the message box once, until a write
// succeeds again (a full disk would otherwise ask every minute).
bool batteryFailing = false;
void SayHowBatterySaveWent(bool ok, const char* osdText) {
    if (ok) {
        batteryFailing = false;
        return;
    }
    ShowOsdMessageQuiet(osdText);
    if (!batteryFailing) showErrorBox(batteryError.c_str());
    batteryFailing = true;
}

// The battery memory of the cartridge that is going away reaches its file.
void WriteBatteryOfLoadedCartridge() {
    SayHowBatterySaveWent(WriteBatterySave(), "GAME SAVE NOT WRITTEN");
    if (!batterySetAside.empty()) ShowOsdMessageQuiet("SAVE FILE SET ASIDE");
}

// What every successful load does so that names, state slots, work RAM and
// the battery save belong to the cartridge now in the slot.
void TakeOverCartridge(const char* path) {
    romFileName = FileNameOf(path);
    batteryFailing = false;
    SayHowBatterySaveWent(OpenBatterySave(path), "SAVE FILE REFUSED");
    ClearStateSlots();
    SetStateFileName(path);
    if (ReadStateFile()) ShowOsdMessageQuiet("STATES LOADED");
    SoundRestart();
    CreateVideoDevice();
}
}  // namespace

uint32_t romLoaded = 0;
uint32_t emuRunning = 0;
uint32_t runningBeforeFocusLoss = 0;
uint32_t romFromCommandLine = 0;
uint32_t pauseChecked = 0;
std::string romFileName;
void (*cartridgeOpened)(const char* path) = nullptr;

WindowHost windowHost = {Nothing, Nothing, Nothing, Nothing, Cancelled, Nothing, Nothing};

void SayHowStatesWereWritten(int written) {
    if (!stateFileSetAside.empty()) ShowOsdMessageQuiet("STATES FILE SET ASIDE");
    if (!written) ShowOsdMessageQuiet("STATES NOT SAVED");
}

void UpdatePauseIndicator() {
    pauseChecked = emuRunning ? 0 : 1;
    windowHost.updateMenus();
    if (!emuRunning) ShowOsdMessageQuiet("EMU PAUSED");
}

int OpenCartridge(const char* path) {
    ReadOutcome outcome;
    int32_t mapper = PeekMapperNumber(path, &outcome);
    if (!FindSupportedBoard(mapper)) {
        // A file that is missing, unreadable or not a regular file says so;
        // one that was read names no board this program has.
        ShowOsdMessage(outcome == ReadOutcome::kRead ? "MAPPER NOT SUPPORTED" : "ROM NOT READABLE",
                       700);
        if (!romLoaded) windowHost.repaint();
        return 0;
    }
    // The replaced cartridge's images are kept until the new one has loaded:
    // a refused image leaves the running game as it was.
    if (romLoaded) {
        WriteStatesOfLoadedCartridge();
        WriteBatteryOfLoadedCartridge();
    }
    if (!StartCartridge(path)) {
        if (!romLoaded) windowHost.repaint();
        return 0;
    }
    if (romLoaded) {
        // A recording belongs to the cartridge it was started with.
        StopRecordingCommand();
        TakeOverCartridge(path);
        if (cartridgeOpened) cartridgeOpened(path);
        windowHost.updateMenus();
        return 1;
    }
    windowHost.hideRomBrowser();
    romLoaded = 1;
    emuRunning = 1;
    // A focus change the window system reports late must not stop the new game.
    runningBeforeFocusLoss = 1;
    UpdatePauseIndicator();
    TakeOverCartridge(path);
    if (cartridgeOpened) cartridgeOpened(path);
    windowHost.updateMenus();
    return 1;
}

void CloseCartridge() {
    if (!romLoaded) return;
    romLoaded = 0;
    emuRunning = 0;
    runningBeforeFocusLoss = 0;
    pauseChecked = 1;
    windowHost.updateMenus();
    ShowOsdMessageQuiet("EMU PAUSED");
    WriteBatteryOfLoadedCartridge();
    CloseBatterySave();
    ReleaseCartridge();
    StopRecordingCommand();
    WriteStatesOfLoadedCartridge();
    SoundStop();
    ReleaseVideoObjects();
    romFileName.clear();
    windowHost.showRomBrowser();
    windowHost.updateMenus();
}

void WindowFocusLost() {
    uint32_t wasRunning = emuRunning;
    runningBeforeFocusLoss = emuRunning;
    emuRunning = 0;
    if (wasRunning) {
        SoundStop();
        ShowOsdMessage("EMU SUSPENDED", 0);
    }
}

void WindowFocusGained() {
    // Only a game that ran when the focus went away runs again; a cartridge
    // closed meanwhile stays closed.
    emuRunning = runningBeforeFocusLoss && romLoaded;
    if (emuRunning) SoundResume();
}

void ModalLoopEntered() {
    if (emuRunning) SoundStop();
}

void ModalLoopLeft() {
    if (emuRunning) SoundResume();
}

const char kCpuHaltedText[] = "CPU HALTED: PRESS RESET";

// Commands run between frames: a reset or a load has cleared the halt before
// the next frame starts.
void RunGameFrame() {
    if (!cpuCycle.halted) haltShown = false;
    RunPlayFrame();
    SayHowBatterySaveWent(WriteBatterySaveOnTime(), "GAME SAVE NOT WRITTEN");
    if (!cpuCycle.halted || haltShown) return;
    haltShown = true;
    ShowOsdMessageQuiet(kCpuHaltedText);
}

std::string StripQuotes(const std::string& commandLine) {
    std::string path;
    std::copy_if(commandLine.begin(), commandLine.end(), std::back_inserter(path),
                 [](char c) { return c != '"'; });
    return path;
}

}  // namespace morvel
