// The desktop program's window, driven in-process: start-up with a cartridge,
// pause, window sizes and picture modes, full screen, closing, dropping files,
// focus changes, the menu bar and the ROM browser.
#include "platform/qt/main_window.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QLocalServer>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QScreen>
#include <QTest>
#include <QTreeWidget>
#include <QUrl>
#include <filesystem>
#include <fstream>

#include "cart/cartridge.h"
#include "desktop_fixture.h"
#include "frontend/front_end.h"
#include "frontend/rom_list.h"
#include "platform/qt/display_widget.h"
#include "platform/qt/menu_table.h"
#include "platform/qt/osd_overlay.h"
#include "platform/qt/rom_browser.h"
#include "platform/qt/single_instance.h"
#include "support/run_headless.h"
#include "support/test_machine.h"
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
    InesImage image = MakeInesImage(66, 1, 1);
    return WriteTempFile(image.bytes, "gxrom.nes");
}

TEST_F(DesktopTest, CommandLineCartridgeRunsAtOnceWithTheBrowserHidden) {
    Start({TestRom("nrom_board")});
    EXPECT_EQ(window()->windowTitle(), "morvel 0.63 x64");
    EXPECT_TRUE(romLoaded);
    EXPECT_TRUE(romFromCommandLine);
    EXPECT_EQ(romFileName, "nrom_board.nes");
    ASSERT_TRUE(RunFrames(30));
    EXPECT_TRUE(emuRunning);
    EXPECT_FALSE(window()->browser()->isVisible());
}

TEST_F(DesktopTest, QuotedCommandLinePathWithBlanksLoads) {
    std::string spaced = dataFolder_ + "/a game.nes";
    std::filesystem::copy_file(TestRom("nrom_board"), spaced);
    Start({"\"" + dataFolder_ + "/a", "game.nes\""});
    EXPECT_TRUE(romLoaded);
    EXPECT_EQ(romFileName, "a game.nes");
}

TEST_F(DesktopTest, SpacePausesAndResumes) {
    Start({TestRom("nrom_board")});
    ASSERT_TRUE(RunFrames(5));
    Press(window(), Qt::Key_Space);
    EXPECT_FALSE(emuRunning);
    EXPECT_TRUE(SawMessage("EMU PAUSED"));
    EXPECT_TRUE(qt::ActionOf(40005)->isChecked());
    uint64_t frames = framesPresented;
    RunPasses(10);
    EXPECT_EQ(framesPresented, frames);
    Press(window(), Qt::Key_Space);
    EXPECT_TRUE(emuRunning);
    EXPECT_FALSE(qt::ActionOf(40005)->isChecked());
    EXPECT_TRUE(RunFrames(5));
}

TEST_F(DesktopTest, SpaceWithoutCartridgeDoesNothing) {
    Start();
    Press(window(), Qt::Key_Space);
    RunPasses(3);
    EXPECT_FALSE(emuRunning);
    EXPECT_FALSE(romLoaded);
    EXPECT_TRUE(messages_.empty());
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
        EXPECT_EQ(window()->display()->size(), QSize(c.width, c.height));
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
    // Esc does not close the cartridge in full screen.
    Press(window(), Qt::Key_Escape);
    EXPECT_TRUE(romLoaded);
    Press(window(), Qt::Key_Return, Qt::AltModifier);
    ASSERT_TRUE(RunFrames(2));
    EXPECT_FALSE(fullScreen);
    EXPECT_TRUE(window()->menuBar()->isVisible());
    EXPECT_EQ(window()->geometry(), before);
    EXPECT_EQ(ClientSizeOf(window()), QSize(512, 448));
}

TEST_F(DesktopTest, FullScreenNeedsACartridge) {
    Start();
    Press(window(), Qt::Key_Return, Qt::AltModifier);
    RunPasses(2);
    EXPECT_FALSE(fullScreen);
}

TEST_F(DesktopTest, EscClosesTheCartridgeAndTheBrowserListsTheRoms) {
    CopyToRoms(DemoRom(), "demo.nes");
    Start({TestRom("nrom_board")});
    ASSERT_TRUE(RunFrames(5));
    Press(window(), Qt::Key_Escape);
    EXPECT_FALSE(romLoaded);
    EXPECT_FALSE(emuRunning);
    EXPECT_TRUE(SawMessage("EMU PAUSED"));
    EXPECT_TRUE(window()->browser()->isVisible());
    EXPECT_FALSE(window()->osd()->isVisible()) << "the message stands over the browser";
    QTreeWidget* list = window()->browser()->list();
    ASSERT_EQ(list->topLevelItemCount(), 1);
    EXPECT_EQ(list->topLevelItem(0)->text(0), "demo");
    EXPECT_EQ(list->topLevelItem(0)->text(1), "MAPPER 0");
    EXPECT_TRUE(list->isEnabled());
    // Enter in the list starts the selected cartridge.
    Press(list, Qt::Key_Return);
    EXPECT_TRUE(romLoaded);
    EXPECT_EQ(romFileName, "demo.nes");
    EXPECT_TRUE(RunFrames(5));
}

TEST_F(DesktopTest, BrowserColumnsAndTheEmptyFolder) {
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
    // A rescan finds what was added since; the unsupported board is listed too.
    CopyToRoms(TestRom("nrom_board"), "beta.nes");
    CopyToRoms(UnsupportedImage(), "gamma.nes");
    qt::ActionOf(40050)->trigger();
    RunPasses(2);
    ASSERT_EQ(list->topLevelItemCount(), 2);
    EXPECT_TRUE(list->isEnabled());
    for (int row = 0; row < 2; ++row) {
        QString name = list->topLevelItem(row)->text(0);
        EXPECT_EQ(list->topLevelItem(row)->text(1), name == "beta" ? "MAPPER 0" : "--------");
    }
    EXPECT_FALSE(currentRomPath.empty());
    // The unsupported board, chosen with the keypad's Enter, is refused, and
    // the repaint after its message takes the message box off the list.
    list->setCurrentItem(list->findItems("gamma", Qt::MatchExactly).value(0));
    Press(list, Qt::Key_Enter);
    EXPECT_TRUE(SawMessage("MAPPER NOT SUPPORTED"));
    RunPasses(2);
    EXPECT_FALSE(window()->osd()->isVisible());
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

TEST_F(DesktopTest, LosingTheFocusSuspendsAndRegainingItResumesOnlyARunningGame) {
    Start({TestRom("nrom_board")});
    ASSERT_TRUE(RunUntil([this] { return window()->isActiveWindow(); }));
    ASSERT_TRUE(RunFrames(3));
    QWidget other;
    other.show();
    other.activateWindow();
    ASSERT_TRUE(RunUntil([this] { return !window()->isActiveWindow(); }));
    EXPECT_FALSE(emuRunning);
    EXPECT_TRUE(SawMessage("EMU SUSPENDED"));
    window()->activateWindow();
    ASSERT_TRUE(RunUntil([this] { return window()->isActiveWindow(); }));
    EXPECT_TRUE(emuRunning);
    // A paused game stays paused.
    Press(window(), Qt::Key_Space);
    ASSERT_FALSE(emuRunning);
    other.activateWindow();
    ASSERT_TRUE(RunUntil([this] { return !window()->isActiveWindow(); }));
    window()->activateWindow();
    ASSERT_TRUE(RunUntil([this] { return window()->isActiveWindow(); }));
    EXPECT_FALSE(emuRunning);
    EXPECT_TRUE(romLoaded);
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
        first.Listen([] {});
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

// The menu bar as the program's users know it: every item in order, with its
// mnemonic and the shortcut text after the tab.
TEST_F(DesktopTest, MenuBarItemsInOrder) {
    Start();
    const std::vector<std::string> expected = {"&File",
                                               "  &Load Rom",
                                               "  &Close Rom\tEsc",
                                               "  &Rescan Rom Path",
                                               "  &Exit",
                                               "&Emulator",
                                               "  &Reset",
                                               "  &Pause \tSpace",
                                               "  &Video",
                                               "    &Dot by Dot",
                                               "    &NES Aspect Ratio (Scale2x)",
                                               "  &Volume\tRight Click",
                                               "  &Mute Sound",
                                               "  &Record Video",
                                               "    &Start",
                                               "    S&top",
                                               "    &Quality",
                                               "      &Poor",
                                               "      &Normal",
                                               "      &High",
                                               "  &Take Screenshot \tCtrl + 0",
                                               "  &Load State",
                                               "    State 0\t1",
                                               "    State 1\t2",
                                               "    State 2\t3",
                                               "    State 3\t4",
                                               "  &Save State",
                                               "    &State 0\tCtrl + 1",
                                               "    &State 1\tCtrl + 2",
                                               "    &State 2\tCtrl + 3",
                                               "    &State 3\tCtrl + 4",
                                               "&Window",
                                               "  &1X",
                                               "  &2X",
                                               "  &3X",
                                               "  &4X",
                                               "  &Full Screen\tAlt + Enter",
                                               "Options",
                                               "  &Keyboard Input Config",
                                               "  &Joypad Input Config"};
    std::vector<std::string> seen;
    std::function<void(QMenu*, std::string)> walk = [&](QMenu* menu, std::string indent) {
        for (QAction* action : menu->actions()) {
            seen.push_back(indent + action->text().toStdString());
            if (action->menu()) walk(action->menu(), indent + "  ");
        }
    };
    for (QAction* top : window()->menuBar()->actions()) {
        seen.push_back(top->text().toStdString());
        walk(top->menu(), "  ");
    }
    EXPECT_EQ(seen, expected);
}

TEST_F(DesktopTest, AcceleratorKeys) {
    struct Accelerator {
        uint32_t id;
        QKeySequence keys;
    };
    const Accelerator accelerators[] = {
        {40002, QKeySequence(Qt::Key_Escape)},
        {40005, QKeySequence(Qt::Key_Space)},
        {40083, QKeySequence(Qt::CTRL | Qt::Key_0)},
        {40008, QKeySequence(Qt::Key_1)},
        {40011, QKeySequence(Qt::Key_4)},
        {40014, QKeySequence(Qt::CTRL | Qt::Key_1)},
        {40017, QKeySequence(Qt::CTRL | Qt::Key_4)},
        {40000, QKeySequence(Qt::ALT | Qt::Key_Return)},
    };
    Start();
    for (const Accelerator& a : accelerators)
        EXPECT_TRUE(qt::ActionOf(a.id)->shortcuts().contains(a.keys)) << a.id;
    EXPECT_EQ(qt::CharacterCommand('+'), 40095u);
    EXPECT_EQ(qt::CharacterCommand('-'), 40096u);
}

}  // namespace
}  // namespace morvel::test

namespace morvel::test {
namespace {

std::vector<std::filesystem::path> FilesIn(const std::string& folder) {
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        files.push_back(entry.path());
    return files;
}

// The demo's title stands still after its first frames, so the window's
// screenshot must equal the headless tool's picture byte for byte.
TEST_F(DesktopTest, ScreenshotEqualsTheHeadlessPicture) {
    Start({DemoRom()});
    ASSERT_TRUE(RunFrames(30));
    Press(window(), Qt::Key_0, Qt::ControlModifier);
    EXPECT_TRUE(SawMessage("SCREENSHOT TAKEN"));
    std::vector<std::filesystem::path> shots = FilesIn(dataFolder_ + "/screenshots");
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
}

TEST_F(DesktopTest, ScreenshotWhilePausedDoesNothing) {
    Start({DemoRom()});
    ASSERT_TRUE(RunFrames(3));
    Press(window(), Qt::Key_Space);
    Press(window(), Qt::Key_0, Qt::ControlModifier);
    EXPECT_FALSE(SawMessage("SCREENSHOT TAKEN"));
    EXPECT_TRUE(FilesIn(dataFolder_ + "/screenshots").empty());
}

TEST_F(DesktopTest, SaveAndLoadStateSlotsAndTheStateFile) {
    Start({TestRom("nrom_board")});
    ASSERT_TRUE(RunFrames(5));
    Press(window(), Qt::Key_2);  // slot 1 was never saved: nothing happens
    EXPECT_FALSE(SawMessage("LOADED STATE N\u00BA -> 1"));
    Press(window(), Qt::Key_2, Qt::ControlModifier);
    EXPECT_TRUE(SawMessage("SAVED N\u00BA -> 1"));
    // Saving writes the slots at once; loading the cartridge again reads them.
    EXPECT_TRUE(std::filesystem::exists(dataFolder_ + "/savestates/nrom_board.nes.yss"));
    ASSERT_TRUE(RunFrames(5));
    Press(window(), Qt::Key_2);
    EXPECT_TRUE(SawMessage("LOADED STATE N\u00BA -> 1"));
    Press(window(), Qt::Key_Escape);
    DropFile(window(), TestRom("nrom_board"));
    EXPECT_TRUE(SawMessage("STATES LOADED"));
    messages_.clear();
    Press(window(), Qt::Key_2);
    EXPECT_TRUE(SawMessage("LOADED STATE N\u00BA -> 1"));
    // Another cartridge does not see this one's slots.
    DropFile(window(), DemoRom());
    EXPECT_EQ(romFileName, "demo.nes");
    messages_.clear();
    Press(window(), Qt::Key_2);
    EXPECT_FALSE(SawMessage("LOADED STATE N\u00BA -> 1"));
    EXPECT_FALSE(SawMessage("STATE NOT LOADED")) << "an empty slot stays silent";
    // A slot the checks refuse says so (slot 1's sprite DMA flag set to $7FFFFFFF).
    const std::string path = dataFolder_ + "/savestates/nrom_board.nes.yss";
    std::string bytes = ReadFileText(path);
    ASSERT_GT(bytes.size(), 25828u + 48 + 4);
    bytes.replace(25828 + 48, 4, "\xFF\xFF\xFF\x7F", 4);
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
    DropFile(window(), TestRom("nrom_board"));
    messages_.clear();
    Press(window(), Qt::Key_2);
    EXPECT_TRUE(SawMessage("STATE NOT LOADED"));
    EXPECT_FALSE(SawMessage("LOADED STATE N\u00BA -> 1"));
}

}  // namespace
}  // namespace morvel::test
