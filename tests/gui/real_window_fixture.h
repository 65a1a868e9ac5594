// The real program in a real X server: Xvfb with xdotool, as a user would
// start it. Tests using the fixture are skipped when Xvfb or xdotool is missing.
#pragma once

#include <gtest/gtest.h>
#include <sys/types.h>

#include <functional>
#include <string>
#include <vector>

namespace morvel::test {

bool HaveProgram(const char* name);

// Starts a program with the environment given; returns its process id.
pid_t Spawn(const std::vector<std::string>& argv, const std::vector<std::string>& env,
            int stdoutFd = -1);

// Waits up to timeoutMs for the process to end; its exit code, or -1.
int WaitExit(pid_t pid, int timeoutMs);

// An Xvfb server of its own and a folder holding a copy of the program, which
// becomes its data folder, with the demo in roms/.
class RealWindow : public ::testing::Test {
   protected:
    void SetUp() override;
    void TearDown() override;

    std::vector<std::string> Env() const;
    pid_t StartMorvel(const std::vector<std::string>& args = {});

    // Runs xdotool; its output.
    std::string Xdotool(const std::string& args);
    // The main window's id, once it shows; empty when it never does.
    std::string WindowId();
    std::string Geometry(const std::string& window);
    // The window's top-left corner on the screen; false when unknown.
    bool Position(const std::string& window, int& x, int& y);
    // Polls the window's geometry until it matches; the last geometry seen.
    std::string WaitGeometry(const std::string& window,
                             const std::function<bool(const std::string&)>& ok);

    std::string folder_;
    std::string display_;
    std::vector<std::string> extraEnv_;  // added to the program's environment
    pid_t xvfb_ = -1;
    pid_t morvel_ = -1;
};

}  // namespace morvel::test
