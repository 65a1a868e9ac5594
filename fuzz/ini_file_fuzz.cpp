// libFuzzer target for the configuration file: any file, any section, key and
// value. A write must succeed, read back as written, and leave nothing in the
// folder but the configuration file.
#include <dirent.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "frontend/ini_file.h"

namespace {

std::string folder;
std::string path;

void Fail(const char* what) {
    std::fprintf(stderr, "ini fuzz: %s\n", what);
    std::abort();
}

int CountEntries() {
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr) Fail("folder vanished");
    int count = 0;
    while (dirent* entry = readdir(dir)) {
        if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0) continue;
        if (std::strcmp(entry->d_name, "morvel.ini") != 0) Fail("a stray file was left behind");
        ++count;
    }
    closedir(dir);
    return count;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    char pattern[] = "/tmp/morvel-ini-fuzz-XXXXXX";
    if (mkdtemp(pattern) == nullptr) Fail("cannot make a folder");
    folder = pattern;
    path = folder + "/morvel.ini";
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
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

    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) Fail("cannot write the input file");
    std::fwrite(data + used, 1, size - used, file);
    std::fclose(file);

    char read[morvel::kIniLineSize];
    morvel::IniGetString(path.c_str(), section, key, read);
    if (std::strlen(read) >= sizeof read) Fail("value overran its buffer");
    (void)morvel::IniGetInteger(path.c_str(), section, key, 0);

    if (morvel::IniPutString(path.c_str(), section, key, value.c_str()) != 1) Fail("write failed");
    if (!morvel::IniGetString(path.c_str(), section, key, read)) Fail("written key not found");
    if (value != read) Fail("value did not read back");
    if (CountEntries() != 1) Fail("the file is missing");
    return 0;
}
