// The volume popup: a small popup of the main window at the mouse pointer with a
// slider of 45 one-decibel steps and the volume as a percentage. Every
// movement is heard at once; there is no OK or Cancel.
#pragma once

#include <QWidget>

class QLabel;
class QSlider;

namespace morvel::qt {

class VolumePopup : public QWidget {
   public:
    explicit VolumePopup(QWidget* mainWindow);

    QSlider* slider() const { return slider_; }
    QLabel* percent() const { return percent_; }

   protected:
    void keyPressEvent(QKeyEvent* event) override;

   private:
    void ShowVolumePercent();

    QSlider* slider_;
    QLabel* percent_;
};

// Opens the popup with its top-left corner at the mouse pointer.
void OpenVolumePopup();
// Closes it when it is open.
void CloseVolumePopup();
// The open popup, or null.
VolumePopup* OpenedVolumePopup();

}  // namespace morvel::qt
