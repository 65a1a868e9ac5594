// The two input configuration dialogs: "Keyboard Input Config" assigns keys to
// the NES buttons, "Gamepad Input Config" assigns game pad buttons and picks
// the pads of NES controllers 1 and 2. Each control's object name is
// "control" and its identifier (control1001 for Up, ...).
#pragma once

#include <QDialog>
#include <cstdint>
#include <functional>

class QComboBox;
class QLabel;
class QPushButton;
class QRadioButton;

namespace morvel::qt {

// A capture: the dialog takes no clicks, keys or close requests and repaints
// as usual until `poll` gives a value of 0 or more (the capture) or
// kCaptureAbandoned. There is no time-out: the player is expected to press
// something.
constexpr int32_t kCaptureAbandoned = -2;
int32_t WaitInDialog(QDialog* dialog, const std::function<int32_t()>& poll);

class KeyboardDialog : public QDialog {
   public:
    explicit KeyboardDialog(QWidget* parent);

   private:
    void Capture(uint8_t* key);  // an entry of keyMap or playKeys
    QLabel* status_;
    QLabel* notice_;  // shown while the last key taken is also a menu shortcut
};

class JoypadDialog : public QDialog {
   public:
    explicit JoypadDialog(QWidget* parent);

    // The list of pads again from what is attached now; the number of pads,
    // -1 when there is none.
    int32_t ScanJoypads();

   protected:
    void done(int result) override;

   private:
    void EnablePadControls(bool on);
    void ShowPadChoice(int32_t index);
    void ShowBindings();  // the selected pad's buttons for A, B, Select, Start
    void Capture(int32_t mapIndex);
    void Choose(int32_t controller);

    QComboBox* list_;
    QLabel* status_;
    QRadioButton* nes1_;
    QRadioButton* nes2_;
    std::vector<QWidget*> padControls_;
    QLabel* bindings_[4];
};

// The modal dialogs as the Options menu opens them.
void RunKeyboardDialog(QWidget* parent);
void RunJoypadDialog(QWidget* parent);

}  // namespace morvel::qt
