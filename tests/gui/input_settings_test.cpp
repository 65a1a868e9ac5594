// The desktop program's settings file, keys, game pads, input dialogs and
// volume popup, driven in-process on the offscreen platform. Game pads are
// SDL's virtual joysticks, plugged in and pulled out by the tests.
#include <SDL.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QCursor>
#include <QDialog>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>

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
#include "support/run_headless.h"
#include "video/presentation.h"

namespace morvel::test {
namespace {

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
    std::string IniPath() const { return dataFolder_ + "/morvel.ini"; }
    void CloseWindow() {
        window()->close();
        RunPasses(1);
    }
};

// Runs `step` from inside the modal loop that `open` starts, once it shows a
// dialog. A safety net ends a dialog that a failing step left open.
void WithModalDialog(uint32_t command, const std::function<void(QDialog*)>& step) {
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
    qt::ActionOf(command)->trigger();
    EXPECT_TRUE(ran);
}

// Clicks a capture button and, once the capture waits, runs `during`; the
// status line's text while it waited.
QString Capture(QDialog* dialog, int button, int status, const std::function<void()>& during) {
    QString waiting;
    QTimer::singleShot(50, [&] {
        waiting = Control<QLabel>(dialog, status)->text();
        during();
    });
    QTest::mouseClick(Control<QPushButton>(dialog, button), Qt::LeftButton);
    return waiting;
}

// The file's settings reach the window at start-up (a position far off the
// screen is pulled back onto it); the close writes the window's own.
TEST_F(InputTest, SettingsFileIsAppliedAtStartUpAndWrittenAtTheClose) {
    std::ofstream(IniPath(), std::ios::binary)
        << "[volume]\r\ndb = 0x24\r\n[WINDOW]\r\nX=3\r\nLeft=-5000\r\nTop=90000\r\n"
           "[Video]\r\nPAR=1\r\n[Video Recording]\r\nQuality=2\r\n[KB Input]\r\nA=57\r\n"
           "[Sound]\r\nLatency=80\r\n";
    Start();
    EXPECT_EQ(volumeDb, 0);
    EXPECT_EQ(keyMap[kMapA], 57);
    for (uint32_t checked : {40063, 40021, 40110, 40114})
        EXPECT_TRUE(qt::ActionOf(checked)->isChecked()) << checked;
    QPoint position = window()->pos();
    EXPECT_TRUE(window()->screen()->availableGeometry().contains(position))
        << position.x() << "," << position.y();
    qt::ActionOf(40020)->trigger();
    qt::ActionOf(40111)->trigger();  // Sound Latency > 20 ms
    CloseWindow();
    const std::string file = ReadFileText(IniPath());
    EXPECT_NE(file.find("[Sound]\r\nLatency=20\r\n"), std::string::npos) << file;
    EXPECT_NE(file.find("[WINDOW]\r\nX=2\r\nLeft=" + std::to_string(position.x()) +
                        "\r\nTop=" + std::to_string(position.y()) + "\r\n"),
              std::string::npos)
        << file;
}

TEST_F(InputTest, UnwritableSettingsFileIsReported) {
    // A folder in the file's place cannot be replaced by a file.
    std::filesystem::create_directories(IniPath() + "/x");
    Start();
    QString text;
    QTimer::singleShot(50, [&] {
        if (auto* box = QApplication::activeModalWidget()) {
            for (QLabel* label : box->findChildren<QLabel*>()) text += label->text();
            box->close();
        }
    });
    CloseWindow();
    EXPECT_TRUE(text.contains("settings could not be saved")) << text.toStdString();
}

// The default keys reach the game: our controller cartridge reports the bits
// it reads at about frames 10 and 30. A key that is also a menu shortcut
// reaches the keyboard state too, and its command.
TEST_F(InputTest, KeysReachTheControllerAndTheShortcuts) {
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
                 "1:1000100011 2:0000000011 1:0001000111 2:0000000011");
    for (auto [key, dik] : {std::pair{Qt::Key_Space, 0x39}, std::pair{Qt::Key_Escape, 0x01}}) {
        QTest::keyPress(window(), key);
        EXPECT_TRUE(keyboardState[dik] & 0x80) << dik;
        QTest::keyRelease(window(), key);
        EXPECT_FALSE(keyboardState[dik] & 0x80) << dik;
    }
    EXPECT_TRUE(SawMessage("EMU PAUSED"));
    EXPECT_FALSE(romLoaded) << "Esc did not close the cartridge";
}

// The popup opens at the pointer by the menu or a right click, its slider
// sets the volume, the keys go on acting on the game while it is open, and
// a click or the loss of the focus closes it.
TEST_F(InputTest, VolumePopupFollowsItsSlider) {
    Start({TestRom("nrom_board")});
    ASSERT_TRUE(RunUntil([this] { return window()->isActiveWindow(); }));
    ASSERT_TRUE(RunFrames(2));
    qt::ActionOf(40094)->trigger();
    qt::VolumePopup* popup = qt::OpenedVolumePopup();
    ASSERT_NE(popup, nullptr);
    EXPECT_EQ(popup->pos(), QCursor::pos());
    EXPECT_EQ(popup->slider()->value(), 30);
    const std::tuple<int, const char*, int32_t> cases[] = {
        {0, "0%", -36}, {44, "100%", 8}, {30, "68%", -6}};
    for (const auto& [position, percent, db] : cases) {
        popup->slider()->setValue(position);
        EXPECT_EQ(popup->percent()->text(), percent) << position;
        EXPECT_EQ(volumeDb, db) << position;
    }
    // The popup takes the keyboard; the keys still act on the game, each once:
    // Space pauses (a menu shortcut), '-' turns the volume down a step, Alt+E
    // opens the Emulator menu.
    QTest::keyClick(popup, Qt::Key_Space);
    EXPECT_EQ(emuRunning, 0u) << "Space did not pause, or paused and resumed";
    QTest::keyClick(popup, Qt::Key_Minus);
    EXPECT_EQ(volumeDb, -7);
    QTest::keyClick(popup, Qt::Key_Space);
    EXPECT_NE(emuRunning, 0u);
    ASSERT_EQ(qt::OpenedVolumePopup(), popup);
    QTest::keyClick(popup, Qt::Key_E, Qt::AltModifier);  // the Emulator menu opens
    EXPECT_EQ(qt::OpenedVolumePopup(), nullptr);
    ASSERT_TRUE(qobject_cast<QMenu*>(QApplication::activePopupWidget()));
    QApplication::activePopupWidget()->close();
    qt::ActionOf(40094)->trigger();
    popup = qt::OpenedVolumePopup();
    QWidget* client = window()->centralWidget();
    QTest::mouseClick(client, Qt::RightButton);
    EXPECT_EQ(qt::OpenedVolumePopup(), nullptr);
    QTest::mouseClick(client, Qt::RightButton);
    EXPECT_NE(qt::OpenedVolumePopup(), nullptr);
    QTest::mouseClick(client, Qt::LeftButton);
    EXPECT_EQ(qt::OpenedVolumePopup(), nullptr);
    QTest::mouseClick(client, Qt::RightButton);
    ASSERT_NE(qt::OpenedVolumePopup(), nullptr);
    QWidget other;
    other.show();
    other.activateWindow();
    ASSERT_TRUE(RunUntil([this] { return !window()->isActiveWindow(); }));
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

// A capture button takes the next key pressed, not one held since before;
// the status line is repainted while it waits and a click then goes nowhere.
// A key that is a menu shortcut too comes with a notice.
TEST_F(InputTest, KeyboardDialogCapturesTheNextKey) {
    Start();
    WithModalDialog(40018, [](QDialog* dialog) {
        EXPECT_EQ(dialog->windowTitle(), "Keyboard Input Config");
        auto* status = Control<QLabel>(dialog, 40022);
        auto* notice = dialog->findChild<QLabel*>("shortcutNotice");
        ASSERT_NE(notice, nullptr);
        QTest::keyPress(dialog, Qt::Key_A);
        PaintCounter paints;
        status->installEventFilter(&paints);
        int paintsDuring = 0;
        QString waiting = Capture(dialog, 1001, 40022, [&] {
            paintsDuring = paints.count;
            QTest::mouseClick(Control<QPushButton>(dialog, 1), Qt::LeftButton);
            QTest::keyPress(dialog, Qt::Key_Right);
        });
        QTest::keyRelease(dialog, Qt::Key_Right);
        QTest::keyRelease(dialog, Qt::Key_A);
        status->removeEventFilter(&paints);
        EXPECT_EQ(waiting, "Waiting for a key press...");
        EXPECT_GT(paintsDuring, 0);
        EXPECT_EQ(status->text(), "Ready");
        EXPECT_TRUE(dialog->isVisible());
        EXPECT_EQ(keyMap[kMapUp], 205);
        EXPECT_FALSE(notice->isVisible());
        Capture(dialog, 1008, 40022, [&] { QTest::keyPress(dialog, Qt::Key_Space); });
        QTest::keyRelease(dialog, Qt::Key_Space);
        EXPECT_EQ(keyMap[kMapA], 0x39);
        EXPECT_TRUE(notice->isVisible());
        QTest::mouseClick(Control<QPushButton>(dialog, 1), Qt::LeftButton);
        EXPECT_FALSE(dialog->isVisible());
    });
    EXPECT_TRUE(window()->browser()->isVisible());
    CloseWindow();
    EXPECT_NE(ReadFileText(IniPath()).find("Up=205\r\n"), std::string::npos);
}

TEST_F(InputTest, PadPluggedInDuringPlayDrivesControllerOneUntilPulledOut) {
    Start({TestRom("nrom_board")});
    std::vector<std::string> static boxes;
    showErrorBox = [](const char* text) { boxes.push_back(text); };
    VirtualPad pad("Pad Alpha");
    ASSERT_GE(pad.index, 0) << SDL_GetError();
    ASSERT_TRUE(RunUntil([] { return joypadCount == 1; }));
    EXPECT_STREQ(joypadSlots[0].name, "Pad Alpha");
    pad.Button(1, true);   // A by default
    pad.Button(12, true);  // SDL's mapping of a virtual pad: d-pad down and right
    pad.Button(14, true);
    EXPECT_EQ(ReadControllerButtons(0), kButtonA | kButtonRight | kButtonDown);
    EXPECT_EQ(ReadControllerButtons(1), 0);
    pad.Unplug();
    ASSERT_TRUE(RunFrames(2));
    EXPECT_EQ(ReadControllerButtons(0), 0);
    EXPECT_EQ(boxes, std::vector<std::string>{"Cannot Acquire Joypad. Device disconnected?"});
    EXPECT_EQ(joypadSlots[0].filled, 0);
}

// The list and the NES #1 / #2 choices give each controller its pad; a
// capture button takes the selected pad's next button.
TEST_F(InputTest, JoypadDialogChoosesPadsAndCapturesAButton) {
    Start();
    VirtualPad alpha("Pad Alpha");
    VirtualPad beta("Pad Beta");
    ASSERT_GE(beta.index, 0) << SDL_GetError();
    ASSERT_TRUE(RunUntil([] { return joypadCount == 2; }));
    WithModalDialog(40086, [&](QDialog* dialog) {
        auto* list = Control<QComboBox>(dialog, 1013);
        auto* nes1 = Control<QRadioButton>(dialog, 1017);
        auto* nes2 = Control<QRadioButton>(dialog, 1018);
        ASSERT_EQ(list->count(), 2);
        EXPECT_EQ(list->itemText(1), "Pad Beta");
        EXPECT_TRUE(nes1->isChecked());
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
        EXPECT_EQ(Capture(dialog, 1007, 40023, [&] { alpha.Button(5, true); }),
                  "Waiting for a Button Press...");
        alpha.Button(5, false);
        EXPECT_EQ(Control<QLabel>(dialog, 40023)->text(), "Ready");
        EXPECT_EQ(joyButtonMap[0][kMapB], 5u);
    });
    beta.Button(1, true);   // A
    alpha.Button(5, true);  // B, as just assigned
    EXPECT_EQ(ReadControllerButtons(0), kButtonA);
    EXPECT_EQ(ReadControllerButtons(1), kButtonB);
    CloseWindow();
    EXPECT_NE(ReadFileText(IniPath()).find("[Joy Input]\r\nB=5\r\n"), std::string::npos);
}

// A pad pulled out while the dialog waits for its button is dropped; without
// pads the dialog offers only the scan.
TEST_F(InputTest, PadPulledOutWhileTheDialogWaitsIsDropped) {
    Start();
    auto alpha = std::make_unique<VirtualPad>("Pad Alpha");
    ASSERT_GE(alpha->index, 0) << SDL_GetError();
    ASSERT_TRUE(RunUntil([] { return joypadCount == 1; }));
    uint32_t before = joyButtonMap[0][kMapA];
    WithModalDialog(40086, [&](QDialog* dialog) {
        Capture(dialog, 1008, 40023, [&] { alpha.reset(); });
        EXPECT_EQ(Control<QLabel>(dialog, 40023)->text(), "Ready");
        EXPECT_EQ(joyButtonMap[0][kMapA], before);
    });
    EXPECT_EQ(joypadCount, 0);
    EXPECT_EQ(nes1Joypad, -1);
    WithModalDialog(40086, [](QDialog* dialog) {
        auto* list = Control<QComboBox>(dialog, 1013);
        ASSERT_EQ(list->count(), 1);
        EXPECT_EQ(list->itemText(0), "No game controllers. Plug one and click scan");
        for (int id : {1001, 1008, 1013, 1017, 1018})
            EXPECT_FALSE(Control<QWidget>(dialog, id)->isEnabled()) << id;
        EXPECT_TRUE(Control<QPushButton>(dialog, 4)->isEnabled());
    });
}

// "Pad Gamma" as SDL names a virtual pad's model, and the same GUID without
// the check sum of the name, as a mapping may give it: bus ff, the name's
// bytes, 'v', type 1 (a game controller).
constexpr const char* kGammaGuid = "ff00ce175061642047616d6d61007601";
constexpr const char* kGammaModel = "ff0000005061642047616d6d61007601";

// The user's mapping file puts Gamma's Start on its button 9 and A on 3. The
// Start given in the dialog stays with the model while another pad is
// configured and comes back with it; the file keeps it for the next run.
TEST_F(InputTest, PadButtonsFollowTheModelAcrossUnplugging) {
    std::ofstream(dataFolder_ + "/gamecontrollerdb.txt")
        << kGammaModel << ",Gamma,a:b3,b:b2,back:b8,start:b9,leftx:a0,platform:Linux,\n";
    Start();
    showErrorBox = [](const char*) {};
    auto gamma = std::make_unique<VirtualPad>("Pad Gamma");
    ASSERT_TRUE(RunUntil([] { return joypadCount == 1; }));
    auto captureStart = [&](VirtualPad& pad, int button, const char* before, const char* after) {
        WithModalDialog(40086, [&](QDialog* dialog) {
            auto* start = dialog->findChild<QLabel*>("bindingStart");
            EXPECT_EQ(start->text(), before);
            Capture(dialog, 1006, 40023, [&] { pad.Button(button, true); });
            pad.Button(button, false);
            EXPECT_EQ(start->text(), after);
        });
    };
    // [Joy Input]'s Start is the device's button 3: the mapping's A.
    captureStart(*gamma, 9, "Start: A", "Start: Start");
    EXPECT_EQ(joyButtonMap[0][kMapStart], 9u) << "kept as the device numbers it";
    gamma->Button(9, true);
    EXPECT_EQ(ReadControllerButtons(0), kButtonStart);
    gamma.reset();
    EXPECT_EQ(ReadControllerButtons(0), 0);
    VirtualPad beta("Pad Beta");
    ASSERT_TRUE(RunUntil([] { return joypadCount == 1; }));
    captureStart(beta, 3, "Start: LB", "Start: Y");  // [Joy Input] now has 9
    gamma = std::make_unique<VirtualPad>("Pad Gamma");
    ASSERT_TRUE(RunUntil([] { return joypadCount == 2; }));
    gamma->Button(9, true);
    EXPECT_EQ(ReadControllerButtons(1), kButtonStart);
    char betaGuid[33];
    SDL_JoystickGetGUIDString(SDL_JoystickGetGUID(beta.handle), betaGuid, sizeof betaGuid);
    CloseWindow();
    // Beta was NES #1 when the dialog last closed. A on the device's 1 and
    // Select on its 2 are Gamma's B; B on its 0, which the mapping leaves
    // unused, is the controller's own A; Start is 6.
    EXPECT_NE(ReadFileText(IniPath()).find(std::string("[Joy Pads]\r\nNES1=") + betaGuid +
                                           "\r\nNES2=\r\nPad1=" + kGammaGuid + " 1 1 0 1 6\r\n"),
              std::string::npos)
        << ReadFileText(IniPath());
}

// The next run: Gamma, chosen for NES #2, takes controller 2 even when it is
// the only pad, with the buttons kept for it; a mapping file without a
// mapping is reported and SDL's own serve.
TEST_F(InputTest, ChosenPadAndItsButtonsComeBackInTheNextRun) {
    std::ofstream(IniPath()) << "[Joy Pads]\r\nNES2=" << kGammaGuid
                             << "\r\nPad1=x\r\nPad2=" << kGammaGuid << " 1 2 0 4 6\r\n";
    std::ofstream(dataFolder_ + "/gamecontrollerdb.txt") << "not a mapping\n";
    Start();
    std::vector<std::string> static boxes;
    showErrorBox = [](const char* text) { boxes.push_back(text); };
    RunPasses(1);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NE(boxes[0].find("holds no mapping for this system"), std::string::npos) << boxes[0];
    VirtualPad gamma("Pad Gamma");
    ASSERT_TRUE(RunUntil([] { return joypadCount == 1; }));
    EXPECT_EQ(nes2Joypad, 1);
    gamma.Button(2, true);  // X, given to A
    gamma.Button(4, true);  // Back, given to Select
    EXPECT_EQ(ReadControllerButtons(1), kButtonA | kButtonSelect);
    EXPECT_EQ(ReadControllerButtons(0), 0);
    WithModalDialog(40086, [](QDialog* dialog) {
        auto* list = Control<QComboBox>(dialog, 1013);
        ASSERT_EQ(list->count(), 1);
        EXPECT_EQ(list->itemText(0), "Pad Gamma");
        EXPECT_TRUE(Control<QRadioButton>(dialog, 1018)->isChecked());
        EXPECT_EQ(dialog->findChild<QLabel*>("bindingA")->text(), "A: X");
    });
}

}  // namespace
}  // namespace morvel::test
