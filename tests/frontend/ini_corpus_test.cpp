// The configuration file against odd and random files: reading never
// crashes, a save always reads back as written, a second save changes nothing,
// and no file but the configuration file (and its passing '~' copy) is touched.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "frontend/ini_file.h"
#include "frontend/settings.h"
#include "support/temp_folder.h"

namespace morvel::test {
namespace {

using namespace std::string_literals;

constexpr WorkArea kWorkArea = {1280, 1024};

// Files a user, an editor or a broken disk might leave behind.
const std::vector<std::pair<const char*, std::string>>& OddFiles() {
    static const std::vector<std::pair<const char*, std::string>> files = {
        {"empty", ""},
        {"CR-only lines", "[Video]\rPAR=1\r[Window]\rX=2\rLeft=10\rTop=20\r[Volume]\rDb=40\r"},
        {"LF-only lines", "[Video]\nPAR=1\n[Window]\nX=2\nLeft=10\nTop=20\n[Volume]\nDb=40\n"},
        {"no final newline", "[Video]\r\nPAR=1\r\n[Volume]\r\nDb=40"},
        {"header without newline", "[KB Input]"},
        {"long lines", "[Video]\r\n; " + std::string(300, '-') + "\r\nPAR=" +
                           std::string(200, '1') + "\r\n[Window]" + std::string(100, ' ') +
                           "\r\nX=2\r\n" + std::string(70, 'L') + "Left=5\r\n"},
        {"one huge line", std::string(20000, 'x')},
        {"duplicate sections",
         "[Window]\r\nX=2\r\n[Volume]\r\nDb=1\r\n[Window]\r\nLeft=7\r\n[window]\r\nTop=8\r\n"},
        {"duplicate keys", "[KB Input]\r\nUp=1\r\nUp=2\r\nup=3\r\n"},
        {"bytes above 127",
         "\xEF\xBB\xBF[Video]\r\nPAR\xA0=\xFF"
         "1\r\n[\xC3\xA9t\xC3\xA9]\r\n\xC3\xA9=\xE2\x82\xAC\r\n"},
        {"empty values", "[Video]\r\nPAR=\r\n[Window]\r\nX=\r\nLeft=\r\nTop=  \r\n"},
        {"quoted values with ; and #",
         "[Window]\r\nX=\"3;4\"\r\nLeft=\"#\" # c\r\nTop=\"\"\"\";x\r\n[S]\r\nq=\"a\\\"b;c\"\r\n"},
        {"zero bytes", "[Video]\r\nPAR=1\0002\r\n\0[Window]\r\nX=\0\r\n"s},
        {"comments and blanks",
         "; settings\r\n\r\n   \r\n# more\r\n[Volume] ; vol\r\n  Db : 12\r\n"},
        {"junk", "]]]===[[[\r\n=\r\n:\r\n[\r\n]\r\n[]\r\n=[]\r\n"},
        {"CR LF split by a long line", std::string(62, 'a') + "\r\n[Video]\r\nPAR=1\r\n"},
        {"header in a continuation piece", ";" + std::string(62, 'b') + "[Volume]\r\nDb=2\r\n"},
        {"all sections, other case",
         "[VIDEO]\r\npar=1\r\n[WINDOW]\r\nx=2\r\n[VOLUME]\r\ndb=3\r\n[KB INPUT]\r\nb=4\r\n"
         "[JOY INPUT]\r\na=5\r\n[JOY INPUT 2]\r\nstart=6\r\n[VIDEO RECORDING]\r\nquality=1\r\n"},
    };
    return files;
}

// Pieces random files are made of.
const std::vector<std::string>& Fragments() {
    static const std::vector<std::string> fragments = {
        "[Video]",
        "[Window]",
        "[Volume]",
        "[KB Input]",
        "[joy input]",
        "[JOY INPUT 2]",
        "[Video Recording]",
        "[Other]",
        "[",
        "]",
        "PAR",
        "X",
        "Left",
        "Top",
        "Db",
        "B",
        "A",
        "Select",
        "Start",
        "Up",
        "Down",
        "Right",
        "Quality",
        "=",
        ":",
        ";",
        "#",
        "\"",
        "\\",
        " ",
        "\t",
        "\r",
        "\n",
        "\r\n",
        "\r\n",
        "\r\n",
        "0x1F",
        "-",
        "12",
        "300",
        "\xFF",
        "\x80",
        "\xEF\xBB\xBF",
        "\0"s,
        "=\"",
        "\"\"",
        "\\\"",
    };
    return fragments;
}

std::string RandomFile(std::mt19937& random) {
    const auto& fragments = Fragments();
    const auto& odd = OddFiles();
    std::string file;
    if (random() % 4 == 0) file = odd[random() % odd.size()].second;
    int count = static_cast<int>(random() % 60);
    for (int i = 0; i < count; ++i) {
        switch (random() % 8) {
            case 0: file += static_cast<char>(random() % 256); break;
            case 1:
                file += std::string(random() % 130, static_cast<char>('a' + random() % 26));
                break;
            default: file += fragments[random() % fragments.size()]; break;
        }
    }
    // A few blind mutations of whatever came out.
    for (int i = static_cast<int>(random() % 4); i > 0 && !file.empty(); --i) {
        size_t at = random() % file.size();
        switch (random() % 3) {
            case 0: file[at] = static_cast<char>(random() % 256); break;
            case 1: file.erase(at, random() % 8); break;
            default: file.insert(at, fragments[random() % fragments.size()]); break;
        }
    }
    return file;
}

Settings RandomSettings(std::mt19937& random) {
    Settings s{};
    s.nesAspect = static_cast<int32_t>(random() % 2);
    s.windowScale = static_cast<int32_t>(1 + random() % 4);
    s.windowLeft = static_cast<int32_t>(random() % 8001) - 4000;
    s.windowTop = static_cast<int32_t>(random() % 8001) - 4000;
    s.volumeDb = static_cast<int32_t>(random() % 45) - 36;
    for (uint8_t& key : s.keyMap) key = static_cast<uint8_t>(random() % 256);
    for (auto& set : s.joyButtonMap) {
        for (uint32_t& button : set) button = static_cast<uint32_t>(random() % 256);
    }
    s.recordQuality = static_cast<int32_t>(random() % 3);
    return s;
}

bool Same(const Settings& a, const Settings& b) {
    return a.nesAspect == b.nesAspect && a.windowScale == b.windowScale &&
           a.windowLeft == b.windowLeft && a.windowTop == b.windowTop && a.volumeDb == b.volumeDb &&
           std::memcmp(a.keyMap, b.keyMap, sizeof a.keyMap) == 0 &&
           std::memcmp(a.joyButtonMap, b.joyButtonMap, sizeof a.joyButtonMap) == 0 &&
           a.recordQuality == b.recordQuality;
}

std::string Printable(const std::string& bytes) {
    std::string out;
    for (unsigned char c : bytes) {
        if (c >= 32 && c < 127 && c != '\\') {
            out += static_cast<char>(c);
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        }
    }
    return out;
}

class IniCorpus : public ::testing::Test {
   protected:
    // The configuration file lives in a folder of its own, beside files with
    // similar names; the folder sits in another holding one more file.
    void SetUp() override {
        folder_ = (outer_.path() / "exe").string();
        std::filesystem::create_directory(folder_);
        path_ = folder_ + "/morvel.ini";
        bystanders_ = {
            {outer_.File("morvel.ini"), "outside"},
            {folder_ + "/morvel.in", "shorter"},
            {folder_ + "/morvel.ini2", "longer"},
            {folder_ + "/other.txt", "other"},
        };
        for (const auto& [path, bytes] : bystanders_) WriteBytes(path, bytes);
    }

    // Puts `file` in place, saves `values` twice, and checks everything.
    void Check(const std::string& file, const Settings& values, const std::string& what) {
        WriteBytes(path_, file);
        (void)ReadSettings(path_.c_str(), kWorkArea);  // must simply not crash

        ASSERT_EQ(WriteSettings(path_.c_str(), values), 1) << what << ": " << Printable(file);
        Settings read = ReadSettings(path_.c_str(), kWorkArea);
        const std::string saved = ReadBytes(path_);
        ASSERT_TRUE(Same(read, values))
            << what << "\nbefore: " << Printable(file) << "\nafter:  " << Printable(saved);

        struct stat before {};
        ASSERT_EQ(stat(path_.c_str(), &before), 0);
        ASSERT_EQ(WriteSettings(path_.c_str(), values), 1) << what;
        struct stat after {};
        ASSERT_EQ(stat(path_.c_str(), &after), 0);
        ASSERT_EQ(ReadBytes(path_), saved) << what << ": " << Printable(file);
        ASSERT_EQ(before.st_ino, after.st_ino) << what << ": an unchanged save rewrote the file";

        for (const auto& [path, bytes] : bystanders_) {
            ASSERT_EQ(ReadBytes(path), bytes) << what << ": " << path << " changed";
        }
        ASSERT_EQ(outer_.Names(), (std::set<std::string>{"exe", "morvel.ini"})) << what;
        std::set<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(folder_)) {
            names.insert(entry.path().filename().string());
        }
        ASSERT_EQ(names,
                  (std::set<std::string>{"morvel.ini", "morvel.in", "morvel.ini2", "other.txt"}))
            << what;
    }

    TempFolder outer_;
    std::string folder_;
    std::string path_;
    std::map<std::string, std::string> bystanders_;
};

TEST_F(IniCorpus, OddFilesSaveAndReadBack) {
    std::mt19937 random(1);
    for (const auto& [what, file] : OddFiles()) {
        Check(file, RandomSettings(random), what);
        if (HasFatalFailure()) return;
    }
}

TEST_F(IniCorpus, OddFilesKeepTheirOtherLines) {
    // A custom section and comments survive a save untouched.
    for (const auto& [what, file] : OddFiles()) {
        const std::string mine = file + "\r\n[Mine]\r\n; note\r\nkey = \"a;b\"\r\n";
        WriteBytes(path_, mine);
        Settings s = ReadSettings(path_.c_str(), kWorkArea);
        s.windowScale = s.windowScale % 4 + 1;
        ASSERT_EQ(WriteSettings(path_.c_str(), s), 1) << what;
        char value[kIniLineSize];
        EXPECT_EQ(IniGetString(path_.c_str(), "Mine", "key", value), 1) << what;
        EXPECT_STREQ(value, "a;b") << what;
        EXPECT_NE(ReadBytes(path_).find("[Mine]\r\n; note\r\nkey = \"a;b\"\r\n"), std::string::npos)
            << what;
    }
}

TEST_F(IniCorpus, GeneratedFilesNeverBreakTheFile) {
    std::mt19937 random(20240607);
    for (int i = 0; i < 300; ++i) {
        const std::string file = RandomFile(random);
        Check(file, RandomSettings(random), "generated file " + std::to_string(i));
        if (HasFatalFailure()) return;
    }
}

// A value of up to 25 bytes of any kind but line breaks and zeros.
std::string RandomValue(std::mt19937& random) {
    static const char kSpecial[] = "\"\\;#= \t:[]\xA0\xFF";
    std::string value;
    for (int i = static_cast<int>(random() % 26); i > 0; --i) {
        char c = random() % 2 ? kSpecial[random() % (sizeof kSpecial - 1)]
                              : static_cast<char>(random() % 256);
        if (c != '\r' && c != '\n' && c != '\0') value += c;
    }
    return value;
}

TEST_F(IniCorpus, RandomKeysReadBackWhateverTheFile) {
    std::mt19937 random(7);
    const auto& fragments = Fragments();
    const char* const names[] = {"Video", "window", "KB Input", "Joy Input 2", "Mine", ""};
    const char* const keys[] = {"PAR", "x", "Left", "Db", "Up", "key"};
    for (int i = 0; i < 3000; ++i) {
        const std::string file = RandomFile(random);
        WriteBytes(path_, file);
        char value[kIniLineSize];
        std::memset(value, 'Z', sizeof value);

        // Any names at all: nothing breaks, the value fits its buffer.
        const std::string anySection = fragments[random() % fragments.size()];
        const std::string anyKey = fragments[random() % fragments.size()];
        IniGetString(path_.c_str(), anySection.c_str(), anyKey.c_str(), value);
        ASSERT_LT(std::strlen(value), static_cast<size_t>(kIniLineSize));
        (void)IniGetInteger(path_.c_str(), anySection.c_str(), anyKey.c_str(), 0);

        // Ordinary names with any value: what is written is what is read.
        const char* section = names[random() % 6];
        const char* key = keys[random() % 6];
        const std::string written = RandomValue(random);
        ASSERT_EQ(IniPutString(path_.c_str(), section, key, written.c_str()), 1) << Printable(file);
        ASSERT_EQ(IniGetString(path_.c_str(), section, key, value), 1) << Printable(file);
        ASSERT_EQ(std::string(value), written)
            << "[" << section << "] " << key << "\nbefore: " << Printable(file)
            << "\nafter:  " << Printable(ReadBytes(path_));
        ASSERT_EQ(ReadBytes(folder_ + "/other.txt"), "other");
    }
    for (const auto& [path, bytes] : bystanders_) EXPECT_EQ(ReadBytes(path), bytes) << path;
    EXPECT_EQ(outer_.Names(), (std::set<std::string>{"exe", "morvel.ini"}));
}

}  // namespace
}  // namespace morvel::test
