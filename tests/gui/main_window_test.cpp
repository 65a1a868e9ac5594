// The desktop program's window, driven in-process: its menu items, keys,
// dropped files and ROM browser reach the front end's commands, and the
// check marks, sizes and pictures follow. The commands' own rules are tested
// in tests/frontend.
#include "platform/qt/main_window.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QMenuBar>
#include <QMimeData>
#include <QProcess>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <QUrl>
#include <filesystem>

#include "cart/cartridge.h"
#include "core/play_control.h"
#include "core/rewind_history.h"
#include "desktop_fixture.h"
#include "frontend/commands.h"
#include "frontend/front_end.h"
#include "frontend/recent_roms.h"
#include "frontend/recording_commands.h"
#include "input/button_source.h"
#include "input/keyboard.h"
#include "platform/qt/display_widget.h"
#include "platform/qt/menu_table.h"
#include "platform/qt/osd_overlay.h"
#include "platform/qt/rom_browser.h"
#include "platform/qt/single_instance.h"
#include "recording/video_recorder.h"
#include "support/run_headless.h"
#include "support/test_machine.h"
#include "video/osd.h"
#include "video/presentation.h"

namespace morvel::test {
namespace {

void Press(QWidget* target, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::keyClick(target, key, modifiers);
}

QSize ClientSizeOf(qt::MainWindow* window) {
    return window->centralWidget()->size();
}

void DropFile(qt::MainWindow* window, const std::string& path) {
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(QString::fromStdString(path))});
    QPoint where(20, 60);
    QDragEnterEvent enter(where, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window, &enter);
    QDropEvent drop(where, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window, &drop);
}

std::string UnsupportedImage() {
    InesImage image = MakeInesImage(255, 1, 1);  // a mapper no board here takes
    return WriteTempFile(image.bytes, "odd.nes");
}

// The command line's words form one path, quotes taken off; the game runs
// at once, and the settings are not written back at the close.
TEST_F(DesktopTest, CommandLineCartridgeRunsAtOnceWithTheBrowserHidden) {
    std::string spaced = dataFolder_ + "/a game.nes";
    std::filesystem::copy_file(TestRom("nrom_board"), spaced);
    Start({"\"" + dataFolder_ + "/a", "game.nes\""});
    EXPECT_EQ(window()->windowTitle(), "morvel 0.63 x64");
    EXPECT_TRUE(romLoaded);
    EXPECT_EQ(romFileName, "a game.nes");
    ASSERT_TRUE(RunFrames(30));
    EXPECT_FALSE(window()->browser()->isVisible());
    window()->close();
    RunPasses(1);
    // Only the recent roms are written.
    EXPECT_EQ(ReadFileText(dataFolder_ + "/morvel.ini").find("[Window]"), std::string::npos);
}

struct SizeCase {
    uint32_t modeCommand;  // 40062 Dot by Dot, 40063 NES aspect
    uint32_t sizeCommand;  // 40019, 40020, 40021, 40044
    int width, height;     // the client area
    int surface;           // the picture handed to the display: 256, 512 or 1024 wide
    int smooth;
};

TEST_F(DesktopTest, WindowSizesAndPictureModesGiveTheClientArea) {
    // clang-format off
    const SizeCase cases[] = {
        {40062, 40019, 256, 224, 256, 0},   {40062, 40020, 512, 448, 256, 0},
        {40062, 40021, 768, 672, 256, 0},   {40062, 40044, 1024, 896, 256, 0},
        {40063, 40019, 292, 224, 512, 1},   {40063, 40020, 584, 448, 512, 1},
        {40063, 40021, 876, 672, 1024, 1},  {40063, 40044, 1168, 896, 1024, 1},
    };
    // clang-format on
    Start({TestRom("nrom_board")});
    for (const SizeCase& c : cases) {
        qt::ActionOf(c.modeCommand)->trigger();
        qt::ActionOf(c.sizeCommand)->trigger();
        RunPasses(2);
        ASSERT_TRUE(RunFrames(2));
        EXPECT_EQ(ClientSizeOf(window()), QSize(c.width, c.height)) << c.sizeCommand;
        EXPECT_EQ(window()->display()->widget()->size(), QSize(c.width, c.height));
        const PresentedPicture* picture = LastPresentedPicture();
        ASSERT_NE(picture, nullptr);
        EXPECT_EQ(picture->width, c.surface);
        EXPECT_EQ(picture->rows, 224 * c.surface / 256);
        EXPECT_EQ(picture->top, 8 * c.surface / 256);
        EXPECT_EQ(picture->smooth, c.smooth);
        EXPECT_TRUE(qt::ActionOf(c.sizeCommand)->isChecked());
        EXPECT_EQ(qt::ActionOf(40062)->isChecked(), c.modeCommand == 40062);
        EXPECT_EQ(qt::ActionOf(40063)->isChecked(), c.modeCommand == 40063);
        // Recording is offered in the NES aspect mode only.
        EXPECT_EQ(qt::ActionOf(40106)->isEnabled(), c.modeCommand == 40063);
    }
}

TEST_F(DesktopTest, FullScreenAndBackToTheSameWindow) {
    Start({TestRom("nrom_board")});
    qt::ActionOf(40020)->trigger();
    RunFrames(2);
    QRect before = window()->geometry();
    Press(window(), Qt::Key_Return, Qt::AltModifier);
    ASSERT_TRUE(RunFrames(2));
    EXPECT_TRUE(fullScreen);
    EXPECT_EQ(window()->geometry(), window()->screen()->geometry());
    EXPECT_FALSE(window()->menuBar()->isVisible());
    const PresentedPicture* picture = LastPresentedPicture();
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(picture->width, 512);
    EXPECT_EQ(picture->top, 16);
    EXPECT_EQ(picture->rows, 448);
    // Alt and the keypad's Enter leave it.
    Press(window(), Qt::Key_Enter, Qt::AltModifier);
    ASSERT_TRUE(RunFrames(2));
    EXPECT_FALSE(fullScreen);
    EXPECT_TRUE(window()->menuBar()->isVisible());
    EXPECT_EQ(window()->geometry(), before);
    EXPECT_EQ(ClientSizeOf(window()), QSize(512, 448));
}

// The browser lists the roms folder, rescans it from the menu, and starts the
// chosen cartridge with Enter or the keypad's Enter; Esc closes the game and
// brings the browser back.
TEST_F(DesktopTest, BrowserListsRescansAndStartsTheChosenCartridge) {
    Start();
    QTreeWidget* list = window()->browser()->list();
    EXPECT_TRUE(window()->browser()->isVisible());
    ASSERT_EQ(list->topLevelItemCount(), 1);
    EXPECT_EQ(list->topLevelItem(0)->text(0), "No Roms Found");
    EXPECT_FALSE(list->isEnabled());
    EXPECT_EQ(list->headerItem()->text(0), "Rom name");
    EXPECT_EQ(list->headerItem()->text(1), "Mapper");
    window()->browser()->Fit(640, 480);
    EXPECT_EQ(list->columnWidth(0), 448);
    EXPECT_EQ(list->columnWidth(1), 192);
    CopyToRoms(DemoRom(), "demo.nes");
    CopyToRoms(UnsupportedImage(), "gamma.nes");
    qt::ActionOf(40050)->trigger();
    RunPasses(2);
    ASSERT_EQ(list->topLevelItemCount(), 2);
    EXPECT_TRUE(list->isEnabled());
    EXPECT_EQ(list->topLevelItem(0)->text(1), "MAPPER 0");
    EXPECT_EQ(list->topLevelItem(1)->text(1), "--------");
    // The unsupported board, chosen with the keypad's Enter, is refused, and
    // the repaint after its message takes the message box off the list.
    list->setCurrentItem(list->topLevelItem(1));
    Press(list, Qt::Key_Enter);
    EXPECT_TRUE(SawMessage("MAPPER NOT SUPPORTED"));
    RunPasses(2);
    EXPECT_FALSE(window()->osd()->isVisible());
    list->setCurrentItem(list->topLevelItem(0));
    Press(list, Qt::Key_Return);
    EXPECT_EQ(romFileName, "demo.nes");
    EXPECT_FALSE(window()->browser()->isVisible());
    ASSERT_TRUE(RunFrames(5));
    Press(window(), Qt::Key_Escape);
    EXPECT_FALSE(romLoaded);
    EXPECT_TRUE(window()->browser()->isVisible());
    EXPECT_FALSE(window()->osd()->isVisible()) << "the message stands over the browser";
}

TEST_F(DesktopTest, DroppedFileStartsAndUnsupportedOneKeepsTheGame) {
    Start();
    DropFile(window(), TestRom("nrom_board"));
    EXPECT_TRUE(romLoaded);
    EXPECT_FALSE(window()->browser()->isVisible());
    ASSERT_TRUE(RunFrames(5));
    DropFile(window(), UnsupportedImage());
    EXPECT_TRUE(SawMessage("MAPPER NOT SUPPORTED"));
    EXPECT_TRUE(romLoaded);
    EXPECT_TRUE(emuRunning);
    EXPECT_EQ(romFileName, "nrom_board.nes");
    EXPECT_EQ(mapperNumber, 0u);
    EXPECT_TRUE(RunFrames(5));
}

TEST_F(DesktopTest, LosingTheFocusSuspendsAndLetsGoOfTheKeys) {
    Start({TestRom("nrom_board")});
    ASSERT_TRUE(RunUntil([this] { return window()->isActiveWindow(); }));
    ASSERT_TRUE(RunFrames(3));
    QTest::keyPress(window(), Qt::Key_Left);
    EXPECT_EQ(ReadKeyboardButtons(), kButtonLeft);
    QWidget other;
    other.show();
    other.activateWindow();
    ASSERT_TRUE(RunUntil([this] { return !window()->isActiveWindow(); }));
    EXPECT_FALSE(emuRunning);
    EXPECT_TRUE(SawMessage("EMU SUSPENDED"));
    EXPECT_EQ(ReadKeyboardButtons(), 0) << "a key held when the focus went stays down";
    window()->activateWindow();
    ASSERT_TRUE(RunUntil([this] { return window()->isActiveWindow(); }));
    EXPECT_TRUE(emuRunning);
}

// Without a runtime folder the single-instance socket lies in a folder of the
// user's own that nobody else may enter, and a listener there that does not
// answer as the program does is not taken for another copy.
TEST_F(DesktopTest, SingleInstanceSocketIsPrivateAndAnsweredByTheProgramOnly) {
    std::string temp = dataFolder_ + "/tmp";
    std::filesystem::create_directory(temp);
    chmod(temp.c_str(), 01777);  // a temporary folder every user may write
    unsetenv("XDG_RUNTIME_DIR");
    setenv("TMPDIR", temp.c_str(), 1);
    struct Unset {
        ~Unset() { unsetenv("TMPDIR"); }
    } unset;
    QString socket;
    {
        qt::SingleInstance first;
        first.Listen([](const QString&, const QByteArray&) {});
        socket = first.SocketPath();
    }
    struct stat folder = {};
    ASSERT_EQ(stat(QFileInfo(socket).path().toLocal8Bit().constData(), &folder), 0);
    EXPECT_EQ(folder.st_mode & 0777, 0700u) << socket.toStdString();
    EXPECT_EQ(folder.st_uid, getuid());
    QLocalServer silent;
    ASSERT_TRUE(silent.listen(socket));
    EXPECT_FALSE(qt::SingleInstance().AnotherCopyRuns());
}

// A knock brings the cartridge and, on the next line, the activation token
// the later copy's launcher gave it; a knock without a token still opens.
TEST_F(DesktopTest, KnockBringsTheCartridgeAndTheActivationToken) {
    qt::SingleInstance first;
    QString cartridge;
    QByteArray token;
    int knocks = 0;
    first.Listen([&](const QString& path, const QByteArray& given) {
        cartridge = path, token = given, ++knocks;
    });
    const std::tuple<QByteArray, QString, QByteArray> cases[] = {
        {"open /r/a b.nes\ntoken 1a-2_b.c\n", "/r/a b.nes", "1a-2_b.c"},
        {"front\n", "", ""},
        {"open /r/c.nes\n", "/r/c.nes", ""}};
    for (const auto& [knock, path, given] : cases) {
        QLocalSocket later;
        later.connectToServer(first.SocketPath());
        later.write(knock);
        const int before = knocks;
        for (int i = 0; i < 300 && knocks == before; ++i) QTest::qWait(10);
        EXPECT_EQ(cartridge, path) << knock.constData();
        EXPECT_EQ(token, given) << knock.constData();
    }
}

// Every way in puts the cartridge at the head of File > Recent Roms, ten at
// most, kept for the next start; the open dialog starts in the roms folder,
// then where a file was last chosen; a file gone since is taken off the list,
// with a message, when chosen.
TEST_F(DesktopTest, RecentRomsAndTheDialogsFolderOutliveTheSession) {
    std::string other = dataFolder_ + "/other";
    std::filesystem::create_directory(other);
    std::vector<std::string> roms;
    for (int i = 0; i < 12; ++i) {
        roms.push_back(other + "/g" + std::to_string(i) + ".nes");
        std::filesystem::copy_file(TestRom("nrom_board"), roms.back());
    }
    QString shown;
    auto choose = [&](const std::string& file) {
        QTimer::singleShot(0, [&shown, file] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            ASSERT_TRUE(dialog);
            shown = dialog->directory().absolutePath();
            dialog->selectFile(QString::fromStdString(file));
            QDialog* asked = dialog;  // accept() is the dialog's own slot
            file.empty() ? asked->reject() : asked->accept();
        });
        qt::ActionOf(kCmdLoadRom)->trigger();
    };
    Start({roms[0]});
    for (int i = 1; i <= 10; ++i) DropFile(window(), roms[i]);
    choose(roms[11]);
    EXPECT_EQ(shown.toStdString(), dataFolder_ + "/roms");
    EXPECT_EQ(romFileName, "g11.nes");
    DropFile(window(), roms[5]);  // to the head, once
    std::filesystem::remove(roms[3]);
    static std::vector<std::string> boxes;
    showErrorBox = [](const char* text) { boxes.push_back(text); };
    auto* menu = window()->findChild<QMenu*>("recentRoms");
    emit menu->aboutToShow();
    ASSERT_EQ(menu->actions().size(), 10);
    EXPECT_EQ(menu->actions()[0]->text(), "&1 g5.nes");
    EXPECT_EQ(menu->actions()[9]->text(), "&10 g2.nes");
    menu->actions()[8]->trigger();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0], roms[3] + " no longer exists; it was taken off the list of recent roms.");
    menu->actions()[3]->trigger();
    EXPECT_EQ(romFileName, "g9.nes");
    window()->close();
    app_.reset();
    Start();
    std::vector<std::string> expected = {roms[9], roms[5], roms[11], roms[10], roms[8],
                                         roms[7], roms[6], roms[4],  roms[2]};
    EXPECT_EQ(recentRoms, expected);
    choose("");
    EXPECT_EQ(shown.toStdString(), other);
}

// A second copy given a cartridge (a path relative to its own folder) hands
// it to the copy that runs, which opens it; the second copy ends at once.
TEST_F(DesktopTest, SecondCopyHandsItsCartridgeToTheFirst) {
    Start();
    QProcess second;
    second.setWorkingDirectory(QFileInfo(QString::fromStdString(TestRom("nrom_board"))).path());
    second.start(MORVEL_DESKTOP_BIN, {"nrom_board.nes"});
    ASSERT_TRUE(RunUntil([&] { return romLoaded && second.state() == QProcess::NotRunning; }));
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_EQ(romFileName, "nrom_board.nes");
    EXPECT_TRUE(RunFrames(3));
}

// Space pauses, with the check mark, and resumes; Ctrl + 0 takes the last
// finished picture, which on the demo's still title equals the headless
// tool's byte for byte; Ctrl + a digit saves a slot into the state file at
// once, the digit loads it, also after the cartridge came back.
TEST_F(DesktopTest, KeysReachTheirCommands) {
    Start({DemoRom()});
    ASSERT_TRUE(RunFrames(30));
    Press(window(), Qt::Key_Space);
    EXPECT_FALSE(emuRunning);
    EXPECT_TRUE(qt::ActionOf(40005)->isChecked());
    uint64_t frames = framesPresented;
    RunPasses(10);
    EXPECT_EQ(framesPresented, frames);
    Press(window(), Qt::Key_Space);
    EXPECT_TRUE(emuRunning);
    EXPECT_FALSE(qt::ActionOf(40005)->isChecked());

    Press(window(), Qt::Key_0, Qt::ControlModifier);
    std::vector<std::filesystem::path> shots;
    for (const auto& entry : std::filesystem::directory_iterator(dataFolder_ + "/screenshots"))
        shots.push_back(entry.path());
    ASSERT_EQ(shots.size(), 1u);
    EXPECT_EQ(shots[0].filename().string().rfind("demo.nes ", 0), 0u) << shots[0];
    EXPECT_EQ(shots[0].extension(), ".bmp");
    std::string headless = dataFolder_ + "/headless.bmp";
    HeadlessRun run = RunHeadless({"--frames", "60", "--screenshot", headless, DemoRom()});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    std::string ours = ReadFileText(shots[0].string());
    EXPECT_EQ(ours.size(), 245814u);
    // The title's text is there: the comparison is not of two blank pictures.
    EXPECT_NE(ours.find(std::string("\xFF\xFF\xFF", 3), 54), std::string::npos);
    EXPECT_TRUE(ours == ReadFileText(headless));

    Press(window(), Qt::Key_2, Qt::ControlModifier);
    EXPECT_TRUE(SawMessage("SAVED N\u00BA -> 1"));
    EXPECT_TRUE(std::filesystem::exists(dataFolder_ + "/savestates/demo.nes.yss"));
    Press(window(), Qt::Key_Escape);
    DropFile(window(), DemoRom());
    EXPECT_TRUE(SawMessage("STATES LOADED"));
    Press(window(), Qt::Key_2);
    EXPECT_TRUE(SawMessage("LOADED STATE N\u00BA -> 1"));
}

// The Record Video items reach the recording commands; their enabled states
// and check marks follow the picture mode and the quality, and closing the
// window completes the file. The file's contents are checked by the real
// window's session.
TEST_F(DesktopTest, RecordVideoMenuStartsAndStopsARecording) {
    osdWait = [](uint32_t) {};
    SetRecorderWaitsForWorker(true);
    Start({TestRom("nrom_board")});
    QAction* start = qt::ActionOf(kCmdRecordStart);
    QAction* stop = qt::ActionOf(kCmdRecordStop);
    qt::ActionOf(kCmdDotByDot)->trigger();
    EXPECT_FALSE(start->isEnabled());
    EXPECT_FALSE(stop->isEnabled());
    qt::ActionOf(kCmdNesAspect)->trigger();
    EXPECT_TRUE(start->isEnabled());
    EXPECT_TRUE(stop->isEnabled());
    const uint32_t qualities[] = {kCmdQualityPoor, kCmdQualityNormal, kCmdQualityHigh};
    for (uint32_t chosen : qualities) {
        qt::ActionOf(chosen)->trigger();
        for (uint32_t item : qualities)
            EXPECT_EQ(qt::ActionOf(item)->isChecked(), item == chosen) << item;
    }
    EXPECT_EQ(recordQuality, 2);

    ASSERT_TRUE(RunFrames(3));
    start->trigger();
    EXPECT_EQ(recording, 1u);
    ASSERT_TRUE(RunFrames(20));
    stop->trigger();
    EXPECT_EQ(recording, 0u);
    EXPECT_TRUE(SawMessage("STOP RECORDING VIDEO"));
    EXPECT_GE(RecorderStats().framesWritten, 20u);

    std::vector<std::string> videos;
    for (const auto& entry : std::filesystem::directory_iterator(dataFolder_ + "/videos"))
        videos.push_back(entry.path().filename().string());
    ASSERT_EQ(videos.size(), 1u);
    EXPECT_EQ(videos[0].rfind("nrom_board.nes ", 0), 0u) << videos[0];

    // Closing the window ends a running recording with a complete file.
    messages_.clear();
    start->trigger();
    ASSERT_TRUE(RunFrames(5));
    window()->close();
    EXPECT_EQ(recording, 0u);
    EXPECT_TRUE(SawMessage("STOP RECORDING VIDEO"));
    SetRecorderWaitsForWorker(false);
}

// The play keys reach their commands: Backspace held goes back through the
// rewind history a frame a frame, Tab held fast-forwards, and the
// frame-advance key (backslash) pauses a running game, then runs one frame a
// press.
TEST_F(DesktopTest, PlayKeysReachTheirCommands) {
    Start({DemoRom()});
    ASSERT_TRUE(RunFrames(60));
    const uint32_t recorded = RewindFrames();
    ASSERT_GE(recorded, 40u);
    QTest::keyPress(window(), Qt::Key_Backspace);
    ASSERT_TRUE(RunFrames(20));
    EXPECT_LE(RewindFrames(), recorded - 20);
    QTest::keyRelease(window(), Qt::Key_Backspace);
    QTest::keyPress(window(), Qt::Key_Tab);
    RunPasses(1);
    EXPECT_EQ(playControl.fastForwardHeld, 1u);
    QTest::keyRelease(window(), Qt::Key_Tab);
    RunPasses(1);
    EXPECT_EQ(playControl.fastForwardHeld, 0u);
    auto tap = [this](Qt::Key key) {
        QTest::keyPress(window(), key);
        RunPasses(1);
        QTest::keyRelease(window(), key);
        RunPasses(1);
    };
    tap(Qt::Key_Backslash);
    EXPECT_FALSE(emuRunning);
    const uint64_t frames = framesPresented;
    tap(Qt::Key_Backslash);
    tap(Qt::Key_Backslash);
    EXPECT_EQ(framesPresented, frames + 2);
}

}  // namespace
}  // namespace morvel::test
