#include "platform/qt/input_dialogs.h"

#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QEventLoop>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <cstdio>
#include <cstring>

#include "input/dik_codes.h"
#include "input/joypad.h"
#include "input/keyboard.h"
#include "platform/qt/key_codes.h"
#include "platform/qt/menu_table.h"
#include "platform/sdl/sdl_joypads.h"

namespace morvel::qt {

namespace {

// How often a capture looks at the keys or the pad.
constexpr int kCapturePollMs = 10;

void Name(QWidget* widget, int id) {
    widget->setObjectName(QString("control%1").arg(id));
}

QPushButton* Button(QWidget* parent, const char* text, int id) {
    auto* button = new QPushButton(text, parent);
    Name(button, id);
    button->setAutoDefault(false);
    return button;
}

// Holds the dialog still while a capture waits: clicks, keys and close
// requests go nowhere, but the keys still reach the keyboard state.
class CaptureFilter : public QObject {
   public:
    explicit CaptureFilter(QDialog* dialog) : dialog_(dialog) {}

   protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        switch (event->type()) {
            case QEvent::KeyPress:
            case QEvent::KeyRelease: {
                auto* key = static_cast<QKeyEvent*>(event);
                if (!key->isAutoRepeat())
                    SetKeyDown(DikOfKeyEvent(key), event->type() == QEvent::KeyPress ? 1 : 0);
                return true;
            }
            case QEvent::ShortcutOverride:
            case QEvent::MouseButtonPress:
            case QEvent::MouseButtonRelease:
            case QEvent::MouseButtonDblClick: return true;
            case QEvent::Close: return watched == dialog_;
            default: return false;
        }
    }

   private:
    QDialog* dialog_;
};

// The buttons of both dialogs: identifier, text, entry of keyMap (the game
// pad dialog uses the four buttons of joyButtonMap: A, B, Select, Start).
struct AssignRow {
    int id;
    const char* text;
    int32_t keyIndex;
    int row, column;  // place in the dialog's grid
};
// clang-format off
constexpr AssignRow kAssignRows[] = {
    {1001, "Up",     kMapUp,     0, 1},
    {1002, "Left",   kMapLeft,   1, 0},
    {1003, "Right",  kMapRight,  1, 2},
    {1004, "Down",   kMapDown,   2, 1},
    {1005, "Select", kMapSelect, 3, 0},
    {1006, "Start",  kMapStart,  3, 1},
    {1007, "B",      kMapB,      4, 0},
    {1008, "A",      kMapA,      4, 1},
};
// clang-format on

// The play keys, on a row of their own below the controller's.
struct PlayKeyRow {
    int id;
    const char* text;
    int32_t playIndex;
};
constexpr PlayKeyRow kPlayKeyRows[] = {
    {1009, "Fast-Forward", kPlayFastForward},
    {1010, "Rewind", kPlayRewind},
    {1011, "Frame Advance", kPlayFrameAdvance},
};

// The pad dialog assigns only the four buttons that are not directions; its
// buttons share the first four entries of the keyboard's order.
bool IsDirection(int id) {
    return id >= 1001 && id <= 1004;
}

}  // namespace

int32_t WaitInDialog(QDialog* dialog, const std::function<int32_t()>& poll) {
    CaptureFilter filter(dialog);
    qApp->installEventFilter(&filter);
    int32_t result = poll();
    if (result == -1) {
        QEventLoop loop;
        QTimer timer;
        timer.setInterval(kCapturePollMs);
        QObject::connect(&timer, &QTimer::timeout, &loop, [&] {
            result = poll();
            if (result != -1) loop.quit();
        });
        timer.start();
        loop.exec();
    }
    qApp->removeEventFilter(&filter);
    return result;
}

KeyboardDialog::KeyboardDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle("Keyboard Input Config");
    auto* grid = new QGridLayout(this);
    for (const AssignRow& row : kAssignRows) {
        QPushButton* button = Button(this, row.text, row.id);
        grid->addWidget(button, row.row, row.column);
        uint8_t* key = &keyMap[row.keyIndex];
        connect(button, &QPushButton::clicked, this, [this, key] { Capture(key); });
    }
    for (int column = 0; column < 3; ++column) {
        const PlayKeyRow& row = kPlayKeyRows[column];
        QPushButton* button = Button(this, row.text, row.id);
        grid->addWidget(button, 5, column);
        uint8_t* key = &playKeys[row.playIndex];
        connect(button, &QPushButton::clicked, this, [this, key] { Capture(key); });
    }
    status_ = new QLabel("Ready", this);
    Name(status_, 40022);
    grid->addWidget(status_, 6, 0, 1, 3);
    notice_ = new QLabel(this);
    notice_->setObjectName("shortcutNotice");
    notice_->setWordWrap(true);
    notice_->hide();
    grid->addWidget(notice_, 7, 0, 1, 3);
    QPushButton* ok = Button(this, "OK", 1);
    grid->addWidget(ok, 8, 2);
    connect(ok, &QPushButton::clicked, this, &QDialog::close);
}

// The next key pressed: the lowest key code down that was not already down
// when the capture began.
void KeyboardDialog::Capture(uint8_t* key) {
    status_->setText("Waiting for a key press...");
    uint8_t before[256];
    std::memcpy(before, keyboardState, sizeof before);
    int32_t dik = WaitInDialog(this, [&before] {
        for (int32_t k = 0; k < 256; ++k) {
            bool down = (keyboardState[k] & 0x80) != 0;
            if (!down)
                before[k] = 0;
            else if (!(before[k] & 0x80))
                return k;
        }
        return -1;
    });
    if (dik >= 0) {
        *key = static_cast<uint8_t>(dik);
        // The player learns why the key also pauses, closes or loads a state.
        const char* name = DikName(dik);
        notice_->setText(QString("%1 is also a menu shortcut: in play it does both.")
                             .arg(name ? name : "This key"));
        notice_->setVisible(KeyIsShortcut(dik));
    }
    status_->setText("Ready");
}

JoypadDialog::JoypadDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle("Gamepad Input Config");
    auto* grid = new QGridLayout(this);
    auto* joypadLabel = new QLabel("Joypad:", this);
    Name(joypadLabel, 40022);
    grid->addWidget(joypadLabel, 0, 0);
    list_ = new QComboBox(this);
    Name(list_, 1013);
    grid->addWidget(list_, 0, 1, 1, 2);
    QPushButton* scan = Button(this, "Scan For Gamepads", 4);
    grid->addWidget(scan, 0, 3);
    nes1_ = new QRadioButton("NES #1", this);
    nes2_ = new QRadioButton("NES #2", this);
    Name(nes1_, 1017);
    Name(nes2_, 1018);
    // The check marks follow the chosen pads, which may be neither.
    nes1_->setAutoExclusive(false);
    nes2_->setAutoExclusive(false);
    grid->addWidget(nes1_, 1, 1);
    grid->addWidget(nes2_, 1, 2);
    for (const AssignRow& row : kAssignRows) {
        QPushButton* button = Button(this, row.text, row.id);
        grid->addWidget(button, row.row + 2, row.column);
        padControls_.push_back(button);
        if (IsDirection(row.id)) continue;
        // Select, Start, B and A sit at entries 2, 3, 1 and 0 of a button set,
        // the same entries as in keyMap.
        int32_t index = row.keyIndex;
        connect(button, &QPushButton::clicked, this, [this, index] { Capture(index); });
    }
    // What each NES button is on the selected pad, beside the buttons.
    const char* kNesButtons[4] = {"A", "B", "Select", "Start"};
    for (int32_t i = 0; i < 4; ++i) {
        bindings_[i] = new QLabel(this);
        bindings_[i]->setObjectName(QString("binding%1").arg(kNesButtons[i]));
        grid->addWidget(bindings_[i], 2 + i, 3);
    }
    padControls_.push_back(list_);
    padControls_.push_back(nes1_);
    padControls_.push_back(nes2_);
    auto* directions = new QLabel("Directions are automatically setup", this);
    Name(directions, 40024);
    grid->addWidget(directions, 7, 0, 1, 4);
    status_ = new QLabel("Ready", this);
    Name(status_, 40023);
    grid->addWidget(status_, 8, 0, 1, 3);
    QPushButton* apply = Button(this, "Apply", 1);
    grid->addWidget(apply, 8, 3);
    EnablePadControls(false);

    connect(apply, &QPushButton::clicked, this, &QDialog::close);
    connect(scan, &QPushButton::clicked, this, [this] { ScanJoypads(); });
    connect(list_, &QComboBox::activated, this, [this](int index) {
        selectedJoypad = list_->itemData(index).toInt();
        ShowPadChoice(selectedJoypad);
    });
    connect(nes1_, &QRadioButton::clicked, this, [this] { Choose(1); });
    connect(nes2_, &QRadioButton::clicked, this, [this] { Choose(2); });
    ScanJoypads();
}

int32_t JoypadDialog::ScanJoypads() {
    // The choices name pads by their place in the list, which a new scan keeps.
    int32_t chosen1 = nes1Joypad, chosen2 = nes2Joypad;
    list_->clear();
    ReleaseJoypads();
    int32_t count = sdl::EnumerateJoypads();
    nes1Joypad = chosen1;
    nes2Joypad = chosen2;
    // A pad that went back to NES controller 2's slot may leave slot 0 empty:
    // each entry keeps its slot.
    for (int32_t slot = 0; slot < kMaxJoypads; ++slot)
        if (joypadSlots[slot].filled)
            list_->addItem(QString::fromUtf8(joypadSlots[slot].name), slot);
    selectedJoypad = count > 0 ? list_->itemData(0).toInt() : 0;
    EnablePadControls(true);
    if (count == 0) {
        list_->addItem("No game controllers. Plug one and click scan");
        list_->setCurrentIndex(0);
        EnablePadControls(false);
        ShowBindings();
        return -1;
    }
    list_->setCurrentIndex(0);
    ShowPadChoice(selectedJoypad);
    return count;
}

void JoypadDialog::EnablePadControls(bool on) {
    for (QWidget* control : padControls_) control->setEnabled(on);
}

void JoypadDialog::ShowPadChoice(int32_t index) {
    nes1_->setChecked(nes1Joypad == index);
    nes2_->setChecked(nes2Joypad == index);
    ShowBindings();
}

void JoypadDialog::ShowBindings() {
    const char* kNesButtons[4] = {"A", "B", "Select", "Start"};
    int32_t slot = selectedJoypad;
    bool pad = slot >= 0 && slot < kMaxJoypads && joypadSlots[slot].filled;
    for (int32_t i = 0; i < 4; ++i) {
        QString name =
            pad ? QString::fromStdString(sdl::JoypadButtonName(slot, joypadSlots[slot].map[i]))
                : "";
        bindings_[i]->setText(pad ? QString("%1: %2").arg(kNesButtons[i], name) : QString());
    }
}

// One pad drives one controller: choosing it for one takes it from the other.
void JoypadDialog::Choose(int32_t controller) {
    int32_t& mine = controller == 1 ? nes1Joypad : nes2Joypad;
    int32_t& other = controller == 1 ? nes2Joypad : nes1Joypad;
    mine = selectedJoypad;
    if (other == selectedJoypad) other = -1;
    ShowPadChoice(selectedJoypad);
}

// The lowest button held on the selected pad. A pad that cannot be read any
// more ends the wait with nothing assigned.
void JoypadDialog::Capture(int32_t mapIndex) {
    status_->setText("Waiting for a Button Press...");
    int32_t slot = selectedJoypad;
    int32_t button = WaitInDialog(this, [slot] {
        JoypadState state = RestingJoypadState();
        if (!joypadDriver.read(slot, &state)) return kCaptureAbandoned;
        return LowestJoyButtonDown(state);
    });
    if (button >= 0) sdl::AssignJoypadButton(slot, mapIndex, static_cast<uint32_t>(button));
    ShowBindings();
    status_->setText("Ready");
}

// Closing: the pads are taken again, then the chosen ones are put where the
// controllers read them, controller 1's pad in slot 0 and controller 2's in
// slot 1.
void JoypadDialog::done(int result) {
    int32_t chosen1 = nes1Joypad, chosen2 = nes2Joypad;
    ReleaseJoypads();
    int32_t count = sdl::EnumerateJoypads();
    // The slots of the pads found; they need not follow one another.
    auto found = [](int32_t slot) {
        return slot >= 0 && slot < kMaxJoypads && joypadSlots[slot].filled != 0;
    };
    bool kept[2] = {found(chosen1), found(chosen2) && chosen2 != chosen1};
    if (count == 0) {
        nes1Joypad = -1;
        nes2Joypad = -1;
    } else {
        int32_t second = chosen2;
        if (kept[0]) {
            sdl::SwapJoypads(0, chosen1);
            if (second == 0) second = chosen1;
        }
        if (kept[1]) sdl::SwapJoypads(1, second);
        nes1Joypad = chosen1;
        nes2Joypad = chosen2;
    }
    // The chosen pads, now in slots 0 and 1, are looked for there again when
    // plugged in later or at the next start.
    for (int32_t i = 0; i < 2; ++i)
        std::snprintf(nesPadGuid[i], sizeof nesPadGuid[i], "%s",
                      kept[i] ? joypadSlots[i].guid : "");
    QDialog::done(result);
}

void RunKeyboardDialog(QWidget* parent) {
    KeyboardDialog dialog(parent);
    dialog.exec();
}

void RunJoypadDialog(QWidget* parent) {
    JoypadDialog dialog(parent);
    dialog.exec();
}

}  // namespace morvel::qt
