#include "core/host_os.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <random>

#include "input/dik_codes.h"

#ifdef _WIN32
#include <io.h>
#include <windows.h>
// After windows.h, which defines its types.
#include <psapi.h>
#else
#include <unistd.h>

#include <csignal>
#endif

namespace morvel::os {

bool IsRegularFile(const std::string& path) {
    std::error_code ignored;
    return std::filesystem::is_regular_file(path, ignored);
}

bool NameTaken(const std::string& path) {
    std::error_code ignored;
    return std::filesystem::exists(std::filesystem::symlink_status(path, ignored));
}

std::string MakeTemporaryFolder(const char* prefix) {
    std::error_code error;
    const std::filesystem::path base = std::filesystem::temp_directory_path(error);
    if (error) return std::string();
    std::random_device seed;
    std::mt19937_64 names(seed());
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::filesystem::path folder = base / (prefix + std::to_string(names() % 1000000000));
        // create_directory is false, without an error, when the name is taken.
        if (std::filesystem::create_directory(folder, error)) return folder.string();
        if (error) return std::string();
    }
    return std::string();
}

#ifdef _WIN32

namespace {
std::wstring Wide(const std::string& text) {
    int length =
        MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(),
                        length);
    return wide;
}
}  // namespace

std::FILE* OpenRegularFile(const std::string& path, ReadOutcome& outcome, uint64_t& size) {
    struct _stat64 info;
    if (_wstat64(Wide(path).c_str(), &info) != 0) {
        outcome = errno == ENOENT ? ReadOutcome::kMissing : ReadOutcome::kUnreadable;
        return nullptr;
    }
    if ((info.st_mode & _S_IFMT) != _S_IFREG) {
        outcome = ReadOutcome::kNotRegular;
        return nullptr;
    }
    std::FILE* file = _wfopen(Wide(path).c_str(), L"rb");
    outcome = file ? ReadOutcome::kRead : ReadOutcome::kUnreadable;
    size = static_cast<uint64_t>(info.st_size);
    return file;
}

std::string FollowLinks(const std::string& path) {
    return path;
}

std::string FolderOf(const std::string& path) {
    size_t cut = path.find_last_of("/\\");
    if (cut == std::string::npos) return ".";
    return cut == 0 || (cut == 2 && path[1] == ':') ? path.substr(0, cut + 1) : path.substr(0, cut);
}

std::FILE* CreateBeside(const std::string& target, std::string& temporary, std::string& why) {
    DWORD attributes = GetFileAttributesW(Wide(target).c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        if (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) {
            why = target + " is not a regular file";
            return nullptr;
        }
        if (attributes & FILE_ATTRIBUTE_READONLY) {
            why = target + " is read-only";
            return nullptr;
        }
    }
    std::random_device seed;
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = target + "." + std::to_string(seed() % 1000000);
        // "x": made only if the name is free.
        if (std::FILE* file = _wfopen(Wide(name).c_str(), L"wbx")) {
            temporary = name;
            return file;
        }
        if (errno != EEXIST) break;
    }
    why = "cannot create a file in " + FolderOf(target);
    return nullptr;
}

std::FILE* CreateNewFile(const std::string& path, bool& taken) {
    std::FILE* file = _wfopen(Wide(path).c_str(), L"wbx");
    taken = !file && errno == EEXIST;
    return file;
}

bool IsDevice(const std::string& path) {
    // Windows' device names (NUL, CON) name no file of the folder.
    DWORD attributes = GetFileAttributesW(Wide(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DEVICE);
}

bool FlushToDisk(std::FILE* file) {
    return std::fflush(file) == 0 && _commit(_fileno(file)) == 0;
}

bool MoveOver(const std::string& from, const std::string& to) {
    // rename() refuses an existing target on Windows; this replaces it.
    return MoveFileExW(Wide(from).c_str(), Wide(to).c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

void SyncFolder(const std::string&) {}

bool SeekTo(std::FILE* file, uint64_t offset) {
    return _fseeki64(file, static_cast<__int64>(offset), SEEK_SET) == 0;
}

bool TruncateAt(std::FILE* file, uint64_t size) {
    return std::fflush(file) == 0 && _chsize_s(_fileno(file), static_cast<__int64>(size)) == 0;
}

bool FolderWritable(const std::string& folder) {
    // The folder's attributes do not say (Program Files is not read-only, yet
    // only administrators may write there): make a file and remove it.
    std::wstring probe = Wide(folder + "\\morvel-write-test.tmp");
    HANDLE handle = CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return false;
    CloseHandle(handle);
    return true;
}

std::string UserDataFolder() {
    const char* appData = std::getenv("APPDATA");
    return std::string(appData && *appData ? appData : ".") + "\\morvel";
}

std::tm LocalTimeOf(std::time_t moment) {
    std::tm parts{};
    localtime_s(&parts, &moment);
    return parts;
}

long long ResidentKilobytes() {
    PROCESS_MEMORY_COUNTERS counters{};
    if (!K32GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)) return -1;
    return static_cast<long long>(counters.WorkingSetSize / 1024);
}

int32_t DikOfNativeScanCode(uint32_t native) {
    if (native == 0 || (native & 0xFF) > 0x7F || native > 0x1FF) return -1;
    return static_cast<int32_t>((native & 0x7F) | (native & 0x100 ? 0x80 : 0));
}

std::string InstanceSocketName(const std::string&, std::string&) {
    const char* user = std::getenv("USERNAME");
    return std::string("morvel.instance.") + (user && *user ? user : "user");
}

int StartEndSignals() {
    return -1;
}

void DrainEndSignals(int) {}

void StopEndSignals() {}

void BinaryStandardOutput() {
    std::fflush(stdout);
    _setmode(_fileno(stdout), _O_BINARY);
}

#else

std::FILE* OpenRegularFile(const std::string& path, ReadOutcome& outcome, uint64_t& size) {
    int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        outcome =
            errno == ENOENT || errno == ENOTDIR ? ReadOutcome::kMissing : ReadOutcome::kUnreadable;
        return nullptr;
    }
    struct stat info = {};
    const bool known = ::fstat(fd, &info) == 0;
    if (!known || !S_ISREG(info.st_mode)) {
        outcome = known ? ReadOutcome::kNotRegular : ReadOutcome::kUnreadable;
        ::close(fd);
        return nullptr;
    }
    // A regular file never blocks; reads after this are ordinary ones.
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    std::FILE* file = ::fdopen(fd, "rb");
    if (!file) ::close(fd);
    outcome = file ? ReadOutcome::kRead : ReadOutcome::kUnreadable;
    size = static_cast<uint64_t>(info.st_size);
    return file;
}

std::string FolderOf(const std::string& path) {
    size_t cut = path.find_last_of('/');
    if (cut == std::string::npos) return ".";
    return cut == 0 ? "/" : path.substr(0, cut);
}

// At most 40 links, as the system follows.
std::string FollowLinks(const std::string& start) {
    std::string path = start;
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

std::FILE* CreateBeside(const std::string& target, std::string& temporary, std::string& why) {
    struct stat old;
    bool exists = ::stat(target.c_str(), &old) == 0;
    if (exists && !S_ISREG(old.st_mode)) {
        why = target + " is not a regular file";
        return nullptr;
    }
    // A file the user made read-only stays as it is, even for root, who could
    // write it anyway.
    if (exists && ((old.st_mode & 0222) == 0 || ::access(target.c_str(), W_OK) != 0)) {
        why = target + " is read-only";
        return nullptr;
    }
    std::string pattern = target + ".XXXXXX";
    int fd = ::mkstemp(pattern.data());
    if (fd < 0) {
        why = "cannot create a file in " + FolderOf(target);
        return nullptr;
    }
    ::fcntl(fd, F_SETFD, FD_CLOEXEC);
    if (exists) {
        ::fchmod(fd, old.st_mode & 07777);
        // Only root may give a file away; for anyone else the owner is already
        // the one writing, and a failure here changes nothing.
        [[maybe_unused]] int owned = ::fchown(fd, old.st_uid, old.st_gid);
    } else {
        mode_t mask = ::umask(0);
        ::umask(mask);
        ::fchmod(fd, 0666 & ~mask);
    }
    std::FILE* file = ::fdopen(fd, "wb");
    if (!file) {
        ::close(fd);
        ::unlink(pattern.c_str());
        why = "cannot create a file in " + FolderOf(target);
        return nullptr;
    }
    temporary = pattern;
    return file;
}

std::FILE* CreateNewFile(const std::string& path, bool& taken) {
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    taken = fd < 0 && errno == EEXIST;
    if (fd < 0) return nullptr;
    std::FILE* file = ::fdopen(fd, "wb");
    if (!file) {
        ::close(fd);
        ::unlink(path.c_str());
    }
    return file;
}

bool IsDevice(const std::string& path) {
    struct stat info;
    return ::stat(path.c_str(), &info) == 0 && (S_ISCHR(info.st_mode) || S_ISBLK(info.st_mode));
}

bool FlushToDisk(std::FILE* file) {
    return std::fflush(file) == 0 && ::fsync(fileno(file)) == 0;
}

bool MoveOver(const std::string& from, const std::string& to) {
    return ::rename(from.c_str(), to.c_str()) == 0;
}

void SyncFolder(const std::string& folder) {
    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

bool SeekTo(std::FILE* file, uint64_t offset) {
    return fseeko(file, static_cast<off_t>(offset), SEEK_SET) == 0;
}

bool TruncateAt(std::FILE* file, uint64_t size) {
    return std::fflush(file) == 0 && ftruncate(fileno(file), static_cast<off_t>(size)) == 0;
}

bool FolderWritable(const std::string& folder) {
    return ::access(folder.c_str(), W_OK) == 0;
}

std::string UserDataFolder() {
    const char* xdg = std::getenv("XDG_DATA_HOME");
    if (xdg && *xdg) return std::string(xdg) + "/morvel";
    const char* home = std::getenv("HOME");
    return std::string(home && *home ? home : ".") + "/.local/share/morvel";
}

std::tm LocalTimeOf(std::time_t moment) {
    std::tm parts{};
    localtime_r(&moment, &parts);
    return parts;
}

long long ResidentKilobytes() {
    std::FILE* file = std::fopen("/proc/self/statm", "r");
    if (!file) return -1;
    long long totalPages = 0, residentPages = 0;
    const int fields = std::fscanf(file, "%lld %lld", &totalPages, &residentPages);
    std::fclose(file);
    const long pageSize = sysconf(_SC_PAGESIZE);
    if (fields != 2 || pageSize <= 0) return -1;
    return residentPages * (pageSize / 1024);
}

int32_t DikOfNativeScanCode(uint32_t native) {
    return native >= 8 ? DikFromEvdev(static_cast<int32_t>(native - 8)) : -1;
}

namespace {
// Whether the folder is a real folder (not a link) owned by this user, which
// no other user may enter: nobody else can have put a socket in it.
bool PrivateToTheUser(const std::string& folder) {
    struct stat info = {};
    return ::lstat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode) &&
           info.st_uid == ::getuid() && (info.st_mode & 077) == 0;
}
}  // namespace

std::string InstanceSocketName(const std::string& temporaryFolder, std::string& why) {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    std::string folder = runtime && *runtime
                             ? std::string(runtime)
                             : temporaryFolder + "/morvel-" + std::to_string(::getuid());
    if (!(runtime && *runtime)) ::mkdir(folder.c_str(), 0700);
    if (!PrivateToTheUser(folder)) {
        why = folder + " is not this user's own folder";
        return std::string();
    }
    return folder + "/morvel.instance";
}

namespace {
constexpr int kEndSignals[] = {SIGTERM, SIGINT};

// The signal handler writes one byte into this pipe and does nothing else.
int endSignalPipe[2] = {-1, -1};

void OnEndSignal(int) {
    int saved = errno;
    char byte = 1;
    ssize_t written = ::write(endSignalPipe[1], &byte, 1);
    static_cast<void>(written);  // a full pipe already holds a request
    errno = saved;
}

void SetEndSignalAction(void (*handler)(int)) {
    struct sigaction action = {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = handler == SIG_DFL ? 0 : SA_RESTART;
    for (int signal : kEndSignals) sigaction(signal, &action, nullptr);
}
}  // namespace

int StartEndSignals() {
    if (endSignalPipe[0] < 0 && ::pipe2(endSignalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        endSignalPipe[0] = endSignalPipe[1] = -1;
    if (endSignalPipe[0] >= 0) SetEndSignalAction(OnEndSignal);
    return endSignalPipe[0];
}

void DrainEndSignals(int descriptor) {
    char bytes[16];
    while (::read(descriptor, bytes, sizeof bytes) > 0) {
    }
}

void StopEndSignals() {
    SetEndSignalAction(SIG_DFL);
}

void BinaryStandardOutput() {}

#endif

}  // namespace morvel::os
