#include "core/user_files.h"

#include <cerrno>

#include "core/host_os.h"

namespace morvel {

ReadOutcome ReadUserFile(const std::string& path, size_t maxBytes, std::vector<uint8_t>& bytes) {
    bytes.clear();
    ReadOutcome outcome;
    uint64_t size = 0;
    std::FILE* file = os::OpenRegularFile(path, outcome, size);
    if (!file) return outcome;
    if (size > maxBytes) {
        std::fclose(file);
        return ReadOutcome::kTooLarge;
    }
    // Read one byte past the bound: a file that grew since it was opened is
    // still caught as too large.
    bytes.resize(static_cast<size_t>(size) + 1);
    size_t got = 0;
    while (got < bytes.size()) {
        size_t n = std::fread(bytes.data() + got, 1, bytes.size() - got, file);
        got += n;
        if (got > maxBytes) {
            std::fclose(file);
            bytes.clear();
            return ReadOutcome::kTooLarge;
        }
        if (n == 0 || got < bytes.size()) break;
        bytes.resize(bytes.size() * 2);
    }
    bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed) {
        bytes.clear();
        return ReadOutcome::kUnreadable;
    }
    bytes.resize(got);
    return ReadOutcome::kRead;
}

std::FILE* OpenUserFile(const std::string& path, ReadOutcome& outcome) {
    uint64_t size = 0;
    return os::OpenRegularFile(path, outcome, size);
}

bool IsRegularFile(const std::string& path) {
    return os::IsRegularFile(path);
}

const char* ReadOutcomeText(ReadOutcome outcome) {
    switch (outcome) {
        case ReadOutcome::kRead: return "was read";
        case ReadOutcome::kMissing: return "does not exist";
        case ReadOutcome::kNotRegular: return "is not a regular file";
        case ReadOutcome::kTooLarge: return "is too large";
        case ReadOutcome::kUnreadable: return "cannot be read";
    }
    return "cannot be read";
}

FileReplacement::FileReplacement(const std::string& path) : target_(os::FollowLinks(path)) {}

FileReplacement::~FileReplacement() {
    Abandon();
}

std::FILE* FileReplacement::Open() {
    Abandon();
    file_ = os::CreateBeside(target_, temporary_, error_);
    return file_;
}

bool FileReplacement::Commit() {
    if (!file_) return false;
    bool ok = os::FlushToDisk(file_);
    if (std::fclose(file_) != 0) ok = false;
    file_ = nullptr;
    if (!ok) {
        error_ = "cannot write " + target_ + " (is the disk full?)";
        Abandon();
        return false;
    }
    if (!os::MoveOver(temporary_, target_)) {
        error_ = "cannot replace " + target_;
        Abandon();
        return false;
    }
    temporary_.clear();
    os::SyncFolder(os::FolderOf(target_));
    return true;
}

void FileReplacement::Abandon() {
    if (file_) std::fclose(file_);
    file_ = nullptr;
    if (!temporary_.empty()) std::remove(temporary_.c_str());
    temporary_.clear();
}

bool ReplaceUserFile(const std::string& path, const void* data, size_t size, std::string& why) {
    FileReplacement replacement(path);
    std::FILE* file = replacement.Open();
    bool ok = file && std::fwrite(data, 1, size, file) == size && replacement.Commit();
    if (!ok) why = replacement.error().empty() ? "cannot write " + path : replacement.error();
    return ok;
}

std::string SetAsideUserFile(const std::string& path, const std::string& suffix) {
    for (int k = 1; k < 1000; ++k) {
        std::string aside = path + suffix + (k > 1 ? "-" + std::to_string(k) : std::string());
        if (os::NameTaken(aside)) continue;
        if (std::rename(path.c_str(), aside.c_str()) != 0) return std::string();
        os::SyncFolder(os::FolderOf(path));
        return aside;
    }
    return std::string();
}

}  // namespace morvel
