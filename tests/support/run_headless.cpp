#include "support/run_headless.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace morvel::test {

std::string ShellQuote(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

std::string ReadFileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string MakeTempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "morvel-test-XXXXXX").string();
    return mkdtemp(pattern.data()) ? pattern : std::string();
}

HeadlessRun RunHeadless(const std::vector<std::string>& args) {
    std::string dir = MakeTempDir();
    std::string command = ShellQuote(MORVEL_HEADLESS);
    for (const std::string& arg : args) command += " " + ShellQuote(arg);
    command += " >" + ShellQuote(dir + "/out") + " 2>" + ShellQuote(dir + "/err") + " </dev/null";
    int status = std::system(command.c_str());
    HeadlessRun run;
    if (status != -1 && WIFEXITED(status)) run.exitCode = WEXITSTATUS(status);
    run.out = ReadFileText(dir + "/out");
    run.err = ReadFileText(dir + "/err");
    std::filesystem::remove_all(dir);
    return run;
}

std::string TestRom(const std::string& name) {
    return std::string(MORVEL_TEST_ROMS) + "/" + name + ".nes";
}

std::string SharedRom(const std::string& path) {
    return std::string(MORVEL_SHARED_ROMS) + "/" + path;
}

bool SharedRomsPresent() {
    return std::filesystem::is_directory(MORVEL_SHARED_ROMS);
}

}  // namespace morvel::test
