// morvel_icons: writes the program's icon for the desktop's icon theme, as
// FOLDER/NxN/apps/morvel.png for each size N given. Run at build time, so the
// files are drawn by the same code as the window's icon.
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <cstdio>
#include <cstdlib>

#include "platform/qt/rom_browser.h"

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: morvel_icons FOLDER SIZE...\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");  // no display needed
    QGuiApplication app(argc, argv);
    for (int i = 2; i < argc; ++i) {
        int size = std::atoi(argv[i]);
        QString folder = QString("%1/%2x%2/apps").arg(QFile::decodeName(argv[1])).arg(size);
        QString file = folder + "/morvel.png";
        if (size < 1 || size > 1024 || !QDir().mkpath(folder) ||
            !morvel::qt::ProgramIconImage(size).save(file, "PNG")) {
            std::fprintf(stderr, "morvel_icons: could not write %s\n", qUtf8Printable(file));
            return EXIT_FAILURE;
        }
    }
    return EXIT_SUCCESS;
}
