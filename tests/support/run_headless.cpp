#include "support/run_headless.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace morvel::test {

namespace {
std::string Quote(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) {
        if (c == '\'')
            quoted += "'\\''";
        else
            quoted += c;
    }
    return quoted + "'";
}
}  // namespace

std::string ReadFileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string MakeTempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "morvel-test-XXXXXX").string();
    char* made = mkdtemp(pattern.data());
    return made ? std::string(made) : std::string();
}

HeadlessRun RunHeadless(const std::vector<std::string>& args) {
    std::string dir = MakeTempDir();
    std::string command = Quote(MORVEL_HEADLESS);
    for (const std::string& arg : args) command += " " + Quote(arg);
    command += " >" + Quote(dir + "/out") + " 2>" + Quote(dir + "/err") + " </dev/null";
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
