// The INI reader and writer: lookups, conversions and rewrites on hand-made
// files, byte for byte.
#include "frontend/ini_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <string>

#include "support/temp_folder.h"

namespace morvel::test {
namespace {

using namespace std::string_literals;

std::string Repeat(const std::string& piece, int times) {
    std::string out;
    while (times-- > 0) out += piece;
    return out;
}

class IniFile : public ::testing::Test {
   protected:
    std::string Path() const { return folder_.File("morvel.ini"); }
    TempFolder folder_;
};

struct GetCase {
    const char* what;
    std::string file;
    const char* section;
    const char* key;
    int found;
    const char* value;
};

TEST_F(IniFile, GetStringFollowsTheLineRules) {
    const std::string long61(61, '7');  // a 63-byte piece less "k="
    const GetCase cases[] = {
        {"plain", "[Volume]\r\nDb=30\r\n", "Volume", "Db", 1, "30"},
        {"names ignore case, blanks around =", "[volume]\r\n  db = 0x24  \r\n", "Volume", "Db", 1,
         "0x24"},
        {"trailing comment", "[Video Recording]\r\nQuality=2 ; a remark\r\n", "Video Recording",
         "Quality", 1, "2"},
        {"hash comment", "[S]\r\nk=5#five\r\n", "S", "k", 1, "5"},
        {"comment lines skipped", "[S]\r\n;k=1\r\n#k=2\r\nk=3\r\n", "S", "k", 1, "3"},
        {"colon separator", "[S]\r\nk: 12\r\n", "S", "k", 1, "12"},
        {"= wins over :", "[S]\r\na:b=c\r\n", "S", "a:b", 1, "c"},
        {"empty value", "[S]\r\nk=\r\n", "S", "k", 1, ""},
        {"blank value", "[S]\r\nk=   \r\n", "S", "k", 1, ""},
        {"quoted with ; and #", "[S]\r\nk=\"a;b#c\" ; note\r\n", "S", "k", 1, "a;b#c"},
        {"backslash quote", "[S]\r\nk=\"say \\\"hi\\\"\"\r\n", "S", "k", 1, "say \"hi\""},
        {"doubled quote", "[S]\r\nk=\"x\"\"y;z\"\r\n", "S", "k", 1, "x\"y;z"},
        {"quote inside keeps its value", "[S]\r\nk=a\"b\r\n", "S", "k", 1, "a\"b"},
        {"quoted blanks survive", "[S]\r\nk=\" a \"\r\n", "S", "k", 1, " a "},
        {"lone quote", "[S]\r\nk=\"\r\n", "S", "k", 1, "\""},
        {"missing section", "[T]\r\nk=1\r\n", "S", "k", 0, ""},
        {"missing key", "[S]\r\nj=1\r\n", "S", "k", 0, ""},
        {"key of the next section", "[S]\r\nj=1\r\n[T]\r\nk=1\r\n", "S", "k", 0, ""},
        {"header without ] ends the section", "[S]\r\n[oops\r\nk=1\r\n", "S", "k", 0, ""},
        {"blanks inside brackets count", "[ S ]\r\nk=1\r\n", "S", "k", 0, ""},
        {"header with text after ]", "[S] ; main\r\nk=4\r\n", "S", "k", 1, "4"},
        {"first duplicate key wins", "[S]\r\nk=1\r\nk=2\r\n", "S", "k", 1, "1"},
        {"only the first duplicate section", "[S]\r\nj=1\r\n[S]\r\nk=2\r\n", "S", "k", 0, ""},
        {"key longer than asked", "[S]\r\nkk=1\r\n", "S", "k", 0, ""},
        {"empty section: keys before any header", "k=9\r\n[S]\r\nk=1\r\n", "", "k", 1, "9"},
        {"empty section stops at a header", "[S]\r\nk=1\r\n", "", "k", 0, ""},
        {"LF-only lines", "[S]\nk=6\n", "S", "k", 1, "6"},
        {"no final newline", "[S]\r\nk=7", "S", "k", 1, "7"},
        {"CR-only lines read as one line", "[S]\rk=8\r", "S", "k", 0, ""},
        {"CR-only key line in a section", "[S]\r\nk=8\rj=2\r", "S", "k", 1, "8\rj=2"},
        {"bytes above 127 are blanks", "\xEF\xBB\xBF[S]\r\n\xA0k\xA0=\xA0 12\xA0\r\n", "S", "k", 1,
         "12"},
        {"tabs are blanks", "\t[S]\r\n\tk\t=\t3\t\r\n", "S", "k", 1, "3"},
        {"zero byte ends the line", "[S]\r\nk=1\0002\r\n"s, "S", "k", 1, "1"},
        {"long line read in 63-byte pieces", "[S]\r\n;" + std::string(62, 'x') + "k=9\r\n", "S",
         "k", 1, "9"},
        {"long value cut at its piece", "[S]\r\nk=" + std::string(70, '7') + "\r\n", "S", "k", 1,
         long61.c_str()},
        {"piece that looks like a header", "[S]\r\n;" + std::string(62, 'x') + "[T]\r\nk=1\r\n",
         "S", "k", 0, ""},
    };
    for (const GetCase& c : cases) {
        WriteBytes(Path(), c.file);
        char value[kIniLineSize];
        EXPECT_EQ(IniGetString(Path().c_str(), c.section, c.key, value), c.found) << c.what;
        EXPECT_STREQ(value, c.value) << c.what;
    }
}

// Numbers as the file may hold them: decimal or hexadecimal, junk after the
// digits ignored, out-of-range values held at the ends of the range.
TEST(IniParseInteger, DecimalHexadecimalAndJunk) {
    const struct {
        const char* text;
        int32_t value;
    } cases[] = {
        // clang-format off
        {"30", 30},   {"0x1E", 30}, {"0X1e", 30}, {"0x24", 36},  {"-12", -12}, {"+5", 5},
        {"12abc", 12}, {"abc", 0},  {"1x5", 1},   {"0x", 0},     {"x1", 0},    {"-0x10", 0},
        {"007", 7},   {"0xG", 0},   {"0xFFFFFFFF", INT32_MAX},  {"99999999999", INT32_MAX},
        {"-99999999999", INT32_MIN}, {"2147483647", INT32_MAX}, {"-2147483648", INT32_MIN},
        {"0x7fffffff", INT32_MAX},
        // clang-format on
    };
    for (const auto& c : cases) EXPECT_EQ(IniParseInteger(c.text), c.value) << c.text;
}

// The default stands only for a missing file, key or value.
TEST_F(IniFile, GetIntegerDefaultsOnlyForMissingOrEmpty) {
    char value[kIniLineSize] = "junk";
    EXPECT_EQ(IniGetString(Path().c_str(), "S", "k", value), 0);
    EXPECT_STREQ(value, "");
    EXPECT_EQ(IniGetInteger(Path().c_str(), "S", "k", 17), 17);
    WriteBytes(Path(), "[S]\r\nempty=\r\nword=abc\r\nhex=0x10\r\n");
    const std::pair<const char*, int32_t> cases[] = {
        {"empty", 5}, {"word", 0}, {"hex", 16}, {"none", 5}};
    for (const auto& [key, expected] : cases)
        EXPECT_EQ(IniGetInteger(Path().c_str(), "S", key, 5), expected) << key;
}

struct PutCase {
    const char* what;
    std::string before;
    const char* section;
    const char* key;
    std::string value;
    std::string after;
    bool exists = true;     // false: no file before the write
    std::string read = "";  // what reads back when not the value up to a line break
};

// One line is written, replaced or added, the rest of the file kept byte for
// byte; a write that changes nothing leaves the file itself alone.
TEST_F(IniFile, PutStringRewritesOneLine) {
    const PutCase cases[] = {
        {"new file", "", "S", "k", "1", "[S]\r\nk=1\r\n", false},
        {"new file, no section", "", "", "k", "1", "k=1\r\n", false},
        {"replace in place, rest kept",
         "; top\r\n[S]\r\n a = 1 \r\n\r\nk = 2 ; old\r\nz=3\r\n[T]\r\nk=4\r\n", "S", "k", "5",
         "; top\r\n[S]\r\n a = 1 \r\n\r\nk=5\r\nz=3\r\n[T]\r\nk=4\r\n"},
        {"names ignore case", "[volume]\r\ndb = 5\r\n", "Volume", "Db", "30",
         "[volume]\r\nDb=30\r\n"},
        {"new key at the end of its section", "[S]\r\na=1\r\n\r\n[T]\r\nb=2\r\n", "S", "k", "5",
         "[S]\r\na=1\r\n\r\nk=5\r\n[T]\r\nb=2\r\n"},
        {"new key at the end of the file", "[S]\r\na=1\r\n", "S", "k", "5",
         "[S]\r\na=1\r\nk=5\r\n"},
        {"new key after an unterminated last line", "[S]\r\na=1", "S", "k", "5",
         "[S]\r\na=1\r\nk=5\r\n"},
        {"new key after an unterminated header", "[S]", "S", "k", "5", "[S]\r\nk=5\r\n"},
        {"new section after CRLF", "[T]\r\nb=2\r\n", "S", "k", "5", "[T]\r\nb=2\r\n[S]\r\nk=5\r\n"},
        {"new section after LF", "[T]\nb=2\n", "S", "k", "5", "[T]\nb=2\n\r\n[S]\r\nk=5\r\n"},
        {"new section after no newline", "[T]\r\nb=2", "S", "k", "5",
         "[T]\r\nb=2\r\n[S]\r\nk=5\r\n"},
        {"new section in an empty file", "", "S", "k", "5", "[S]\r\nk=5\r\n"},
        {"first of duplicate keys", "[S]\r\nk=1\r\nk=2\r\n", "S", "k", "3",
         "[S]\r\nk=3\r\nk=2\r\n"},
        {"first of duplicate sections", "[S]\r\na=1\r\n[S]\r\nk=2\r\n", "S", "k", "3",
         "[S]\r\na=1\r\nk=3\r\n[S]\r\nk=2\r\n"},
        {"empty section name", "j=1\r\n[S]\r\nk=2\r\n", "", "k", "3",
         "j=1\r\nk=3\r\n[S]\r\nk=2\r\n"},
        {"quoted for ;", "[S]\r\n", "S", "k", "a;b", "[S]\r\nk=\"a;b\"\r\n"},
        {"quoted for #", "[S]\r\n", "S", "k", "#1", "[S]\r\nk=\"#1\"\r\n"},
        {"quoted for quotes", "[S]\r\n", "S", "k", "say \"hi\"", "[S]\r\nk=\"say \\\"hi\\\"\"\r\n"},
        {"quoted for a trailing blank", "[S]\r\n", "S", "k", "x ", "[S]\r\nk=\"x \"\r\n"},
        {"quoted for a leading blank", "[S]\r\n", "S", "k", " x", "[S]\r\nk=\" x\"\r\n"},
        {"value cut at a line break", "[S]\r\n", "S", "k", "1\r\n[T]\r\nj=2", "[S]\r\nk=1\r\n"},
        {"bytes above 127 are blanks around a key", "[S]\r\nk\xC3\xA9=1\r\n", "S", "k",
         "x\xC3\xA9y", "[S]\r\nk=x\xC3\xA9y\r\n"},
        {"CR-only file gets a new section", "[T]\rb=2\r", "S", "k", "5",
         "[T]\rb=2\r\r\n[S]\r\nk=5\r\n"},
        {"zero bytes copied", "[T]\r\nb=\0002\r\n[S]\r\nk=1\r\n"s, "S", "k", "5",
         "[T]\r\nb=\0002\r\n[S]\r\nk=5\r\n"s},
        {"same value", "; mine\r\n[volume]\r\n  DB = 30   ; -6 dB\r\n", "Volume", "Db", "30",
         "; mine\r\n[volume]\r\n  DB = 30   ; -6 dB\r\n"},
        {"values compare with regard to case", "[S]\r\nk=abc\r\n", "S", "k", "ABC",
         "[S]\r\nk=ABC\r\n"},
        // Lines fit the 63-byte line buffer; no quote loses its backslash.
        {"long value cut", "", "S", "k", Repeat("a", 100), "[S]\r\nk=" + Repeat("a", 59) + "\r\n",
         false, Repeat("a", 59)},
        {"long quoted value cut", "", "S", "k", Repeat(";", 100),
         "[S]\r\nk=\"" + Repeat(";", 57) + "\"\r\n", false, Repeat(";", 57)},
        {"long escaped value cut", "", "S", "k", Repeat("\"", 40),
         "[S]\r\nk=\"" + Repeat("\\\"", 28) + "\"\r\n", false, Repeat("\"", 28)},
        {"cut that ends in a blank is quoted", "", "S", "k", Repeat("b", 58) + "  tail",
         "[S]\r\nk=\"" + Repeat("b", 57) + "\"\r\n", false, Repeat("b", 57)},
    };
    for (const PutCase& c : cases) {
        std::remove(Path().c_str());
        struct stat before {};
        if (c.exists) WriteBytes(Path(), c.before);
        stat(Path().c_str(), &before);
        EXPECT_EQ(IniPutString(Path().c_str(), c.section, c.key, c.value.c_str()), 1) << c.what;
        EXPECT_EQ(ReadBytes(Path()), c.after) << c.what;
        EXPECT_EQ(folder_.Names(), std::set<std::string>{"morvel.ini"}) << c.what;
        struct stat written {};
        ASSERT_EQ(stat(Path().c_str(), &written), 0);
        if (c.exists && c.before == c.after) {
            EXPECT_EQ(before.st_ino, written.st_ino) << c.what << ": the file was replaced";
        }
        char value[kIniLineSize];
        std::string expected =
            c.read.empty() ? c.value.substr(0, c.value.find_first_of("\r\n")) : c.read;
        EXPECT_EQ(IniGetString(Path().c_str(), c.section, c.key, value), 1) << c.what;
        EXPECT_EQ(value, expected) << c.what;
    }
    // A section and key too long for the line buffer are cut, the value left out.
    std::remove(Path().c_str());
    ASSERT_EQ(IniPutString(Path().c_str(), std::string(70, 'S').c_str(),
                           std::string(70, 'K').c_str(), "12345"),
              1);
    EXPECT_EQ(ReadBytes(Path()),
              "[" + std::string(59, 'S') + "]\r\n" + std::string(60, 'K') + "=\r\n");
}

// What cannot be read or replaced safely is refused and left as it was: no
// path, a missing folder, a read-only or unreadable file, a folder, a FIFO or
// device (never waited on) and a file far larger than a configuration file.
// A link is written through to its target and stays a link.
TEST_F(IniFile, RefusesWhatItCannotWriteSafely) {
    const std::string file = Path(), hugeText = "[S]\r\nk=1\r\n;" + Repeat("x", kIniMaxBytes);
    WriteBytes(file, "[S]\r\nk=1\r\n");
    WriteBytes(folder_.File("huge.ini"), hugeText);
    WriteBytes(folder_.File("locked.ini"), "[S]\r\nk=1\r\n");
    ASSERT_EQ(chmod(folder_.File("locked.ini").c_str(), 0), 0);
    ASSERT_EQ(mkfifo(folder_.File("fifo.ini").c_str(), 0600), 0);
    std::filesystem::create_directory(folder_.File("dir.ini"));
    ASSERT_EQ(chmod(file.c_str(), 0444), 0);
    const bool superuser = geteuid() == 0;  // permissions do not bind the superuser
    Watchdog watchdog("writing special settings files");
    for (const std::string& path :
         {std::string(), folder_.File("none/morvel.ini"), file, folder_.File("dir.ini"),
          folder_.File("fifo.ini"), std::string("/dev/zero"), folder_.File("huge.ini"),
          folder_.File("locked.ini")}) {
        if (superuser && path == folder_.File("locked.ini")) continue;
        char value[kIniLineSize];
        if (!path.empty() && path != file && path.find("none") == std::string::npos) {
            EXPECT_EQ(IniGetString(path.c_str(), "S", "k", value), 0) << path;
        }
        EXPECT_EQ(IniPutString(path.c_str(), "S", "k", "2"), 0) << path;
    }
    ASSERT_EQ(chmod(folder_.File("locked.ini").c_str(), 0600), 0);
    EXPECT_EQ(ReadBytes(folder_.File("locked.ini")), "[S]\r\nk=1\r\n");
    EXPECT_EQ(ReadBytes(folder_.File("huge.ini")), hugeText);
    EXPECT_TRUE(std::filesystem::is_fifo(folder_.File("fifo.ini")));
    EXPECT_TRUE(std::filesystem::is_directory(folder_.File("dir.ini")));
    EXPECT_EQ(ReadBytes(file), "[S]\r\nk=1\r\n");

    ASSERT_EQ(chmod(file.c_str(), 0600), 0);
    const std::string link = folder_.File("link.ini");
    std::filesystem::create_symlink("morvel.ini", link);
    EXPECT_EQ(IniPutString(link.c_str(), "S", "k", "3"), 1);
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(ReadBytes(file), "[S]\r\nk=3\r\n");
    EXPECT_EQ(folder_.Names(), (std::set<std::string>{"morvel.ini", "link.ini", "dir.ini",
                                                      "fifo.ini", "huge.ini", "locked.ini"}));
}

}  // namespace
}  // namespace morvel::test
