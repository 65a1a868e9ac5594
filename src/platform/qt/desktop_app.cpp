#include "platform/qt/desktop_app.h"

#include <QApplication>
#include <QFileInfo>
#include <QMessageBox>
#include <QTimer>
#include <chrono>
#include <thread>

#include "apu/apu.h"
#include "apu/sound_output.h"
#include "apu/volume_steps.h"
#include "core/battery_save.h"
#include "core/save_state.h"
#include "frontend/commands.h"
#include "frontend/data_folder.h"
#include "frontend/front_end.h"
#include "frontend/recent_roms.h"
#include "frontend/recording_commands.h"
#include "frontend/rom_list.h"
#include "input/controllers.h"
#include "input/keyboard.h"
#include "platform/qt/desktop_settings.h"
#include "platform/qt/end_requests.h"
#include "platform/qt/input_dialogs.h"
#include "platform/qt/main_window.h"
#include "platform/qt/menu_table.h"
#include "platform/qt/rom_browser.h"
#include "platform/qt/screen_saver.h"
#include "platform/qt/single_instance.h"
#include "platform/qt/volume_popup.h"
#include "platform/sdl/sdl_joypads.h"
#include "platform/sdl/sdl_sound.h"
#include "recording/video_recorder.h"
#include "video/presentation.h"
#include "video/screenshot.h"

namespace morvel::qt {

namespace {

// The cartridge named on the command line: every argument after the program's
// name, joined by blanks, without quotation marks.
std::string CommandLineCartridge(const QStringList& arguments) {
    return StripQuotes(arguments.mid(1).join(' ').toStdString());
}

}  // namespace

DesktopApp::DesktopApp(const QStringList& arguments, const QString& dataFolder)
    : instance_(new SingleInstance), defaultDialogHost(dialogHost) {
    std::string cartridge = CommandLineCartridge(arguments);
    // The copy that runs opens the cartridge; its folder may not be ours.
    QString fullPath = cartridge.empty()
                           ? QString()
                           : QFileInfo(QString::fromStdString(cartridge)).absoluteFilePath();
    if (instance_->AnotherCopyRuns(fullPath)) return;
    window_.reset(new MainWindow);
    screenSaver_.reset(new ScreenSaverInhibitor);
    MainWindow* window = window_.get();
    ConnectHosts(window);
    instance_->Listen([this, window](const QString& path, const QByteArray& token) {
        window->showNormal();
        window->raise();
        // On Wayland only a token from the launcher lets a window come to the
        // front; Qt takes it from XDG_ACTIVATION_TOKEN when the window asks.
        // Without one the desktop is asked to draw the user's attention.
        // (A token is good once: one Qt did not take is no use later.)
        if (!token.isEmpty()) qputenv("XDG_ACTIVATION_TOKEN", token);
        window->activateWindow();
        qunsetenv("XDG_ACTIVATION_TOKEN");
        if (token.isEmpty() && QGuiApplication::platformName().startsWith("wayland"))
            QApplication::alert(window);
        if (!path.isEmpty()) handedOver_ = path.toStdString();
    });
    // A signal or the session's end closes the open dialogs, so that their
    // loops end, and then the window, as its close button does.
    endRequests_.reset(new EndRequests([window] {
        while (QWidget* dialog = QApplication::activeModalWidget())
            if (!dialog->close()) break;
        if (!window->closed()) window->close();
    }));

    ChooseDataFolder(dataFolder.isEmpty() ? QCoreApplication::applicationDirPath().toStdString()
                                          : dataFolder.toStdString());
    PrepareRomFolder();
    PrepareSaveStates(exeDir.c_str());
    PrepareBatterySaves(exeDir.c_str());
    PrepareScreenshots(exeDir.c_str());
    PrepareVideos(exeDir.c_str());
    CreateDataFolders();
    FillRomList();
    window->browser()->Refill();
    BuildMixerTables();
    BuildVolumeSteps();
    LoadAndApplySettings(window);
    cartridgeOpened = NoteRomOpened;
    soundBackend = &sdl::sdlSoundBuffer;
    if (!SoundInit()) {
        QMessageBox::critical(window, "Error",
                              "Could Not Initialize Sound. Emulator will now exit");
        startFailed_ = true;
        return;
    }
    ClearKeyboardState();
    std::string mappingProblem;
    sdl::OpenJoypads(DataPath("gamecontrollerdb.txt").c_str(), &mappingProblem);
    // Told once the window runs; the pads work meanwhile.
    if (!mappingProblem.empty())
        QTimer::singleShot(0, window, [mappingProblem] { showErrorBox(mappingProblem.c_str()); });
    UseKeyboardAndJoypads();
    dialogHost.openVolumePopup = OpenVolumePopup;
    dialogHost.volumePopupOpen = [] { return OpenedVolumePopup() ? 1 : 0; };
    dialogHost.keyboardDialog = [] { RunKeyboardDialog(CurrentMainWindow()); };
    dialogHost.joypadDialog = [] { RunJoypadDialog(CurrentMainWindow()); };

    romFromCommandLine = cartridge.empty() ? 0 : 1;
    if (!cartridge.empty()) {
        if (!OpenCartridge(cartridge.c_str()))
            QMessageBox::critical(window, "Error",
                                  "Couldn't load rom from the command line. Check command line "
                                  "arguments and try again");
    }
    if (!romLoaded) window->ShowBrowser();
    window->show();
    window->activateWindow();
    RefreshMenus();
}

DesktopApp::~DesktopApp() {
    if (!window_) return;
    cartridgeOpened = nullptr;
    if (!window_->closed() && !startFailed_) window_->close();
    CloseVolumePopup();
    dialogHost = defaultDialogHost;
    // Closing the window ends a recording with the cartridge; whatever way
    // the program ends, the file is completed before the sound goes away.
    StopRecordingCommand();
    SoundShutdown();
    sdl::CloseJoypads();
    ReleaseVideoObjects();
    ConnectHosts(nullptr);
}

bool DesktopApp::RunPass() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    if (window_->closed()) {
        screenSaver_->Follow(false);
        return false;
    }
    sdl::PollJoypadChanges();
    if (fullScreen && SwitchKeysDown()) {
        fullScreen = 0;
        LeaveFullScreen();
        RefreshMenus();
    }
    // Qt's menus and dialogs leave this loop running: the game is held while
    // one is open, rather than running behind it on a stopped sound device.
    // The volume popup is heard while it is open: the game goes on.
    QWidget* popup = QApplication::activePopupWidget();
    HoldWhile((popup && popup != OpenedVolumePopup()) || QApplication::activeModalWidget());
    // A cartridge a later copy handed over opens as a dropped one does, once
    // no menu or dialog is open.
    if (!held_ && !handedOver_.empty()) {
        std::string path = std::move(handedOver_);
        handedOver_.clear();
        OpenCartridge(path.c_str());
        RefreshMenus();
    }
    // A paused, suspended or closed game lets the screen saver come back.
    screenSaver_->Follow(emuRunning != 0);
    if (emuRunning && !held_)
        RunGameFrame();
    else
        std::this_thread::sleep_for(std::chrono::milliseconds(16));
    return true;
}

void DesktopApp::HoldWhile(bool menuOrDialogOpen) {
    if (menuOrDialogOpen == held_) return;
    held_ = menuOrDialogOpen;
    if (held_)
        ModalLoopEntered();
    else
        ModalLoopLeft();
}

int DesktopApp::Run() {
    while (RunPass()) {
    }
    return EXIT_SUCCESS;
}

}  // namespace morvel::qt
