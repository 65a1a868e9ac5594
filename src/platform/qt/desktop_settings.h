// The settings as the desktop window uses them: applied once at start-up and
// taken back from the window just before they are written at close.
#pragma once

#include <QPoint>

namespace morvel::qt {

class MainWindow;

// Reads the configuration file in the data folder and applies it: picture
// mode, window size, position (kept on the screen), volume, keys, game pad
// buttons and recording quality.
void LoadAndApplySettings(MainWindow* window);

// Copies what the program may have changed since start-up into `settings`;
// `position` is the window's top-left corner in windowed mode.
void KeepSettingsCurrent(QPoint position);

}  // namespace morvel::qt
