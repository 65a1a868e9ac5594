// morvel: the desktop program.
//
//   morvel [--help | --version] [--] [CARTRIDGE.nes]
//
// --help and --version print and end before any window opens (no display is
// needed). Qt's own options are taken off by QApplication; any other word
// that starts with '-' is refused with status 2; "--" lets a path begin with
// '-'. The rest is the cartridge's path, as it always was.
//
// With MORVEL_STARTUP_TIME set (to anything), the program prints the time from
// the start of main() to the first frame shown in the window,
// "first frame: S s", and quits: the measure of how soon a cartridge named on
// the command line is on screen (bench/run.sh uses it).
#include <QApplication>
#include <QSurfaceFormat>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

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

const char kUsage[] =
    "Usage: morvel [OPTION] [CARTRIDGE.nes]\n"
    "Runs an NES cartridge image (iNES or NES 2.0) in a window. Without one, the\n"
    "ROM browser lists the roms folder. When morvel already runs, it comes to the\n"
    "front and opens the cartridge given to this one.\n"
    "\n"
    "  -h, --help     show this help and exit\n"
    "      --version  show the version and exit\n"
    "      --         end of options: the path may begin with '-'\n";

// 0 or 2 when the first argument was --help, --version or an unknown option
// (and was answered), -1 otherwise.
int AnswerOption(const char* argument) {
    if (std::strcmp(argument, "--help") == 0 || std::strcmp(argument, "-h") == 0) {
        std::fputs(kUsage, stdout);
        return EXIT_SUCCESS;
    }
    if (std::strcmp(argument, "--version") == 0) {
        std::printf("morvel %s\n", MORVEL_VERSION);
        return EXIT_SUCCESS;
    }
    if (argument[0] == '-' && std::strcmp(argument, "--") != 0) {
        std::fprintf(stderr, "morvel: unknown option '%s'\nTry 'morvel --help'.\n", argument);
        return 2;
    }
    return -1;
}

}  // namespace

int main(int argc, char** argv) {
    auto start = std::chrono::steady_clock::now();
    // Help and version need no display: answered before Qt looks for one.
    if (argc > 1 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0 ||
                     std::strcmp(argv[1], "--version") == 0))
        return AnswerOption(argv[1]);
    // Every OpenGL window swaps at the display's refresh: the picture never tears.
    QSurfaceFormat format = QSurfaceFormat::defaultFormat();
    format.setSwapInterval(1);
    QSurfaceFormat::setDefaultFormat(format);
    QApplication app(argc, argv);
    QApplication::setApplicationName("morvel");
    // Wayland's name of the window: the desktop finds the launcher entry by it.
    QGuiApplication::setDesktopFileName("morvel");
    QStringList arguments = QApplication::arguments();
    if (arguments.size() > 1) {
        int answered = AnswerOption(arguments[1].toLocal8Bit().constData());
        if (answered >= 0) return answered;
        if (arguments[1] == "--") arguments.removeAt(1);
    }
    morvel::qt::DesktopApp desktop(arguments);
    if (!desktop.started()) return EXIT_SUCCESS;  // the other copy came to the front
    if (desktop.failed()) return EXIT_FAILURE;
    if (std::getenv("MORVEL_STARTUP_TIME")) return ReportFirstFrame(desktop, start);
    return desktop.Run();
}
