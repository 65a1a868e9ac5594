#include "frontend/ini_file.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <limits>
#include <string>
#include <system_error>

namespace morvel {

namespace {

constexpr int kMaxKeyLength = 60;
constexpr int kMaxSectionLength = 59;
// The longest line that still fits the line buffer with its terminating zero.
constexpr size_t kMaxLineBytes = kIniLineSize - 1;

// Everything up to the space counts as a blank, and so does every byte of 128
// and above (taken as a signed byte it is negative): a UTF-8 byte order mark
// before a section name is skipped like a space.
bool IsBlank(char c) {
    return static_cast<signed char>(c) <= 32;
}

char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameName(const char* text, size_t length, const char* name) {
    if (std::strlen(name) != length) return false;
    for (size_t i = 0; i < length; ++i) {
        if (LowerAscii(text[i]) != LowerAscii(name[i])) return false;
    }
    return true;
}

const char* SkipBlanks(const char* s) {
    while (*s != '\0' && IsBlank(*s)) ++s;
    return s;
}

// Reads a file in the pieces a 64-byte line buffer gives: up to and including
// the next line feed, at most 63 bytes. Bytes are kept as read, zeros included,
// so that copied pieces come out unchanged.
class PieceReader {
   public:
    explicit PieceReader(std::FILE* file) : file_(file) {}

    // Returns the byte count of the next piece, 0 at the end of the file.
    // piece[count] is set to zero; the text of the piece as a line ends at its
    // first zero byte.
    size_t Next(char* piece) {
        size_t count = 0;
        while (count < kMaxLineBytes) {
            int c = std::getc(file_);
            if (c == EOF) break;
            piece[count++] = static_cast<char>(c);
            if (c == '\n') break;
        }
        piece[count] = '\0';
        return count;
    }

   private:
    std::FILE* file_;
};

// A line (blanks already skipped) that names the section: it starts with '['
// and the text up to the first ']' is the section's name.
bool IsHeaderOf(const char* line, const char* section) {
    if (line[0] != '[') return false;
    const char* close = std::strchr(line + 1, ']');
    if (close == nullptr) return false;
    return SameName(line + 1, static_cast<size_t>(close - line - 1), section);
}

// A line (blanks already skipped) holding the key: not a comment, not a
// header, with a separator ('=', or ':' when there is no '=') after the key.
// Returns the text after the separator, or null.
const char* ValueOfKey(const char* line, const char* key) {
    if (line[0] == ';' || line[0] == '#' || line[0] == '[') return nullptr;
    const char* separator = std::strchr(line, '=');
    if (separator == nullptr) separator = std::strchr(line, ':');
    if (separator == nullptr) return nullptr;
    size_t length = static_cast<size_t>(separator - line);
    while (length > 0 && IsBlank(line[length - 1])) --length;
    if (!SameName(line, length, key)) return nullptr;
    return separator + 1;
}

// Cuts the value at a comment outside double quotes, trims it, and takes off
// one level of quoting.
void ExtractValue(const char* text, char* destination) {
    const char* value = SkipBlanks(text);
    size_t length = std::strlen(value);
    bool quoted = false;
    for (size_t i = 0; i < length; ++i) {
        char c = value[i];
        if (c == '"') {
            if (i > 0 && value[i - 1] == '\\') continue;  // \" is a quote inside the value
            if (value[i + 1] == '"') {                    // "" too
                ++i;
                continue;
            }
            quoted = !quoted;
        } else if ((c == ';' || c == '#') && !quoted) {
            length = i;
            break;
        }
    }
    while (length > 0 && IsBlank(value[length - 1])) --length;

    size_t out = 0;
    if (length >= 2 && value[0] == '"' && value[length - 1] == '"') {
        for (size_t i = 1; i + 1 < length && out < kMaxLineBytes; ++i) {
            char c = value[i];
            if ((c == '\\' || c == '"') && i + 2 < length && value[i + 1] == '"') ++i;
            destination[out++] = value[i];
        }
    } else {
        for (size_t i = 0; i < length && out < kMaxLineBytes; ++i) destination[out++] = value[i];
    }
    destination[out] = '\0';
}

// The text up to the first line break: names and values never span lines.
std::string OneLine(const char* text, size_t maxLength) {
    std::string s;
    for (const char* p = text; *p != '\0' && *p != '\r' && *p != '\n' && s.size() < maxLength;
         ++p) {
        s += *p;
    }
    return s;
}

bool NeedsQuotes(const std::string& value) {
    if (value.find_first_of("\";#") != std::string::npos) return true;
    // Blanks at either end would be trimmed away when the value is read back.
    return !value.empty() && (IsBlank(value.back()) || IsBlank(value.front()));
}

// The value as written after '=', in at most `room` bytes.
std::string FormatValue(const char* value, size_t room) {
    std::string plain = OneLine(value, std::numeric_limits<size_t>::max());
    if (!NeedsQuotes(plain)) {
        if (plain.size() > room) plain.resize(room);
        if (!NeedsQuotes(plain)) return plain;  // shortening may leave a blank at the end
    }
    if (room < 2) return std::string();
    std::string quoted = "\"";
    for (char c : plain) {
        size_t width = (c == '"') ? 2 : 1;
        if (quoted.size() + width + 1 > room) break;
        if (c == '"') quoted += '\\';
        quoted += c;
    }
    quoted += '"';
    return quoted;
}

std::string KeyLine(const char* key, const char* value) {
    std::string line = OneLine(key, kMaxKeyLength);
    line += '=';
    line += FormatValue(value, kMaxLineBytes - 2 - line.size());
    line += "\r\n";
    return line;
}

std::string SectionLine(const char* section) {
    return "[" + OneLine(section, kMaxSectionLength) + "]\r\n";
}

// Collects the new file's bytes into the temporary file and remembers the last
// byte written, so that a line is never appended to an unterminated one.
class CopyWriter {
   public:
    explicit CopyWriter(std::FILE* file) : file_(file) {}

    void Write(const char* bytes, size_t count) {
        if (count == 0) return;
        if (std::fwrite(bytes, 1, count, file_) != count) failed_ = true;
        last_ = bytes[count - 1];
        empty_ = false;
    }
    void Write(const std::string& s) { Write(s.data(), s.size()); }

    // Writes a line that must begin a line of its own.
    void WriteLine(const std::string& line) {
        if (!empty_ && last_ != '\n') Write("\r\n", 2);
        Write(line);
    }

    bool failed() const { return failed_; }

   private:
    std::FILE* file_;
    char last_ = '\0';
    bool empty_ = true;
    bool failed_ = false;
};

// Copies `source` (which may be null: no file yet) into the temporary file
// with the key line put in its place.
bool WriteCopy(std::FILE* source, std::FILE* target, const char* section, const char* key,
               const char* value) {
    CopyWriter out(target);
    const std::string keyLine = KeyLine(key, value);
    enum { kBeforeSection, kInSection, kDone } state = section[0] ? kBeforeSection : kInSection;
    size_t sourceBytes = 0;
    char lastTwo[2] = {0, 0};

    if (source != nullptr) {
        PieceReader reader(source);
        char piece[kIniLineSize];
        while (size_t count = reader.Next(piece)) {
            sourceBytes += count;
            lastTwo[0] = count >= 2 ? piece[count - 2] : lastTwo[1];
            lastTwo[1] = piece[count - 1];
            const char* line = SkipBlanks(piece);
            if (state == kBeforeSection) {
                if (IsHeaderOf(line, section)) state = kInSection;
            } else if (state == kInSection) {
                if (line[0] == '[') {  // the section ends: the key goes at its end
                    out.WriteLine(keyLine);
                    state = kDone;
                } else if (ValueOfKey(line, key) != nullptr) {
                    out.Write(keyLine);
                    state = kDone;
                    continue;
                }
            }
            out.Write(piece, count);
        }
        if (std::ferror(source)) return false;
    }

    if (state == kInSection) {
        out.WriteLine(keyLine);
    } else if (state == kBeforeSection) {
        bool endsWithCrLf = lastTwo[0] == '\r' && lastTwo[1] == '\n';
        if (sourceBytes > 0 && !endsWithCrLf) out.Write("\r\n", 2);
        out.Write(SectionLine(section));
        out.Write(keyLine);
    }
    return !out.failed();
}

bool FileExists(const char* path, bool* unreadable) {
    std::FILE* file = std::fopen(path, "rb");
    if (file != nullptr) {
        std::fclose(file);
        *unreadable = false;
        return true;
    }
    *unreadable = errno != ENOENT;
    return false;
}

}  // namespace

int IniTemporaryPath(const char* path, char* destination, int destinationSize) {
    size_t length = std::strlen(path);
    if (length == 0 || destinationSize <= 0 || length >= static_cast<size_t>(destinationSize)) {
        return 0;
    }
    if (path[length - 1] == '~' || path[length - 1] == '/' || path[length - 1] == '\\') return 0;
    std::memcpy(destination, path, length + 1);
    destination[length - 1] = '~';
    return 1;
}

int32_t IniParseInteger(const char* text) {
    const char* p = text;
    int base = (p[0] != '\0' && (p[1] == 'x' || p[1] == 'X')) ? 16 : 10;
    bool negative = false;
    if (*p == '-' || *p == '+') negative = *p++ == '-';
    if (base == 16 && p[0] == '0' && (p[1] == 'x' || p[1] == 'X') &&
        std::isxdigit(static_cast<unsigned char>(p[2]))) {
        p += 2;
    }
    int64_t magnitude = 0;
    for (;; ++p) {
        int digit;
        if (*p >= '0' && *p <= '9') {
            digit = *p - '0';
        } else if (base == 16 && LowerAscii(*p) >= 'a' && LowerAscii(*p) <= 'f') {
            digit = LowerAscii(*p) - 'a' + 10;
        } else {
            break;
        }
        if (digit >= base) break;
        // Past the 32-bit range the value saturates rather than wrapping.
        if (magnitude <= int64_t{1} << 32) magnitude = magnitude * base + digit;
    }
    int64_t value = negative ? -magnitude : magnitude;
    if (value > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
    if (value < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(value);
}

int IniGetString(const char* path, const char* section, const char* key, char* destination) {
    destination[0] = '\0';
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr) return 0;
    PieceReader reader(file);
    char piece[kIniLineSize];
    bool inSection = section[0] == '\0';
    int found = 0;
    while (reader.Next(piece) > 0) {
        const char* line = SkipBlanks(piece);
        if (!inSection) {
            inSection = IsHeaderOf(line, section);
            continue;
        }
        if (line[0] == '[') break;
        if (const char* value = ValueOfKey(line, key)) {
            ExtractValue(value, destination);
            found = 1;
            break;
        }
    }
    std::fclose(file);
    return found;
}

int32_t IniGetInteger(const char* path, const char* section, const char* key,
                      int32_t defaultValue) {
    char value[kIniLineSize];
    if (!IniGetString(path, section, key, value) || value[0] == '\0') return defaultValue;
    return IniParseInteger(value);
}

int IniPutString(const char* path, const char* section, const char* key, const char* value) {
    char temporary[4096];
    if (!IniTemporaryPath(path, temporary, sizeof temporary)) return 0;

    bool unreadable = false;
    bool exists = FileExists(path, &unreadable);
    if (unreadable) return 0;  // never replace a file we could not read
    if (exists) {
        char current[kIniLineSize];
        if (IniGetString(path, section, key, current) && std::strcmp(current, value) == 0) {
            return 1;
        }
    }

    std::FILE* source = nullptr;
    if (exists) {
        source = std::fopen(path, "rb");
        if (source == nullptr) return 0;
    }
    std::FILE* target = std::fopen(temporary, "wb");
    if (target == nullptr) {
        if (source != nullptr) std::fclose(source);
        return 0;
    }
    bool ok = WriteCopy(source, target, section, key, value);
    if (source != nullptr) std::fclose(source);
    if (std::fclose(target) != 0) ok = false;

    // The copy takes the old file's place in one step, so a crash or a full
    // disk never leaves a half-written settings file behind.
    std::error_code error;
    if (ok) std::filesystem::rename(temporary, path, error);
    if (!ok || error) {
        std::remove(temporary);
        return 0;
    }
    return 1;
}

}  // namespace morvel
