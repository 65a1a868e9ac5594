#include "frontend/commands.h"

#include <iterator>

#include "apu/apu.h"
#include "apu/sound_output.h"
#include "core/frame_buffer.h"
#include "core/machine.h"
#include "core/play_control.h"
#include "core/rewind_history.h"
#include "core/save_state.h"
#include "frontend/front_end.h"
#include "frontend/recording_commands.h"
#include "frontend/rom_list.h"
#include "input/keyboard.h"
#include "video/osd.h"
#include "video/presentation.h"
#include "video/screenshot.h"

namespace morvel {

namespace {

void FullScreenCommand() {
    if (!romLoaded) return;
    if (fullScreen) {
        fullScreen = 0;
        LeaveFullScreen();
    } else {
        fullScreen = 1;
        EnterFullScreen();
    }
    windowHost.updateMenus();
}

void LoadRomCommand() {
    if (emuRunning) SoundStop();
    std::string path;
    if (windowHost.chooseRomFile(path)) OpenCartridge(path.c_str());
    // The dialog held the frame loop up with the sound stopped.
    if (emuRunning) SoundResume();
}

void CloseRomCommand() {
    if (!fullScreen) CloseCartridge();
}

void ResetCommand() {
    if (emuRunning) ResetMachine();
}

void PauseCommand() {
    if (!romLoaded) return;
    emuRunning = emuRunning ? 0 : 1;
    UpdatePauseIndicator();
}

// The slot messages carry the ordinal indicator º (U+00BA), as the original
// program's texts do.
const char* const kLoadedStateTexts[4] = {"LOADED STATE N\u00BA -> 0", "LOADED STATE N\u00BA -> 1",
                                          "LOADED STATE N\u00BA -> 2", "LOADED STATE N\u00BA -> 3"};
const char* const kSavedStateTexts[4] = {"SAVED N\u00BA -> 0", "SAVED N\u00BA -> 1",
                                         "SAVED N\u00BA -> 2", "SAVED N\u00BA -> 3"};

// A slot the state checks refused says so; the game runs on as it was.
void LoadStateCommand(int n) {
    if (LoadStateSlot(n))
        ShowOsdMessageQuiet(kLoadedStateTexts[n]);
    else if (!stateError.empty())
        ShowOsdMessageQuiet("STATE NOT LOADED");
}

void SaveStateCommand(int n) {
    if (!SaveStateSlot(n)) return;
    // The file is written at once, before the message holds the program: a
    // crash or a kill after the save keeps the slot.
    int written = WriteStateFile();
    ShowOsdMessageQuiet(kSavedStateTexts[n]);
    SayHowStatesWereWritten(written);
}

// The last completed frame: commands run between frames, when the frame
// buffer holds the finished picture.
void ScreenshotCommand() {
    if (!emuRunning) return;
    if (TakeScreenshot(frameBuffer, romFileName.c_str()))
        ShowOsdMessageQuiet("SCREENSHOT TAKEN");
    else
        ShowOsdMessageQuiet("SCREENSHOT NOT SAVED");
}

void MuteCommand() {
    soundMuted = soundMuted ? 0 : 1;
}

void VolumeUpCommand() {
    if (volumeDb < 8) SetVolumeDb(volumeDb + 1);
}

void VolumeDownCommand() {
    if (volumeDb >= -35) SetVolumeDb(volumeDb - 1);
}

void SetPictureMode(uint32_t aspect) {
    nesAspect = aspect;
    SetWindowScale(windowScale);
    // Recordings are made in the NES aspect mode only.
    if (!aspect) StopRecordingCommand();
    windowHost.updateMenus();
}

// Full screen at the largest whole multiple that fits, or as large as fits;
// a full screen picture is placed again at once.
void IntegerScaleCommand() {
    integerScale = integerScale ? 0 : 1;
    if (fullScreen) windowHost.repaint();
    windowHost.updateMenus();
}

void RescanCommand() {
    if (emuRunning) return;
    FillRomList();
    windowHost.showRomList();
}

void VolumeCommand() {
    if (emuRunning && !dialogHost.volumePopupOpen()) dialogHost.openVolumePopup();
}

// The dialogs hold the focus, so the game is suspended while they are open.
// With no cartridge the browser comes back afterwards; a loaded game, running
// or paused, keeps the window.
void InputDialogCommand(void (*dialog)()) {
    dialog();
    if (!romLoaded) windowHost.showRomBrowser();
}

// Paused, the frame-advance key runs one frame and shows it; while the game
// runs it pauses it first.
void FrameAdvanceCommand() {
    if (!romLoaded) return;
    if (emuRunning) {
        PauseCommand();
        return;
    }
    RunGameFrame();
}

void FastForwardCommand() {
    playControl.fastForwardOn = playControl.fastForwardOn ? 0 : 1;
    windowHost.updateMenus();
}

void RunAheadCommand(uint32_t frames) {
    playControl.runAheadFrames = frames;
    windowHost.updateMenus();
}

void FastForwardLimitCommand(uint32_t limit) {
    playControl.fastForwardLimit = limit;
    windowHost.updateMenus();
}

void RewindLengthCommand(uint32_t seconds) {
    if (seconds != RewindSeconds()) SetRewindSeconds(seconds);
    windowHost.updateMenus();
}

struct CommandRow {
    uint32_t id;
    void (*run)();
};

// clang-format off
const CommandRow kCommands[] = {
    {kCmdFullScreen,     FullScreenCommand},
    {kCmdLoadRom,        LoadRomCommand},
    {kCmdCloseRom,       CloseRomCommand},
    {kCmdExit,           [] { windowHost.closeWindow(); }},
    {kCmdReset,          ResetCommand},
    {kCmdPause,          PauseCommand},
    {kCmdMute,           MuteCommand},
    {kCmdLoadState0,     [] { LoadStateCommand(0); }},
    {kCmdLoadState0 + 1, [] { LoadStateCommand(1); }},
    {kCmdLoadState0 + 2, [] { LoadStateCommand(2); }},
    {kCmdLoadState0 + 3, [] { LoadStateCommand(3); }},
    {kCmdSaveState0,     [] { SaveStateCommand(0); }},
    {kCmdSaveState0 + 1, [] { SaveStateCommand(1); }},
    {kCmdSaveState0 + 2, [] { SaveStateCommand(2); }},
    {kCmdSaveState0 + 3, [] { SaveStateCommand(3); }},
    {kCmdScale1,         [] { SetWindowScale(1); }},
    {kCmdScale2,         [] { SetWindowScale(2); }},
    {kCmdScale3,         [] { SetWindowScale(3); }},
    {kCmdScale4,         [] { SetWindowScale(4); }},
    {kCmdRescanRoms,     RescanCommand},
    {kCmdDotByDot,       [] { SetPictureMode(0); }},
    {kCmdNesAspect,      [] { SetPictureMode(1); }},
    {kCmdScreenshot,     ScreenshotCommand},
    {kCmdVolume,         VolumeCommand},
    {kCmdKeyboardConfig, [] { InputDialogCommand(dialogHost.keyboardDialog); }},
    {kCmdJoypadConfig,   [] { InputDialogCommand(dialogHost.joypadDialog); }},
    {kCmdVolumeUp,       VolumeUpCommand},
    {kCmdVolumeDown,     VolumeDownCommand},
    {kCmdRecordStart,    StartRecordingCommand},
    {kCmdRecordStop,     [] { StopRecordingCommand(); }},
    {kCmdQualityPoor,    [] { SetRecordQuality(0); }},
    {kCmdQualityNormal,  [] { SetRecordQuality(1); }},
    {kCmdQualityHigh,    [] { SetRecordQuality(2); }},
    {kCmdLatency20,      [] { SetSoundLatency(20); }},
    {kCmdLatency40,      [] { SetSoundLatency(40); }},
    {kCmdLatency60,      [] { SetSoundLatency(60); }},
    {kCmdLatency80,      [] { SetSoundLatency(80); }},
    {kCmdLatency100,     [] { SetSoundLatency(100); }},
    {kCmdIntegerScale,   IntegerScaleCommand},
    {kCmdFastForward,    FastForwardCommand},
    {kCmdFrameAdvance,   FrameAdvanceCommand},
    {kCmdRunAhead0,      [] { RunAheadCommand(0); }},
    {kCmdRunAhead0 + 1,  [] { RunAheadCommand(1); }},
    {kCmdRunAhead0 + 2,  [] { RunAheadCommand(2); }},
    {kCmdRunAhead0 + 3,  [] { RunAheadCommand(3); }},
    {kCmdRewindLength0,     [] { RewindLengthCommand(kRewindLengths[0]); }},
    {kCmdRewindLength0 + 1, [] { RewindLengthCommand(kRewindLengths[1]); }},
    {kCmdRewindLength0 + 2, [] { RewindLengthCommand(kRewindLengths[2]); }},
    {kCmdRewindLength0 + 3, [] { RewindLengthCommand(kRewindLengths[3]); }},
    {kCmdFastForwardLimit0,     [] { FastForwardLimitCommand(kFastForwardLimits[0]); }},
    {kCmdFastForwardLimit0 + 1, [] { FastForwardLimitCommand(kFastForwardLimits[1]); }},
    {kCmdFastForwardLimit0 + 2, [] { FastForwardLimitCommand(kFastForwardLimits[2]); }},
    {kCmdFastForwardLimit0 + 3, [] { FastForwardLimitCommand(kFastForwardLimits[3]); }},
};
// clang-format on

void NoDialog() {}
int NoPopup() {
    return 0;
}

}  // namespace

DialogHost dialogHost = {NoDialog, NoPopup, NoDialog, NoDialog};

void HoldFastForward(bool held) {
    playControl.fastForwardHeld = held ? 1 : 0;
}

void HoldRewind(bool held) {
    playControl.rewindHeld = held ? 1 : 0;
}

void FollowPlayKeys() {
    auto down = [](int32_t key) { return (keyboardState[playKeys[key]] & 0x80) != 0; };
    HoldFastForward(down(kPlayFastForward));
    HoldRewind(down(kPlayRewind));
    static bool advanceWasDown;
    const bool advance = down(kPlayFrameAdvance);
    if (advance && !advanceWasDown) RunCommand(kCmdFrameAdvance);
    advanceWasDown = advance;
}

void RunCommand(uint32_t id) {
    for (const CommandRow& row : kCommands) {
        if (row.id == id) {
            row.run();
            return;
        }
    }
}

}  // namespace morvel
