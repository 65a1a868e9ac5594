// morvel: the desktop program.
//
// With MORVEL_STARTUP_TIME set (to anything), the program prints the time from
// the start of main() to the first frame shown in the window,
// "first frame: S s", and quits: the measure of how soon a cartridge named on
// the command line is on screen (bench/run.sh uses it).
#include <QApplication>
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "platform/qt/desktop_app.h"
#include "video/presentation.h"

namespace {

// Runs the window until its first frame is shown and prints the time it took.
int ReportFirstFrame(morvel::qt::DesktopApp& desktop, std::chrono::steady_clock::time_point start) {
    while (morvel::framesPresented == 0)
        if (!desktop.RunPass()) {
            std::fprintf(stderr, "morvel: the window closed before a frame was shown\n");
            return EXIT_FAILURE;
        }
    std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    std::printf("first frame: %.3f s\n", elapsed.count());
    return EXIT_SUCCESS;
}

}  // namespace

int main(int argc, char** argv) {
    auto start = std::chrono::steady_clock::now();
    QApplication app(argc, argv);
    QApplication::setApplicationName("morvel");
    morvel::qt::DesktopApp desktop(QApplication::arguments());
    if (!desktop.started()) return EXIT_SUCCESS;  // the other copy came to the front
    if (desktop.failed()) return EXIT_FAILURE;
    if (std::getenv("MORVEL_STARTUP_TIME")) return ReportFirstFrame(desktop, start);
    return desktop.Run();
}
