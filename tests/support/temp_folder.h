// A fresh folder under the system's temporary folder, removed with its
// contents when the test ends.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <set>
#include <stdexcept>
#include <string>
#include <thread>

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
    explicit Watchdog(const char* what, int seconds = 20)
        : thread_([this, what, seconds] {
              std::unique_lock<std::mutex> lock(mutex_);
              if (!finished_.wait_for(lock, std::chrono::seconds(seconds),
                                      [this] { return done_; })) {
                  std::fprintf(stderr, "%s: still blocked after %d s\n", what, seconds);
                  std::_Exit(1);
              }
          }) {}
    ~Watchdog() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            done_ = true;
        }
        finished_.notify_all();
        thread_.join();
    }
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

   private:
    std::mutex mutex_;
    std::condition_variable finished_;
    bool done_ = false;
    std::thread thread_;  // last: starts once the members above exist
};

inline void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

inline std::string ReadBytes(const std::string& path) {
    return ReadFileText(path);
}

}  // namespace morvel::test
