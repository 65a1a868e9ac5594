// morvel: the desktop program.
#include <QApplication>
#include <cstdlib>

#include "platform/qt/desktop_app.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("morvel");
    morvel::qt::DesktopApp desktop(QApplication::arguments());
    if (!desktop.started()) return EXIT_SUCCESS;  // the other copy came to the front
    if (desktop.failed()) return EXIT_FAILURE;
    return desktop.Run();
}
