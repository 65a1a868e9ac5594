// A fresh folder under the system's temporary folder, removed with its
// contents when the test ends.
#pragma once

#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <stdexcept>
#include <string>

#include "support/run_headless.h"

namespace morvel::test {

class TempFolder {
   public:
    TempFolder() : path_(MakeTempDir()) {
        if (path_.empty()) throw std::runtime_error("cannot create a temporary folder");
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::permissions(path_, std::filesystem::perms::owner_all, ignored);
        std::filesystem::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::string File(const std::string& name) const { return (path_ / name).string(); }

    // The names of the files in the folder.
    std::set<std::string> Names() const {
        std::set<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(path_))
            names.insert(entry.path().filename().string());
        return names;
    }

   private:
    std::filesystem::path path_;
};

// Ends the test program when the code in its scope is still running after the
// deadline: a read that blocks on a FIFO fails the test instead of hanging it.
class Watchdog {
   public:
    explicit Watchdog(const char* what, int seconds = 20) {
        static const char* running;
        running = what;
        std::signal(SIGALRM, [](int) {
            (void)!write(2, running, std::strlen(running));
            (void)!write(2, ": still blocked at the deadline\n", 32);
            std::_Exit(1);
        });
        alarm(static_cast<unsigned>(seconds));
    }
    ~Watchdog() { alarm(0); }
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;
};

inline void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

inline std::string ReadBytes(const std::string& path) {
    return ReadFileText(path);
}

}  // namespace morvel::test
