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

TEST_F(IniFile, MissingFileFindsNothing) {
    char value[kIniLineSize] = "junk";
    EXPECT_EQ(IniGetString(Path().c_str(), "S", "k", value), 0);
    EXPECT_STREQ(value, "");
    EXPECT_EQ(IniGetInteger(Path().c_str(), "S", "k", 17), 17);
}

TEST(IniParseInteger, DecimalHexadecimalAndJunk) {
    const struct {
        const char* text;
        int32_t value;
    } cases[] = {
        {"30", 30},
        {"0x1E", 30},
        {"0X1e", 30},
        {"0x24", 36},
        {"-12", -12},
        {"+5", 5},
        {"12abc", 12},
        {"abc", 0},
        {"1x5", 1},
        {"0x", 0},
        {"x1", 0},
        {"-0x10", 0},
        {"007", 7},
        {"0xFFFFFFFF", INT32_MAX},
        {"99999999999", INT32_MAX},
        {"-99999999999", INT32_MIN},
        {"2147483647", INT32_MAX},
        {"-2147483648", INT32_MIN},
        {"0x7fffffff", INT32_MAX},
        {"0xG", 0},
    };
    for (const auto& c : cases) EXPECT_EQ(IniParseInteger(c.text), c.value) << c.text;
}

TEST_F(IniFile, GetIntegerDefaultsOnlyForMissingOrEmpty) {
    WriteBytes(Path(), "[S]\r\nempty=\r\nword=abc\r\nhex=0x10\r\n");
    EXPECT_EQ(IniGetInteger(Path().c_str(), "S", "empty", 5), 5);
    EXPECT_EQ(IniGetInteger(Path().c_str(), "S", "word", 5), 0);
    EXPECT_EQ(IniGetInteger(Path().c_str(), "S", "hex", 5), 16);
    EXPECT_EQ(IniGetInteger(Path().c_str(), "S", "none", 5), 5);
}

struct PutCase {
    const char* what;
    std::string before;
    const char* section;
    const char* key;
    const char* value;
    std::string after;
    bool exists = true;  // false: no file before the write
};

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
    };
    for (const PutCase& c : cases) {
        std::remove(Path().c_str());
        if (c.exists) WriteBytes(Path(), c.before);
        EXPECT_EQ(IniPutString(Path().c_str(), c.section, c.key, c.value), 1) << c.what;
        EXPECT_EQ(ReadBytes(Path()), c.after) << c.what;
        EXPECT_EQ(folder_.Names(), std::set<std::string>{"morvel.ini"}) << c.what;
        char value[kIniLineSize];
        std::string expected(c.value);
        expected = expected.substr(0, expected.find_first_of("\r\n"));
        EXPECT_EQ(IniGetString(Path().c_str(), c.section, c.key, value), 1) << c.what;
        EXPECT_EQ(value, expected) << c.what;
    }
}

TEST_F(IniFile, LongKeysAndValuesFitTheLineBuffer) {
    const std::string longValue(100, 'a');
    ASSERT_EQ(IniPutString(Path().c_str(), "S", "k", longValue.c_str()), 1);
    EXPECT_EQ(ReadBytes(Path()), "[S]\r\nk=" + std::string(59, 'a') + "\r\n");

    std::remove(Path().c_str());
    const std::string quotedValue(100, ';');
    ASSERT_EQ(IniPutString(Path().c_str(), "S", "k", quotedValue.c_str()), 1);
    EXPECT_EQ(ReadBytes(Path()), "[S]\r\nk=\"" + std::string(57, ';') + "\"\r\n");

    std::remove(Path().c_str());
    const std::string quotes(40, '"');  // each needs two bytes; none may lose its backslash
    ASSERT_EQ(IniPutString(Path().c_str(), "S", "k", quotes.c_str()), 1);
    std::string escaped;
    for (int i = 0; i < 28; ++i) escaped += "\\\"";
    EXPECT_EQ(ReadBytes(Path()), "[S]\r\nk=\"" + escaped + "\"\r\n");

    std::remove(Path().c_str());
    const std::string cutToBlank = std::string(58, 'b') + "  tail";  // cut leaves "b..b "
    ASSERT_EQ(IniPutString(Path().c_str(), "S", "k", cutToBlank.c_str()), 1);
    char value[kIniLineSize];
    ASSERT_EQ(IniGetString(Path().c_str(), "S", "k", value), 1);
    EXPECT_EQ(ReadBytes(Path()), "[S]\r\nk=\"" + std::string(57, 'b') + "\"\r\n");

    std::remove(Path().c_str());
    const std::string longKey(70, 'K');
    const std::string longSection(70, 'S');
    ASSERT_EQ(IniPutString(Path().c_str(), longSection.c_str(), longKey.c_str(), "12345"), 1);
    EXPECT_EQ(ReadBytes(Path()),
              "[" + std::string(59, 'S') + "]\r\n" + std::string(60, 'K') + "=\r\n");
}

TEST_F(IniFile, SameValueLeavesTheFileUntouched) {
    const std::string file = "; mine\r\n[volume]\r\n  DB = 30   ; -6 dB\r\n";
    WriteBytes(Path(), file);
    struct stat before {};
    ASSERT_EQ(stat(Path().c_str(), &before), 0);
    EXPECT_EQ(IniPutString(Path().c_str(), "Volume", "Db", "30"), 1);
    struct stat after {};
    ASSERT_EQ(stat(Path().c_str(), &after), 0);
    EXPECT_EQ(ReadBytes(Path()), file);
    EXPECT_EQ(before.st_ino, after.st_ino) << "the file was replaced";
    // Values compare with regard to case.
    WriteBytes(Path(), "[S]\r\nk=abc\r\n");
    EXPECT_EQ(IniPutString(Path().c_str(), "S", "k", "ABC"), 1);
    EXPECT_EQ(ReadBytes(Path()), "[S]\r\nk=ABC\r\n");
}

TEST_F(IniFile, RefusesWhatItCannotWriteSafely) {
    EXPECT_EQ(IniPutString("", "S", "k", "1"), 0);
    const std::string inMissingFolder = folder_.File("none/morvel.ini");
    EXPECT_EQ(IniPutString(inMissingFolder.c_str(), "S", "k", "1"), 0);
    EXPECT_TRUE(folder_.Names().empty());

    // A read-only file is the user's choice: left as it is, the write refused.
    WriteBytes(Path(), "[S]\r\nk=1\r\n");
    ASSERT_EQ(chmod(Path().c_str(), 0444), 0);
    EXPECT_EQ(IniPutString(Path().c_str(), "S", "k", "2"), 0);
    EXPECT_EQ(ReadBytes(Path()), "[S]\r\nk=1\r\n");
    // A link is written through to its target and stays a link.
    ASSERT_EQ(chmod(Path().c_str(), 0600), 0);
    const std::string link = folder_.File("link.ini");
    std::filesystem::create_symlink("morvel.ini", link);
    EXPECT_EQ(IniPutString(link.c_str(), "S", "k", "3"), 1);
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(ReadBytes(Path()), "[S]\r\nk=3\r\n");

    // Something that is not a file is never replaced.
    const std::string folderNamedLikeTheFile = folder_.File("dir.ini");
    std::filesystem::create_directory(folderNamedLikeTheFile);
    EXPECT_EQ(IniPutString(folderNamedLikeTheFile.c_str(), "S", "k", "2"), 0);
    EXPECT_TRUE(std::filesystem::is_directory(folderNamedLikeTheFile));
    EXPECT_EQ(folder_.Names(), (std::set<std::string>{"morvel.ini", "link.ini", "dir.ini"}));
}

// A FIFO or a device is neither read nor replaced, nor waited on, and a file
// far larger than a configuration file is left alone.
TEST_F(IniFile, SpecialAndHugeFilesAreRefusedAtOnce) {
    const std::string fifo = folder_.File("fifo.ini"), huge = folder_.File("huge.ini");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const std::string hugeText = "[S]\r\nk=1\r\n;" + std::string(kIniMaxBytes, 'x');
    WriteBytes(huge, hugeText);
    Watchdog watchdog("reading a special settings file");
    for (const std::string& path : {fifo, std::string("/dev/zero"), huge}) {
        char value[kIniLineSize];
        EXPECT_EQ(IniGetString(path.c_str(), "S", "k", value), 0) << path;
        EXPECT_EQ(IniPutString(path.c_str(), "S", "k", "2"), 0) << path;
    }
    EXPECT_EQ(ReadBytes(huge), hugeText);
    EXPECT_TRUE(std::filesystem::is_fifo(fifo));
}

TEST_F(IniFile, NeverReplacesAFileItCannotRead) {
    if (geteuid() == 0) GTEST_SKIP() << "permissions do not bind the superuser";
    WriteBytes(Path(), "[S]\r\nk=1\r\n");
    ASSERT_EQ(chmod(Path().c_str(), 0), 0);
    EXPECT_EQ(IniPutString(Path().c_str(), "S", "k", "2"), 0);
    ASSERT_EQ(chmod(Path().c_str(), 0600), 0);
    EXPECT_EQ(ReadBytes(Path()), "[S]\r\nk=1\r\n");
}

}  // namespace
}  // namespace morvel::test
