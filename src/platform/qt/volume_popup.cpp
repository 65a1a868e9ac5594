#include "platform/qt/volume_popup.h"

#include <QCursor>
#include <QLabel>
#include <QPointer>
#include <QSlider>

#include "apu/volume_steps.h"

namespace morvel::qt {

namespace {

QPointer<VolumePopup> volumePopup;

// The popup's layout in pixels: a 100 x 23 dialog-unit box, a unit being
// about 1.5 pixels across and 1.625 down at the usual dialog font.
constexpr QRect kBox(0, 0, 150, 37);
constexpr QRect kVolumeLabel(4, 0, 39, 13);
constexpr QRect kPercentLabel(48, 0, 23, 13);
constexpr QRect kSlider(0, 13, 150, 24);

}  // namespace

VolumePopup::VolumePopup() {
    // A tool window that never takes the keyboard focus: opening it must not
    // look like the main window losing the focus, which would close it again.
    setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                   Qt::WindowDoesNotAcceptFocus);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName("volumePopup");
    setFixedSize(kBox.size());
    auto* label = new QLabel("Volume:", this);
    label->setGeometry(kVolumeLabel);
    percent_ = new QLabel("0", this);
    percent_->setObjectName("volumePercent");
    percent_->setGeometry(kPercentLabel);
    slider_ = new QSlider(Qt::Horizontal, this);
    slider_->setObjectName("volumeSlider");
    slider_->setGeometry(kSlider);
    slider_->setTickPosition(QSlider::NoTicks);
    slider_->setFocusPolicy(Qt::NoFocus);
    slider_->setRange(0, kVolumeSteps - 1);
    slider_->setValue(VolumeSliderPosition());
    ShowVolumePercent();
    connect(slider_, &QSlider::valueChanged, this, [this](int position) {
        SetVolumeFromSlider(position);
        ShowVolumePercent();
    });
}

void VolumePopup::ShowVolumePercent() {
    char text[16];
    FormatVolumePercent(slider_->value(), text, sizeof text);
    percent_->setText(QString::fromLatin1(text));
}

void OpenVolumePopup() {
    if (volumePopup) return;
    volumePopup = new VolumePopup;
    volumePopup->move(QCursor::pos());
    volumePopup->show();
}

void CloseVolumePopup() {
    if (volumePopup) volumePopup->close();
    volumePopup = nullptr;
}

VolumePopup* OpenedVolumePopup() {
    return volumePopup.data();
}

}  // namespace morvel::qt
