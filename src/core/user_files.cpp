#include "core/user_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace morvel {

namespace {

// Opens for reading without waiting for a FIFO's writer, then refuses all
// but regular files. -1 with outcome set on failure.
int OpenRegular(const std::string& path, ReadOutcome& outcome, struct stat& info) {
    int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        outcome =
            errno == ENOENT || errno == ENOTDIR ? ReadOutcome::kMissing : ReadOutcome::kUnreadable;
        return -1;
    }
    if (::fstat(fd, &info) != 0) {
        outcome = ReadOutcome::kUnreadable;
        ::close(fd);
        return -1;
    }
    if (!S_ISREG(info.st_mode)) {
        outcome = ReadOutcome::kNotRegular;
        ::close(fd);
        return -1;
    }
    // A regular file never blocks; reads after this are ordinary ones.
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    outcome = ReadOutcome::kRead;
    return fd;
}

std::string FolderOf(const std::string& path) {
    size_t cut = path.find_last_of('/');
    if (cut == std::string::npos) return ".";
    return cut == 0 ? "/" : path.substr(0, cut);
}

// Follows links (at most 40, as the system does) to the file they name, which
// need not exist yet.
std::string FollowLinks(std::string path) {
    for (int hops = 0; hops < 40; ++hops) {
        struct stat info;
        if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return path;
        std::string link(static_cast<size_t>(info.st_size > 0 ? info.st_size : 4096) + 1, '\0');
        ssize_t length = ::readlink(path.c_str(), link.data(), link.size());
        if (length <= 0 || static_cast<size_t>(length) >= link.size()) return path;
        link.resize(static_cast<size_t>(length));
        path = link[0] == '/' ? link : FolderOf(path) + "/" + link;
    }
    return path;
}

void SyncFolder(const std::string& folder) {
    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

mode_t NewFileMode() {
    mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

}  // namespace

ReadOutcome ReadUserFile(const std::string& path, size_t maxBytes, std::vector<uint8_t>& bytes) {
    bytes.clear();
    ReadOutcome outcome;
    struct stat info;
    int fd = OpenRegular(path, outcome, info);
    if (fd < 0) return outcome;
    if (static_cast<uint64_t>(info.st_size) > maxBytes) {
        ::close(fd);
        return ReadOutcome::kTooLarge;
    }
    // Read one byte past the bound: a file that grew since fstat is still
    // caught as too large.
    bytes.resize(static_cast<size_t>(info.st_size) + 1);
    size_t got = 0;
    while (got < bytes.size()) {
        ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            ::close(fd);
            bytes.clear();
            return ReadOutcome::kUnreadable;
        }
        if (n == 0) break;
        got += static_cast<size_t>(n);
        if (got > maxBytes) {
            ::close(fd);
            bytes.clear();
            return ReadOutcome::kTooLarge;
        }
        if (got == bytes.size()) bytes.resize(bytes.size() * 2);
    }
    ::close(fd);
    bytes.resize(got);
    return ReadOutcome::kRead;
}

std::FILE* OpenUserFile(const std::string& path, ReadOutcome& outcome) {
    struct stat info;
    int fd = OpenRegular(path, outcome, info);
    if (fd < 0) return nullptr;
    std::FILE* file = ::fdopen(fd, "rb");
    if (!file) {
        ::close(fd);
        outcome = ReadOutcome::kUnreadable;
    }
    return file;
}

bool IsRegularFile(const std::string& path) {
    struct stat info;
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
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

FileReplacement::FileReplacement(const std::string& path) : target_(FollowLinks(path)) {}

FileReplacement::~FileReplacement() {
    Abandon();
}

std::FILE* FileReplacement::Open() {
    Abandon();
    struct stat old;
    bool exists = ::stat(target_.c_str(), &old) == 0;
    if (exists && !S_ISREG(old.st_mode)) {
        error_ = target_ + " is not a regular file";
        return nullptr;
    }
    // A file the user made read-only stays as it is, even for root, who could
    // write it anyway.
    if (exists && ((old.st_mode & 0222) == 0 || ::access(target_.c_str(), W_OK) != 0)) {
        error_ = target_ + " is read-only";
        return nullptr;
    }
    std::string pattern = target_ + ".XXXXXX";
    int fd = ::mkstemp(pattern.data());
    if (fd < 0) {
        error_ = "cannot create a file in " + FolderOf(target_);
        return nullptr;
    }
    ::fcntl(fd, F_SETFD, FD_CLOEXEC);
    if (exists) {
        ::fchmod(fd, old.st_mode & 07777);
        // Only root may give a file away; for anyone else the owner is already
        // the one writing, and a failure here changes nothing.
        [[maybe_unused]] int owned = ::fchown(fd, old.st_uid, old.st_gid);
    } else {
        ::fchmod(fd, NewFileMode());
    }
    file_ = ::fdopen(fd, "wb");
    if (!file_) {
        ::close(fd);
        ::unlink(pattern.c_str());
        error_ = "cannot create a file in " + FolderOf(target_);
        return nullptr;
    }
    temporary_ = pattern;
    return file_;
}

bool FileReplacement::Commit() {
    if (!file_) return false;
    bool ok = std::fflush(file_) == 0 && ::fsync(fileno(file_)) == 0;
    if (std::fclose(file_) != 0) ok = false;
    file_ = nullptr;
    if (!ok) {
        error_ = "cannot write " + target_ + " (is the disk full?)";
        Abandon();
        return false;
    }
    if (::rename(temporary_.c_str(), target_.c_str()) != 0) {
        error_ = "cannot replace " + target_;
        Abandon();
        return false;
    }
    temporary_.clear();
    SyncFolder(FolderOf(target_));
    return true;
}

void FileReplacement::Abandon() {
    if (file_) std::fclose(file_);
    file_ = nullptr;
    if (!temporary_.empty()) ::unlink(temporary_.c_str());
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
        struct stat info;
        if (::lstat(aside.c_str(), &info) == 0) continue;
        if (::rename(path.c_str(), aside.c_str()) != 0) return std::string();
        SyncFolder(FolderOf(path));
        return aside;
    }
    return std::string();
}

}  // namespace morvel
