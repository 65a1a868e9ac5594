// libFuzzer target for the configuration file: any file, any section, key and
// value. A write must succeed, read back as written, and leave nothing in the
// folder but the configuration file.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "frontend/ini_file.h"
#include "fuzz_machine.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    morvel::fuzz::Prepare();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using morvel::fuzz::Fail;
    static const char* const sections[] = {"Video", "window", "KB Input", "JOY Input", "", "Mine"};
    static const char* const keys[] = {"PAR", "X", "Left", "Db", "Up", "Quality"};
    if (size < 2) return 0;
    const char* section = sections[data[0] % 6];
    const char* key = keys[data[1] % 6];
    data += 2;
    size -= 2;

    // Up to 20 value bytes before the first zero byte; the rest is the file.
    std::string value;
    size_t used = 0;
    while (used < size && data[used] != 0 && value.size() < 20) {
        char c = static_cast<char>(data[used++]);
        if (c != '\r' && c != '\n') value += c;
    }
    if (used < size) ++used;
    const std::string path = morvel::fuzz::WriteScratchFile("morvel.ini", data + used, size - used);

    char read[morvel::kIniLineSize];
    morvel::IniGetString(path.c_str(), section, key, read);
    if (std::strlen(read) >= sizeof read) Fail("ini: value overran its buffer");
    (void)morvel::IniGetInteger(path.c_str(), section, key, 0);

    if (morvel::IniPutString(path.c_str(), section, key, value.c_str()) != 1)
        Fail("ini: write failed");
    if (!morvel::IniGetString(path.c_str(), section, key, read)) Fail("ini: written key not found");
    if (value != read) Fail("ini: value did not read back");
    for (const auto& entry : std::filesystem::directory_iterator(morvel::fuzz::ScratchFolder()))
        if (entry.path().filename() != "morvel.ini") Fail("ini: a stray file was left behind");
    if (!std::filesystem::exists(path)) Fail("ini: the file is missing");
    return 0;
}
