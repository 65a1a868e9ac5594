// The settings as the desktop window uses them: applied once at start-up and
// taken back from the window just before they are written at close.
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

namespace morvel::qt {

class MainWindow;

// Reads the configuration file in the data folder and applies it: picture
// mode, window size, position (kept on the screen), volume, keys, game pad
// buttons and recording quality.
void LoadAndApplySettings(MainWindow* window);

// Copies what the program may have changed since start-up into `settings`;
// `position` is the window's top-left corner in windowed mode.
void KeepSettingsCurrent(QPoint position);

// Whether the platform lets the program read and set where its window is on
// the screen. A Wayland compositor places the windows itself and tells a
// client nothing of their position: there the window is not moved and its
// position is neither taken nor written, so that the values a run under X11
// left in morvel.ini stay for the next run there.
bool WindowPositionKnown();

// Where a window of this size goes when it is wanted at `wanted` inside
// `area`: pulled in so the whole window shows, or its top-left corner when it
// is larger than the area.
QPoint OnScreen(QPoint wanted, QSize size, QRect area);

}  // namespace morvel::qt
