// Files the user keeps and files the user hands in: every open of a cartridge,
// state, settings, sound or video file goes through here, so the rules below
// and the operating system's calls behind them live in one place.
//
// Reading: only a regular file is opened (a FIFO or a device would block or
// never end), without waiting for a writer, and no more than a bound is read.
// Writing: the new contents go to a file beside the old one, are flushed to
// the disk, take over the old file's permissions and owner, and are renamed
// over it in one step; the folder is flushed too, so that after a crash or a
// power cut either the old or the new file is there, whole. A link is followed
// and its target replaced, and a file without write permission is left alone.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace morvel {

enum class ReadOutcome {
    kRead,
    kMissing,     // no such file
    kNotRegular,  // a folder, FIFO, socket or device
    kTooLarge,    // larger than the bound the caller gave
    kUnreadable,  // no permission, or a read error
};

// Reads the whole of a regular file of at most maxBytes into bytes.
ReadOutcome ReadUserFile(const std::string& path, size_t maxBytes, std::vector<uint8_t>& bytes);

// Opens a regular file for reading without blocking on a FIFO; nullptr (with
// outcome set) for anything else. The caller closes it with fclose.
std::FILE* OpenUserFile(const std::string& path, ReadOutcome& outcome);

// True when path names a regular file (links followed).
bool IsRegularFile(const std::string& path);

// Words for an outcome other than kRead, for messages: "cannot be read",
// "is not a regular file", ...
const char* ReadOutcomeText(ReadOutcome outcome);

// Replaces one file the user keeps. Open() makes the file beside the target;
// the caller writes through the FILE*; Commit() puts it in the target's place.
// A replacement never committed (destroyed, or Abandon()) removes its file and
// leaves the old one untouched.
class FileReplacement {
   public:
    explicit FileReplacement(const std::string& path);
    ~FileReplacement();
    FileReplacement(const FileReplacement&) = delete;
    FileReplacement& operator=(const FileReplacement&) = delete;

    // nullptr when the file beside cannot be made or the target may not be
    // replaced (read-only, or not a regular file); error() says why.
    std::FILE* Open();
    // Flushes, closes and renames; false (old file intact) on any failure.
    bool Commit();
    void Abandon();

    // The path the new contents are written to until Commit().
    const std::string& TemporaryPath() const { return temporary_; }
    // The file that is replaced: the target of a link, else the path given.
    const std::string& TargetPath() const { return target_; }
    const std::string& error() const { return error_; }

   private:
    std::string target_;
    std::string temporary_;
    std::string error_;
    std::FILE* file_ = nullptr;
};

// The whole of a small file in one call: false (old file intact, why set)
// when it could not be replaced.
bool ReplaceUserFile(const std::string& path, const void* data, size_t size, std::string& why);

// Moves a file out of the way, untouched, to the first name not yet taken of
// "<path><suffix>", "<path><suffix>-2", "<path><suffix>-3", ...; an earlier
// file set aside is never overwritten. Returns the new name, or an empty
// string when the file could not be moved.
std::string SetAsideUserFile(const std::string& path, const std::string& suffix);

}  // namespace morvel
