#include "platform/qt/volume_popup.h"

#include <QAction>
#include <QApplication>
#include <QBoxLayout>
#include <QCursor>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QPointer>
#include <QScreen>
#include <QSlider>
#include <QTimer>

#include "apu/volume_steps.h"
#include "platform/qt/desktop_settings.h"
#include "platform/qt/main_window.h"

namespace morvel::qt {

namespace {

QPointer<VolumePopup> volumePopup;

// The slider's length: about 25 average characters of the popup's font, the
// 100 dialog units of the original box, so it grows with a larger font.
constexpr int kSliderCharacters = 25;

}  // namespace

VolumePopup::VolumePopup(QWidget* mainWindow)
    : QWidget(mainWindow, Qt::Popup | Qt::FramelessWindowHint) {
    // A popup of the main window (an xdg_popup on Wayland, an override-redirect
    // window on X11): the desktop keeps it with its window and closes it on a
    // click elsewhere, and the main window keeps the focus. The click that
    // closes it is not handed on, so a right click never opens it again.
    setAttribute(Qt::WA_NoMouseReplay);
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

// Qt hands the keyboard to an open popup. The keys act on the main window
// as they would with the popup closed: its menu shortcuts run from here (the
// main window's filter, which sees every key of the program, keeps the key
// state and runs the character accelerators), and so do its menus' letters.
// Esc too is the main window's.
void VolumePopup::keyPressEvent(QKeyEvent* event) {
    const QKeySequence pressed(event->keyCombination());
    for (QAction* action : parentWidget()->findChildren<QAction*>()) {
        if (action->isEnabled() && action->shortcuts().contains(pressed)) {
            action->trigger();
            return;
        }
    }
    // Alt and a menu's letter opens that menu, the popup giving way.
    QMenuBar* bar = CurrentMainWindow()->menuBar();
    for (QAction* menu : bar->actions()) {
        if (QKeySequence::mnemonic(menu->text()) == pressed) {
            CloseVolumePopup();
            bar->setActiveAction(menu);
            return;
        }
    }
}

void VolumePopup::ShowVolumePercent() {
    char text[16];
    FormatVolumePercent(slider_->value(), text, sizeof text);
    percent_->setText(QString::fromLatin1(text));
}

void OpenVolumePopup() {
    if (volumePopup) return;
    volumePopup = new VolumePopup(CurrentMainWindow());
    // At the pointer, or moved in where a large font would take it past the
    // screen's edge. A Wayland compositor knows the pointer only over the
    // program's windows and places the popup relative to the main window,
    // sliding it in where it would leave the screen.
    QPoint at = QCursor::pos();
    if (QScreen* screen = QGuiApplication::screenAt(at))
        at = OnScreen(at, volumePopup->sizeHint(), screen->availableGeometry());
    volumePopup->move(at);
    // Chosen from the menu, it shows once the menu has closed: a Wayland
    // compositor dismisses a popup that opens beside another one's grab.
    if (QApplication::activePopupWidget())
        QTimer::singleShot(0, volumePopup, [] { volumePopup->show(); });
    else
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
