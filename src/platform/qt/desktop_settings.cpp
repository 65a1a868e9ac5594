#include "platform/qt/desktop_settings.h"

#include <QGuiApplication>
#include <QScreen>
#include <algorithm>

#include "frontend/data_folder.h"
#include "frontend/recent_roms.h"
#include "frontend/settings.h"
#include "platform/qt/main_window.h"
#include "recording/video_recorder.h"
#include "video/presentation.h"

namespace morvel::qt {

namespace {

QRect AvailableArea() {
    QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect(0, 0, 640, 480);
}

}  // namespace

// A position saved on a larger or another screen must not leave the window
// out of reach, nor a window grown to a larger size.
QPoint OnScreen(QPoint wanted, QSize size, QRect area) {
    int x = std::max(area.left(), std::min(wanted.x(), area.right() + 1 - size.width()));
    int y = std::max(area.top(), std::min(wanted.y(), area.bottom() + 1 - size.height()));
    return {x, y};
}

bool WindowPositionKnown() {
    return !QGuiApplication::platformName().startsWith("wayland");
}

void LoadAndApplySettings(MainWindow* window) {
    QRect area = AvailableArea();
    LoadSettings(exeDir.c_str(), WorkArea{area.x() + area.width(), area.y() + area.height()});
    ReadRecentRoms(iniPath);
    nesAspect = settings.nesAspect ? 1 : 0;
    SetWindowScale(static_cast<uint32_t>(settings.windowScale));
    recordQuality = settings.recordQuality;
    integerScale = settings.integerScale ? 1 : 0;
    if (!WindowPositionKnown()) return;
    QPoint wanted(settings.windowLeft, settings.windowTop);
    window->move(OnScreen(wanted, window->frameGeometry().size(), area));
}

void KeepSettingsCurrent(QPoint position) {
    settings.nesAspect = nesAspect ? 1 : 0;
    settings.windowScale = static_cast<int32_t>(windowScale);
    if (WindowPositionKnown()) {
        settings.windowLeft = position.x();
        settings.windowTop = position.y();
    }
    settings.recordQuality = recordQuality;
    settings.integerScale = integerScale ? 1 : 0;
}

}  // namespace morvel::qt
