#include "real_window_fixture.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <thread>

#include "desktop_fixture.h"
#include "support/run_headless.h"

namespace morvel::test {

bool HaveProgram(const char* name) {
    return std::system((std::string("command -v ") + name + " >/dev/null 2>&1").c_str()) == 0;
}

pid_t Spawn(const std::vector<std::string>& argv, const std::vector<std::string>& env,
            int stdoutFd) {
    pid_t pid = fork();
    if (pid != 0) return pid;
    for (const std::string& e : env) putenv(const_cast<char*>(e.c_str()));
    int null = open("/dev/null", O_RDWR);
    dup2(null, 0);
    dup2(stdoutFd >= 0 ? stdoutFd : null, 1);
    dup2(null, 2);
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    execvp(args[0], args.data());
    _exit(127);
}

int WaitExit(pid_t pid, int timeoutMs) {
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < end) {
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid)
            return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return -1;
}

void RealWindow::SetUp() {
    if (!HaveProgram("Xvfb") || !HaveProgram("xdotool")) GTEST_SKIP() << "Xvfb or xdotool missing";
    folder_ = MakeTempDir();
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    xvfb_ = Spawn({"Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0", "1024x768x24",
                   "-nolisten", "tcp"},
                  {}, -1);
    close(fds[1]);
    char number[16] = {};
    ssize_t got = read(fds[0], number, sizeof number - 1);
    close(fds[0]);
    ASSERT_GT(got, 0) << "Xvfb did not start";
    display_ = ":" + std::string(number, std::strlen(number) - (number[got - 1] == '\n'));
    std::filesystem::copy_file(MORVEL_DESKTOP_BIN, folder_ + "/morvel");
    std::filesystem::create_directories(folder_ + "/roms");
    std::filesystem::copy_file(DemoRom(), folder_ + "/roms/demo.nes");
}

void RealWindow::TearDown() {
    for (pid_t pid : {morvel_, xvfb_}) {
        if (pid > 0) {
            kill(pid, SIGTERM);
            if (WaitExit(pid, 5000) < 0) kill(pid, SIGKILL), waitpid(pid, nullptr, 0);
        }
    }
    if (!folder_.empty()) std::filesystem::remove_all(folder_);
}

std::vector<std::string> RealWindow::Env() const {
    std::vector<std::string> env{"DISPLAY=" + display_, "QT_QPA_PLATFORM=xcb",
                                 "SDL_AUDIODRIVER=dummy", "XDG_RUNTIME_DIR=" + folder_};
    env.insert(env.end(), extraEnv_.begin(), extraEnv_.end());
    return env;
}

pid_t RealWindow::StartMorvel(const std::vector<std::string>& args) {
    std::vector<std::string> argv{folder_ + "/morvel"};
    argv.insert(argv.end(), args.begin(), args.end());
    return Spawn(argv, Env());
}

std::string RealWindow::Xdotool(const std::string& args) {
    std::string command = "DISPLAY=" + display_ + " timeout 20 xdotool " + args + " 2>/dev/null";
    std::string out;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[256];
        while (fgets(buffer, sizeof buffer, pipe)) out += buffer;
        pclose(pipe);
    }
    return out;
}

std::string RealWindow::WindowId() {
    std::string out = Xdotool("search --sync --onlyvisible --name 'morvel 0.63 x64'");
    return out.substr(0, out.find('\n'));
}

std::string RealWindow::Geometry(const std::string& window) {
    std::string out = Xdotool("getwindowgeometry " + window);
    size_t at = out.find("Geometry: ");
    return at == std::string::npos ? "" : out.substr(at + 10, out.find('\n', at) - at - 10);
}

bool RealWindow::Position(const std::string& window, int& x, int& y) {
    std::string out = Xdotool("getwindowgeometry " + window);
    size_t at = out.find("Position: ");
    return at != std::string::npos && std::sscanf(out.c_str() + at, "Position: %d,%d", &x, &y) == 2;
}

std::string RealWindow::WaitGeometry(const std::string& window,
                                     const std::function<bool(const std::string&)>& ok) {
    std::string g;
    for (int i = 0; i < 200; ++i) {
        g = Geometry(window);
        if (ok(g)) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return g;
}

}  // namespace morvel::test
