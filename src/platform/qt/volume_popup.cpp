#include "platform/qt/volume_popup.h"

#include <QBoxLayout>
#include <QCursor>
#include <QGuiApplication>
#include <QLabel>
#include <QPointer>
#include <QScreen>
#include <QSlider>

#include "apu/volume_steps.h"
#include "platform/qt/desktop_settings.h"

namespace morvel::qt {

namespace {

QPointer<VolumePopup> volumePopup;

// The slider's length: about 25 average characters of the popup's font, the
// 100 dialog units of the original box, so it grows with a larger font.
constexpr int kSliderCharacters = 25;

}  // namespace

VolumePopup::VolumePopup() {
    // A tool window that never takes the keyboard focus: opening it must not
    // look like the main window losing the focus, which would close it again.
    setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                   Qt::WindowDoesNotAcceptFocus);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName("volumePopup");
    // The labels above the slider, laid out by Qt so that the texts fit at
    // any font and screen scale; the popup takes the size they need.
    auto* column = new QVBoxLayout(this);
    column->setSizeConstraint(QLayout::SetFixedSize);
    column->setContentsMargins(2, 2, 2, 2);
    column->setSpacing(0);
    auto* labels = new QHBoxLayout;
    labels->setContentsMargins(4, 0, 4, 0);
    auto* label = new QLabel("Volume:", this);
    percent_ = new QLabel("100%", this);
    percent_->setObjectName("volumePercent");
    // Wide enough for "100%", so the row does not move as the slider does.
    percent_->setMinimumWidth(percent_->sizeHint().width());
    labels->addWidget(label);
    labels->addWidget(percent_);
    labels->addStretch();
    column->addLayout(labels);
    slider_ = new QSlider(Qt::Horizontal, this);
    slider_->setObjectName("volumeSlider");
    slider_->setMinimumWidth(fontMetrics().averageCharWidth() * kSliderCharacters);
    column->addWidget(slider_);
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
    // At the pointer, or moved in where a large font would take it past the
    // screen's edge.
    QPoint at = QCursor::pos();
    if (QScreen* screen = QGuiApplication::screenAt(at))
        at = OnScreen(at, volumePopup->sizeHint(), screen->availableGeometry());
    volumePopup->move(at);
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
