#include "frontend/ini_file.h"

#include <cctype>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

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

// Reads a file's text in the pieces a 64-byte line buffer gives: up to and
// including the next line feed, at most 63 bytes. Bytes are kept as read,
// zeros included, so that copied pieces come out unchanged.
class PieceReader {
   public:
    explicit PieceReader(const std::string& text) : text_(text) {}

    // Returns the byte count of the next piece, 0 at the end of the text.
    // piece[count] is set to zero; the text of the piece as a line ends at its
    // first zero byte.
    size_t Next(char* piece) {
        size_t count = 0;
        while (count < kMaxLineBytes && next_ < text_.size()) {
            char c = text_[next_++];
            piece[count++] = c;
            if (c == '\n') break;
        }
        piece[count] = '\0';
        return count;
    }

   private:
    const std::string& text_;
    size_t next_ = 0;
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

// Collects the new file's bytes; a line of its own is never appended to an
// unterminated one.
class CopyWriter {
   public:
    explicit CopyWriter(std::string& out) : out_(out) {}

    void Write(const char* bytes, size_t count) { out_.append(bytes, count); }
    void Write(const std::string& s) { out_ += s; }

    // Writes a line that must begin a line of its own.
    void WriteLine(const std::string& line) {
        if (!out_.empty() && out_.back() != '\n') out_ += "\r\n";
        out_ += line;
    }

   private:
    std::string& out_;
};

// The file's text with the key line put in its place.
std::string WithKey(const std::string& source, const char* section, const char* key,
                    const char* value) {
    std::string result;
    CopyWriter out(result);
    const std::string keyLine = KeyLine(key, value);
    enum { kBeforeSection, kInSection, kDone } state = section[0] ? kBeforeSection : kInSection;

    PieceReader reader(source);
    char piece[kIniLineSize];
    while (size_t count = reader.Next(piece)) {
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

    if (state == kInSection) {
        out.WriteLine(keyLine);
    } else if (state == kBeforeSection) {
        bool endsWithCrLf = source.size() >= 2 && source.compare(source.size() - 2, 2, "\r\n") == 0;
        if (!source.empty() && !endsWithCrLf) out.Write("\r\n", 2);
        out.Write(SectionLine(section));
        out.Write(keyLine);
    }
    return result;
}

// The file's text without the lines of the section (its header kept, and
// added at the end when missing).
std::string WithoutSectionBody(const std::string& source, const char* section) {
    std::string result;
    CopyWriter out(result);
    bool inSection = false, found = false;
    PieceReader reader(source);
    char piece[kIniLineSize];
    while (size_t count = reader.Next(piece)) {
        const char* line = SkipBlanks(piece);
        if (line[0] == '[') inSection = !found && IsHeaderOf(line, section);
        found = found || inSection;
        if (inSection && line[0] != '[') continue;
        out.Write(piece, count);
    }
    if (!found) out.WriteLine(SectionLine(section));
    return result;
}

}  // namespace

ReadOutcome IniReadFile(const char* path, std::string& text) {
    text.clear();
    std::vector<uint8_t> bytes;
    ReadOutcome outcome = ReadUserFile(path, kIniMaxBytes, bytes);
    if (outcome == ReadOutcome::kRead) text.assign(bytes.begin(), bytes.end());
    return outcome;
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

int IniFindString(const std::string& text, const char* section, const char* key,
                  char* destination) {
    destination[0] = '\0';
    PieceReader reader(text);
    char piece[kIniLineSize];
    bool inSection = section[0] == '\0';
    while (reader.Next(piece) > 0) {
        const char* line = SkipBlanks(piece);
        if (!inSection) {
            inSection = IsHeaderOf(line, section);
            continue;
        }
        if (line[0] == '[') break;
        if (const char* value = ValueOfKey(line, key)) {
            ExtractValue(value, destination);
            return 1;
        }
    }
    return 0;
}

int32_t IniFindInteger(const std::string& text, const char* section, const char* key,
                       int32_t defaultValue) {
    char value[kIniLineSize];
    if (!IniFindString(text, section, key, value) || value[0] == '\0') return defaultValue;
    return IniParseInteger(value);
}

int IniGetString(const char* path, const char* section, const char* key, char* destination) {
    std::string text;
    destination[0] = '\0';
    if (IniReadFile(path, text) != ReadOutcome::kRead) return 0;
    return IniFindString(text, section, key, destination);
}

int32_t IniGetInteger(const char* path, const char* section, const char* key,
                      int32_t defaultValue) {
    std::string text;
    if (IniReadFile(path, text) != ReadOutcome::kRead) return defaultValue;
    return IniFindInteger(text, section, key, defaultValue);
}

int IniPutStrings(const char* path, const IniSetting* settings, size_t count, std::string& why) {
    if (path[0] == '\0') {
        why = "the settings file has no name";
        return 0;
    }
    std::string old;
    ReadOutcome outcome = IniReadFile(path, old);
    // Never replace a file that could not be read: its contents would be lost.
    if (outcome != ReadOutcome::kRead && outcome != ReadOutcome::kMissing) {
        why = std::string(path) + " " + ReadOutcomeText(outcome);
        return 0;
    }
    std::string text = old;
    for (size_t i = 0; i < count; ++i) {
        const IniSetting& s = settings[i];
        char current[kIniLineSize];
        // A key that already holds the value keeps its line as it is.
        if (IniFindString(text, s.section, s.key, current) && std::strcmp(current, s.value) == 0)
            continue;
        text = WithKey(text, s.section, s.key, s.value);
    }
    if (outcome == ReadOutcome::kRead && text == old) return 1;
    return ReplaceUserFile(path, text.data(), text.size(), why) ? 1 : 0;
}

int IniPutSection(const char* path, const char* section, const IniSetting* settings, size_t count,
                  std::string& why) {
    std::string old;
    ReadOutcome outcome = IniReadFile(path, old);
    if (path[0] == '\0' || (outcome != ReadOutcome::kRead && outcome != ReadOutcome::kMissing)) {
        why = path[0] == '\0' ? "the settings file has no name"
                              : std::string(path) + " " + ReadOutcomeText(outcome);
        return 0;
    }
    std::string text = WithoutSectionBody(old, section);
    for (size_t i = 0; i < count; ++i)
        text = WithKey(text, section, settings[i].key, settings[i].value);
    if (outcome == ReadOutcome::kRead && text == old) return 1;
    return ReplaceUserFile(path, text.data(), text.size(), why) ? 1 : 0;
}

int IniPutString(const char* path, const char* section, const char* key, const char* value) {
    const IniSetting setting = {section, key, value};
    std::string why;
    return IniPutStrings(path, &setting, 1, why);
}

}  // namespace morvel
