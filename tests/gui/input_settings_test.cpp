// The desktop program's settings file, keyboard, game pads, input dialogs and
// volume popup, driven in-process on the offscreen platform. Game pads are
// SDL's virtual joysticks, plugged in and pulled out by the tests.
#include <SDL.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QCursor>
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include "apu/apu.h"
#include "core/host.h"
#include "core/memory_map.h"
#include "desktop_fixture.h"
#include "frontend/front_end.h"
#include "input/button_source.h"
#include "input/controllers.h"
#include "input/dik_codes.h"
#include "input/joypad.h"
#include "input/keyboard.h"
#include "platform/qt/main_window.h"
#include "platform/qt/menu_table.h"
#include "platform/qt/rom_browser.h"
#include "platform/qt/volume_popup.h"
#include "recording/video_recorder.h"
#include "support/run_headless.h"
#include "video/presentation.h"

namespace morvel::test {
namespace {

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return in ? text.str() : std::string();
}

void WriteFile(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

std::vector<std::string> SplitCrLf(const std::string& text) {
    std::vector<std::string> lines;
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find("\r\n", at);
        if (end == std::string::npos) {
            lines.push_back(text.substr(at) + "<no CR LF>");
            break;
        }
        lines.push_back(text.substr(at, end - at));
        at = end + 2;
    }
    return lines;
}

std::vector<std::string> errorBoxes;
void RecordErrorBox(const char* text) {
    errorBoxes.push_back(text);
}

template <typename T>
T* Control(QWidget* dialog, int id) {
    return dialog->findChild<T*>(QString("control%1").arg(id));
}

// A virtual game pad: 2 axes, 16 buttons and a hat, with a name.
struct VirtualPad {
    int index = -1;
    SDL_Joystick* handle = nullptr;

    explicit VirtualPad(const char* name) {
        SDL_VirtualJoystickDesc desc;
        std::memset(&desc, 0, sizeof desc);
        desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
        desc.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
        desc.naxes = 2;
        desc.nbuttons = 16;
        desc.nhats = 1;
        desc.name = name;
        index = SDL_JoystickAttachVirtualEx(&desc);
        // Our own handle, so the test can set the pad's state.
        if (index >= 0) handle = SDL_JoystickOpen(index);
    }
    ~VirtualPad() { Unplug(); }
    void Button(int button, bool down) {
        SDL_JoystickSetVirtualButton(handle, button, down ? 1 : 0);
    }
    void Hat(uint8_t bits) { SDL_JoystickSetVirtualHat(handle, 0, bits); }
    void Unplug() {
        if (!handle) return;
        SDL_JoystickID id = SDL_JoystickInstanceID(handle);
        SDL_JoystickClose(handle);
        handle = nullptr;
        for (int i = 0; i < SDL_NumJoysticks(); ++i)
            if (SDL_JoystickGetDeviceInstanceID(i) == id) SDL_JoystickDetachVirtual(i);
    }
};

class InputTest : public DesktopTest {
   protected:
    void TearDown() override {
        showErrorBoxSaved_ = nullptr;
        DesktopTest::TearDown();
    }
    std::string IniPath() const { return dataFolder_ + "/morvel.ini"; }
    void CloseWindow() {
        window()->close();
        RunPasses(1);
    }
    // Replaces the error boxes with a record, after start-up installed them.
    void RecordErrorBoxes() {
        errorBoxes.clear();
        showErrorBoxSaved_ = showErrorBox;
        showErrorBox = RecordErrorBox;
    }
    ErrorReporter showErrorBoxSaved_ = nullptr;
};

// Runs `step` from inside the modal loop that `open` starts, once it shows a
// dialog. A safety net ends a dialog that a failing step left open.
void WithModalDialog(const std::function<void()>& open, const std::function<void(QDialog*)>& step) {
    bool ran = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (ran || !dialog) return;
        ran = true;
        step(dialog);
        if (dialog->isVisible()) dialog->close();
    });
    poll.start(10);
    QTimer safety;
    safety.setSingleShot(true);
    QObject::connect(&safety, &QTimer::timeout, [] {
        ADD_FAILURE() << "dialog still open";
        SetKeyDown(kDikEscape, 1);  // ends a key capture
        if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
            dialog->done(0);
    });
    safety.start(30000);
    open();
    EXPECT_TRUE(ran);
}

TEST_F(InputTest, FirstCloseWritesEverySettingWithItsDefault) {
    Start();
    EXPECT_EQ(volumeDb, -6);
    QPoint position = window()->pos();
    CloseWindow();
    std::vector<std::string> lines = SplitCrLf(ReadFile(IniPath()));
    const std::vector<std::string> expected = {"[Video]",
                                               "PAR=0",
                                               "[Window]",
                                               "X=1",
                                               "Left=" + std::to_string(position.x()),
                                               "Top=" + std::to_string(position.y()),
                                               "[Volume]",
                                               "Db=30",
                                               "[KB Input]",
                                               "B=30",
                                               "A=31",
                                               "Select=44",
                                               "Start=45",
                                               "Up=200",
                                               "Down=208",
                                               "Left=203",
                                               "Right=205",
                                               "[Joy Input]",
                                               "B=0",
                                               "A=1",
                                               "Select=2",
                                               "Start=3",
                                               "[Joy Input 2]",
                                               "B=0",
                                               "A=1",
                                               "Select=2",
                                               "Start=3",
                                               "[Video Recording]",
                                               "Quality=0"};
    EXPECT_EQ(lines, expected);
}

TEST_F(InputTest, HandEditedFileIsAppliedAtStartUp) {
    WriteFile(IniPath(),
              "[volume]\r\ndb = 0x24\r\n[WINDOW]\r\nX=3\r\nLeft=-5000\r\nTop=90000\r\n"
              "[Video]\r\nPAR=1\r\n[Video Recording]\r\nQuality=2 ; the best\r\n"
              "[KB Input]\r\nA=57\r\n");
    Start();
    EXPECT_EQ(volumeDb, 0);
    EXPECT_DOUBLE_EQ(volumeFactor, 1.0);
    EXPECT_EQ(windowScale, 3u);
    EXPECT_EQ(nesAspect, 1u);
    EXPECT_EQ(recordQuality, 2);
    EXPECT_EQ(keyMap[kMapA], 57);
    // A position far off the screen is pulled back onto it.
    QRect screen = window()->screen()->availableGeometry();
    EXPECT_TRUE(screen.contains(window()->pos()))
        << window()->pos().x() << "," << window()->pos().y();
}

TEST_F(InputTest, CartridgeFromTheCommandLineWritesNoSettings) {
    Start({TestRom("nrom_board")});
    ASSERT_TRUE(RunFrames(2));
    CloseWindow();
    EXPECT_FALSE(std::filesystem::exists(IniPath()));
}

TEST_F(InputTest, UnwritableSettingsFileIsReported) {
    // A folder in the file's place cannot be replaced by a file.
    std::filesystem::create_directories(IniPath() + "/x");
    Start();
    bool boxShown = false;
    QTimer::singleShot(50, [&] {
        if (auto* box = QApplication::activeModalWidget()) {
            boxShown = box->findChild<QLabel*>() != nullptr;
            QString text;
            for (QLabel* label : box->findChildren<QLabel*>()) text += label->text();
            EXPECT_TRUE(text.contains("settings could not be saved")) << text.toStdString();
            box->close();
        }
    });
    CloseWindow();
    EXPECT_TRUE(boxShown);
}

// The default keys held on the keyboard reach the game: our controller
// cartridge reports the bits it reads at about frames 10 and 30.
TEST_F(InputTest, DefaultKeysReachTheController) {
    Start({TestRom("controller_ports")});
    uint64_t start = framesPresented;
    QTest::keyPress(window(), Qt::Key_S);   // A
    QTest::keyPress(window(), Qt::Key_Up);  // Up
    ASSERT_TRUE(RunUntil([start] { return framesPresented >= start + 20; }));
    QTest::keyRelease(window(), Qt::Key_S);
    QTest::keyRelease(window(), Qt::Key_Up);
    QTest::keyPress(window(), Qt::Key_X);      // Start
    QTest::keyPress(window(), Qt::Key_Right);  // Right
    QTest::keyPress(window(), Qt::Key_A);      // B, let go before the latch
    QTest::keyRelease(window(), Qt::Key_A);
    const uint8_t* ram = workRamBlock.workRam;
    ASSERT_TRUE(RunUntil([ram] { return ram[1] == 0xDE && ram[0] != 0x80; }));
    EXPECT_EQ(ram[0], 0);
    EXPECT_STREQ(reinterpret_cast<const char*>(ram + 4),
                 "1:1000100000 2:0000000000 1:0001000100 2:0000000000");
}

// A key that is also a menu shortcut does both, as on a keyboard device: the
// keyboard state sees its press and release, and the shortcut acts.
TEST_F(InputTest, ShortcutKeysReachTheKeyboardToo) {
    Start({TestRom("nrom_board")});
    ASSERT_TRUE(RunFrames(3));
    const std::pair<Qt::Key, int> keys[] = {
        {Qt::Key_1, 0x02}, {Qt::Key_4, 0x05}, {Qt::Key_Space, 0x39}, {Qt::Key_Escape, 0x01}};
    for (auto [key, dik] : keys) {
        QTest::keyPress(window(), key);
        EXPECT_TRUE(keyboardState[dik] & 0x80) << dik;
        QTest::keyRelease(window(), key);
        EXPECT_FALSE(keyboardState[dik] & 0x80) << dik;
    }
    EXPECT_TRUE(SawMessage("EMU PAUSED"));
    EXPECT_FALSE(romLoaded) << "Esc did not close the cartridge";
}

TEST_F(InputTest, LosingTheFocusLetsGoOfEveryKey) {
    Start({TestRom("nrom_board")});
    ASSERT_TRUE(RunUntil([this] { return window()->isActiveWindow(); }));
    QTest::keyPress(window(), Qt::Key_Left);
    EXPECT_EQ(ReadKeyboardButtons(), kButtonLeft);
    QWidget other;
    other.show();
    other.activateWindow();
    ASSERT_TRUE(RunUntil([this] { return !window()->isActiveWindow(); }));
    EXPECT_EQ(ReadKeyboardButtons(), 0);
}

TEST_F(InputTest, VolumePopupFollowsItsSlider) {
    Start();
    ASSERT_TRUE(OpenCartridge(TestRom("nrom_board").c_str()));
    ASSERT_TRUE(RunUntil([this] { return window()->isActiveWindow(); }));
    ASSERT_TRUE(RunFrames(2));
    qt::ActionOf(40094)->trigger();
    qt::VolumePopup* popup = qt::OpenedVolumePopup();
    ASSERT_NE(popup, nullptr);
    EXPECT_EQ(popup->pos(), QCursor::pos());
    EXPECT_EQ(popup->slider()->minimum(), 0);
    EXPECT_EQ(popup->slider()->maximum(), 44);
    EXPECT_EQ(popup->slider()->value(), 30);
    EXPECT_EQ(popup->percent()->text(), "68%");
    struct Case {
        int position;
        const char* percent;
        int32_t db;
        double factor;  // 1.122018454 ^ db, worked out by hand
    };
    const Case cases[] = {
        {0, "0%", -36, 0.015849}, {44, "100%", 8, 2.511886}, {30, "68%", -6, 0.501187}};
    for (const Case& c : cases) {
        popup->slider()->setValue(c.position);
        EXPECT_EQ(popup->percent()->text(), c.percent) << c.position;
        EXPECT_EQ(volumeDb, c.db) << c.position;
        EXPECT_NEAR(volumeFactor, c.factor, 1e-5) << c.position;
    }
    // The + key changes the volume but not the slider.
    QTest::keyClick(window(), Qt::Key_Plus, Qt::NoModifier);
    EXPECT_EQ(volumeDb, -5);
    EXPECT_EQ(popup->slider()->value(), 30);
    // A second right click closes it, a third opens it, a left click closes it.
    QWidget* client = window()->centralWidget();
    QTest::mouseClick(client, Qt::RightButton);
    EXPECT_EQ(qt::OpenedVolumePopup(), nullptr);
    QTest::mouseClick(client, Qt::RightButton);
    EXPECT_NE(qt::OpenedVolumePopup(), nullptr);
    QTest::mouseClick(client, Qt::LeftButton);
    EXPECT_EQ(qt::OpenedVolumePopup(), nullptr);
    // Losing the focus closes it.
    QTest::mouseClick(client, Qt::RightButton);
    ASSERT_NE(qt::OpenedVolumePopup(), nullptr);
    QWidget other;
    other.show();
    other.activateWindow();
    ASSERT_TRUE(RunUntil([this] { return !window()->isActiveWindow(); }));
    EXPECT_EQ(qt::OpenedVolumePopup(), nullptr);
    // The volume set through the popup and the keys is what the file keeps.
    window()->activateWindow();
    ASSERT_TRUE(RunUntil([this] { return window()->isActiveWindow(); }));
    CloseWindow();
    EXPECT_NE(ReadFile(IniPath()).find("[Volume]\r\nDb=31\r\n"), std::string::npos);
}

TEST_F(InputTest, VolumePopupNeedsARunningGame) {
    Start();
    qt::ActionOf(40094)->trigger();
    QTest::mouseClick(window()->centralWidget(), Qt::RightButton);
    EXPECT_EQ(qt::OpenedVolumePopup(), nullptr);
}

// Counts the paint events of the widgets it watches.
class PaintCounter : public QObject {
   public:
    int count = 0;

   protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) ++count;
        return false;
    }
};

TEST_F(InputTest, KeyboardDialogCapturesTheNextKey) {
    Start();
    WithModalDialog([] { qt::ActionOf(40018)->trigger(); },
                    [](QDialog* dialog) {
                        EXPECT_EQ(dialog->windowTitle(), "Keyboard Input Config");
                        auto* status = Control<QLabel>(dialog, 40022);
                        ASSERT_NE(status, nullptr);
                        EXPECT_EQ(status->text(), "Ready");
                        const char* texts[] = {"Up",     "Left",  "Right", "Down",
                                               "Select", "Start", "B",     "A"};
                        for (int i = 0; i < 8; ++i) {
                            auto* button = Control<QPushButton>(dialog, 1001 + i);
                            ASSERT_NE(button, nullptr);
                            EXPECT_EQ(button->text(), texts[i]);
                        }
                        // The status line is repainted while the capture waits.
                        PaintCounter paints;
                        status->installEventFilter(&paints);
                        QString during;
                        int paintsDuring = 0;
                        QTimer::singleShot(100, [&] {
                            during = status->text();
                            paintsDuring = paints.count;
                            // A click while waiting goes nowhere.
                            QTest::mouseClick(Control<QPushButton>(dialog, 1), Qt::LeftButton);
                            QTest::keyPress(dialog, Qt::Key_Right);
                        });
                        QTest::mouseClick(Control<QPushButton>(dialog, 1001), Qt::LeftButton);
                        QTest::keyRelease(dialog, Qt::Key_Right);
                        EXPECT_EQ(during, "Waiting for a key press...");
                        EXPECT_GT(paintsDuring, 0);
                        status->removeEventFilter(&paints);
                        EXPECT_EQ(status->text(), "Ready");
                        EXPECT_TRUE(dialog->isVisible());
                        EXPECT_EQ(keyMap[kMapUp], 205);
                        // Space, a menu shortcut too, comes with a notice.
                        auto* notice = dialog->findChild<QLabel*>("shortcutNotice");
                        ASSERT_NE(notice, nullptr);
                        EXPECT_FALSE(notice->isVisible());
                        QTimer::singleShot(100, [&] { QTest::keyPress(dialog, Qt::Key_Space); });
                        QTest::mouseClick(Control<QPushButton>(dialog, 1008), Qt::LeftButton);
                        QTest::keyRelease(dialog, Qt::Key_Space);
                        EXPECT_EQ(keyMap[kMapA], 0x39);
                        EXPECT_TRUE(notice->isVisible());
                        QTest::mouseClick(Control<QPushButton>(dialog, 1), Qt::LeftButton);
                        EXPECT_FALSE(dialog->isVisible());
                    });
    EXPECT_TRUE(window()->browser()->isVisible());
    CloseWindow();
    EXPECT_NE(ReadFile(IniPath()).find("Up=205\r\n"), std::string::npos) << ReadFile(IniPath());
}

TEST_F(InputTest, JoypadDialogWithoutPads) {
    Start();
    WithModalDialog(
        [] { qt::ActionOf(40086)->trigger(); },
        [](QDialog* dialog) {
            EXPECT_EQ(dialog->windowTitle(), "Gamepad Input Config");
            auto* list = Control<QComboBox>(dialog, 1013);
            ASSERT_NE(list, nullptr);
            ASSERT_EQ(list->count(), 1);
            EXPECT_EQ(list->itemText(0), "No game controllers. Plug one and click scan");
            for (int id : {1001, 1004, 1005, 1006, 1007, 1008, 1013, 1017, 1018})
                EXPECT_FALSE(dialog->findChild<QWidget*>(QString("control%1").arg(id))->isEnabled())
                    << id;
            EXPECT_TRUE(Control<QPushButton>(dialog, 4)->isEnabled());
            EXPECT_TRUE(Control<QPushButton>(dialog, 1)->isEnabled());
            EXPECT_EQ(Control<QLabel>(dialog, 40023)->text(), "Ready");
            EXPECT_EQ(Control<QLabel>(dialog, 40024)->text(), "Directions are automatically setup");
        });
    EXPECT_EQ(nes1Joypad, -1);
    EXPECT_EQ(nes2Joypad, -1);
}

TEST_F(InputTest, PadPluggedInDuringPlayDrivesControllerOneUntilPulledOut) {
    Start({TestRom("nrom_board")});
    RecordErrorBoxes();
    EXPECT_EQ(joypadCount, 0);
    VirtualPad pad("Pad Alpha");
    ASSERT_GE(pad.index, 0) << SDL_GetError();
    ASSERT_TRUE(RunUntil([] { return joypadCount == 1; }));
    EXPECT_STREQ(joypadSlots[0].name, "Pad Alpha");
    EXPECT_EQ(nes1Joypad, 0);
    pad.Button(1, true);  // A by default
    pad.Hat(SDL_HAT_RIGHT | SDL_HAT_DOWN);
    EXPECT_EQ(ReadControllerButtons(0), kButtonA | kButtonRight | kButtonDown);
    EXPECT_EQ(ReadControllerButtons(1), 0);
    pad.Unplug();
    ASSERT_TRUE(RunFrames(2));
    EXPECT_EQ(ReadControllerButtons(0), 0);
    EXPECT_EQ(ReadControllerButtons(0), 0);
    EXPECT_EQ(errorBoxes, std::vector<std::string>{"Cannot Acquire Joypad. Device disconnected?"});
    EXPECT_EQ(joypadSlots[0].filled, 0);
}

TEST_F(InputTest, JoypadDialogChoosesPadsAndCapturesAButton) {
    Start();
    VirtualPad alpha("Pad Alpha");
    VirtualPad beta("Pad Beta");
    ASSERT_GE(beta.index, 0) << SDL_GetError();
    ASSERT_TRUE(RunUntil([] { return joypadCount == 2; }));
    WithModalDialog([] { qt::ActionOf(40086)->trigger(); },
                    [&](QDialog* dialog) {
                        auto* list = Control<QComboBox>(dialog, 1013);
                        auto* nes1 = Control<QRadioButton>(dialog, 1017);
                        auto* nes2 = Control<QRadioButton>(dialog, 1018);
                        ASSERT_EQ(list->count(), 2);
                        EXPECT_EQ(list->itemText(0), "Pad Alpha");
                        EXPECT_EQ(list->itemText(1), "Pad Beta");
                        EXPECT_TRUE(nes1->isChecked());
                        EXPECT_FALSE(nes2->isChecked());
                        // Beta drives controller 2 now: selecting it checks NES #2 only.
                        list->setCurrentIndex(1);
                        emit list->activated(1);
                        EXPECT_FALSE(nes1->isChecked());
                        EXPECT_TRUE(nes2->isChecked());
                        QTest::mouseClick(nes1, Qt::LeftButton);
                        EXPECT_EQ(nes1Joypad, 1);
                        list->setCurrentIndex(0);
                        emit list->activated(0);
                        QTest::mouseClick(nes2, Qt::LeftButton);
                        EXPECT_EQ(nes2Joypad, 0);
                        // Alpha is selected: its button 5 becomes B.
                        auto* status = Control<QLabel>(dialog, 40023);
                        QString during;
                        QTimer::singleShot(30, [&] {
                            during = status->text();
                            alpha.Button(5, true);
                        });
                        QTest::mouseClick(Control<QPushButton>(dialog, 1007), Qt::LeftButton);
                        alpha.Button(5, false);
                        EXPECT_EQ(during, "Waiting for a Button Press...");
                        EXPECT_EQ(status->text(), "Ready");
                        EXPECT_EQ(joyButtonMap[0][kMapB], 5u);
                        QTest::mouseClick(Control<QPushButton>(dialog, 1), Qt::LeftButton);
                    });
    // Beta was chosen for controller 1 and Alpha for controller 2.
    EXPECT_STREQ(joypadSlots[0].name, "Pad Beta");
    EXPECT_STREQ(joypadSlots[1].name, "Pad Alpha");
    beta.Button(1, true);   // A
    alpha.Button(5, true);  // B, as just assigned
    EXPECT_EQ(ReadControllerButtons(0), kButtonA);
    EXPECT_EQ(ReadControllerButtons(1), kButtonB);
    CloseWindow();
    EXPECT_NE(ReadFile(IniPath()).find("[Joy Input]\r\nB=5\r\n"), std::string::npos);
}

TEST_F(InputTest, PadPulledOutWhileTheDialogWaitsIsDropped) {
    Start();
    auto alpha = std::make_unique<VirtualPad>("Pad Alpha");
    ASSERT_GE(alpha->index, 0) << SDL_GetError();
    ASSERT_TRUE(RunUntil([] { return joypadCount == 1; }));
    uint32_t before = joyButtonMap[0][kMapA];
    WithModalDialog([] { qt::ActionOf(40086)->trigger(); },
                    [&](QDialog* dialog) {
                        auto* status = Control<QLabel>(dialog, 40023);
                        // The pad goes while the dialog waits for one of its buttons.
                        QTimer::singleShot(50, [&] { alpha.reset(); });
                        QTest::mouseClick(Control<QPushButton>(dialog, 1008), Qt::LeftButton);
                        EXPECT_EQ(status->text(), "Ready");
                        EXPECT_EQ(joyButtonMap[0][kMapA], before);
                        QTest::mouseClick(Control<QPushButton>(dialog, 1), Qt::LeftButton);
                    });
    EXPECT_EQ(joypadCount, 0);
    EXPECT_EQ(joypadSlots[0].filled, 0);
    EXPECT_EQ(nes1Joypad, -1);
}

}  // namespace
}  // namespace morvel::test
