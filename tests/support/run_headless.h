// Runs morvel-headless as a separate process, as a user or script would.
#pragma once

#include <string>
#include <vector>

namespace morvel::test {

struct HeadlessRun {
    int exitCode = -1;  // the exit status, or -1 when the process did not exit normally
    std::string out;
    std::string err;
};

HeadlessRun RunHeadless(const std::vector<std::string>& args);

// Paths of our own built cartridges and of the outside test cartridges.
std::string TestRom(const std::string& name);    // build/test_roms/NAME.nes
std::string SharedRom(const std::string& path);  // ../shared/roms/PATH
bool SharedRomsPresent();

std::string ReadFileText(const std::string& path);
std::string MakeTempDir();
std::string ShellQuote(const std::string& text);  // one word for sh, whatever it holds

}  // namespace morvel::test
