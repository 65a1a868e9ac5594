// The settings table: defaults, conversions, the file a first save creates,
// and when nothing is written.
#include "frontend/settings.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <string>

#include "apu/volume_steps.h"
#include "core/host.h"
#include "frontend/ini_file.h"
#include "input/joypad.h"
#include "input/keyboard.h"
#include "support/temp_folder.h"

namespace morvel::test {
namespace {

constexpr WorkArea kWorkArea = {1920, 1040};

// The settings a missing file gives, written out by hand.
Settings Defaults() {
    Settings s{};
    s.nesAspect = 0;
    s.windowScale = 1;
    s.windowLeft = 1920 / 2 - 128;
    s.windowTop = 1040 / 2 - 120;
    s.volumeDb = -6;
    const uint8_t keys[8] = {31, 30, 44, 45, 200, 208, 203, 205};  // S, A, Z, X, arrows
    std::memcpy(s.keyMap, keys, sizeof keys);
    for (auto& set : s.joyButtonMap) {
        set[0] = 1;  // A
        set[1] = 0;  // B
        set[2] = 2;  // Select
        set[3] = 3;  // Start
    }
    s.recordQuality = 0;
    return s;
}

bool Same(const Settings& a, const Settings& b) {
    return a.nesAspect == b.nesAspect && a.windowScale == b.windowScale &&
           a.windowLeft == b.windowLeft && a.windowTop == b.windowTop && a.volumeDb == b.volumeDb &&
           std::memcmp(a.keyMap, b.keyMap, sizeof a.keyMap) == 0 &&
           std::memcmp(a.joyButtonMap, b.joyButtonMap, sizeof a.joyButtonMap) == 0 &&
           a.recordQuality == b.recordQuality;
}

std::string Describe(const Settings& s) {
    std::string out = "PAR " + std::to_string(s.nesAspect) + " X " + std::to_string(s.windowScale) +
                      " at " + std::to_string(s.windowLeft) + "," + std::to_string(s.windowTop) +
                      " dB " + std::to_string(s.volumeDb) + " keys";
    for (uint8_t k : s.keyMap) out += " " + std::to_string(k);
    out += " joy";
    for (const auto& set : s.joyButtonMap) {
        for (uint32_t b : set) out += " " + std::to_string(b);
    }
    return out + " quality " + std::to_string(s.recordQuality);
}

const char kFirstSave[] =
    "[Video]\r\nPAR=0\r\n"
    "[Window]\r\nX=1\r\nLeft=832\r\nTop=400\r\n"
    "[Volume]\r\nDb=30\r\n"
    "[KB Input]\r\nB=30\r\nA=31\r\nSelect=44\r\nStart=45\r\nUp=200\r\nDown=208\r\nLeft=203\r\n"
    "Right=205\r\n"
    "[Joy Input]\r\nB=0\r\nA=1\r\nSelect=2\r\nStart=3\r\n"
    "[Joy Input 2]\r\nB=0\r\nA=1\r\nSelect=2\r\nStart=3\r\n"
    "[Video Recording]\r\nQuality=0\r\n";

class SettingsFile : public ::testing::Test {
   protected:
    std::string Path() const { return folder_.File("morvel.ini"); }
    TempFolder folder_;
};

TEST_F(SettingsFile, MissingFileGivesDefaultsAndAFirstSaveWritesThemInOrder) {
    Settings read = ReadSettings(Path().c_str(), kWorkArea);
    EXPECT_TRUE(Same(read, Defaults())) << Describe(read);
    EXPECT_EQ(WriteSettings(Path().c_str(), read), 1);
    EXPECT_EQ(ReadBytes(Path()), kFirstSave);
    EXPECT_EQ(folder_.Names(), std::set<std::string>{"morvel.ini"});
}

TEST_F(SettingsFile, SavingTwiceLeavesTheFileAlone) {
    WriteBytes(Path(), "; kept\r\n[volume]\r\ndb = 0x24 ; loud\r\n\r\n[Other]\r\nx=1\r\n");
    Settings s = ReadSettings(Path().c_str(), kWorkArea);
    ASSERT_EQ(WriteSettings(Path().c_str(), s), 1);
    const std::string once = ReadBytes(Path());
    struct stat before {};
    ASSERT_EQ(stat(Path().c_str(), &before), 0);
    ASSERT_EQ(WriteSettings(Path().c_str(), s), 1);
    struct stat after {};
    ASSERT_EQ(stat(Path().c_str(), &after), 0);
    EXPECT_EQ(ReadBytes(Path()), once);
    EXPECT_EQ(before.st_ino, after.st_ino) << "an unchanged save replaced the file";
    // The value is compared as text: 0x24 is rewritten as 36, the rest stays.
    EXPECT_EQ(once.find("; kept\r\n[volume]\r\nDb=36\r\n\r\n[Other]\r\n"), 0u) << once;
    EXPECT_NE(once.find("[Other]\r\nx=1\r\n"), std::string::npos) << once;
}

struct ReadCase {
    const char* what;
    const char* file;
    std::function<void(Settings&)> expect;  // applied to the defaults
};

TEST_F(SettingsFile, ValuesAreConvertedAsTheFileHoldsThem) {
    const ReadCase cases[] = {
        {"hand-edited hexadecimal volume", "[volume]\r\ndb = 0x24\r\n",
         [](Settings& s) { s.volumeDb = 0; }},
        {"comment after a value", "[Video Recording]\r\nQuality=2 ; high\r\n",
         [](Settings& s) { s.recordQuality = 2; }},
        {"aspect: any low byte but zero", "[Video]\r\nPAR=7\r\n",
         [](Settings& s) { s.nesAspect = 1; }},
        {"aspect: only the low 8 bits count", "[Video]\r\nPAR=256\r\n", [](Settings&) {}},
        {"window scale", "[Window]\r\nX=3\r\n", [](Settings& s) { s.windowScale = 3; }},
        {"window scale above 4", "[Window]\r\nX=7\r\n", [](Settings& s) { s.windowScale = 4; }},
        {"window scale below 1", "[Window]\r\nX=-2\r\n", [](Settings& s) { s.windowScale = 1; }},
        {"window position, negative too", "[Window]\r\nLeft=-1600\r\nTop=0x10\r\n",
         [](Settings& s) {
             s.windowLeft = -1600;
             s.windowTop = 16;
         }},
        {"volume: low 8 bits", "[Volume]\r\nDb=286\r\n", [](Settings&) {}},  // 286 & 255 = 30
        {"volume: 0 is -36 dB", "[Volume]\r\nDb=0\r\n", [](Settings& s) { s.volumeDb = -36; }},
        {"volume: 44 is +8 dB", "[Volume]\r\nDb=44\r\n", [](Settings& s) { s.volumeDb = 8; }},
        {"volume above 44 stays at +8 dB", "[Volume]\r\nDb=100\r\n",
         [](Settings& s) { s.volumeDb = 8; }},
        {"volume -1 wraps to 255, kept at +8 dB", "[Volume]\r\nDb=-1\r\n",
         [](Settings& s) { s.volumeDb = 8; }},
        {"empty value takes the default", "[Volume]\r\nDb=\r\n", [](Settings&) {}},
        {"keys keep their low 8 bits", "[kb input]\r\nUP=456\r\nb=0x39\r\n",
         [](Settings& s) {
             s.keyMap[kMapUp] = 200;
             s.keyMap[kMapB] = 57;
         }},
        {"first button set under any case", "[joy input]\r\nA=5\r\nStart=300\r\n",
         [](Settings& s) {
             s.joyButtonMap[0][0] = 5;
             s.joyButtonMap[0][3] = 44;
         }},
        {"second button set", "[Joy Input 2]\r\nSelect=9\r\n",
         [](Settings& s) { s.joyButtonMap[1][2] = 9; }},
        {"quality outside 0-2", "[Video Recording]\r\nQuality=3\r\n", [](Settings&) {}},
        {"negative quality", "[Video Recording]\r\nQuality=-1\r\n", [](Settings&) {}},
        {"keys of another section do not count", "[Window]\r\nUp=1\r\nDb=1\r\n", [](Settings&) {}},
    };
    for (const ReadCase& c : cases) {
        WriteBytes(Path(), c.file);
        Settings expected = Defaults();
        c.expect(expected);
        Settings read = ReadSettings(Path().c_str(), kWorkArea);
        EXPECT_TRUE(Same(read, expected))
            << c.what << "\n got  " << Describe(read) << "\n want " << Describe(expected);
    }
}

TEST_F(SettingsFile, FirstButtonSetIsWrittenIntoTheSectionItWasReadFrom) {
    WriteBytes(Path(), "[JOY INPUT]\r\nA=5\r\n");
    Settings s = ReadSettings(Path().c_str(), kWorkArea);
    ASSERT_EQ(WriteSettings(Path().c_str(), s), 1);
    const std::string file = ReadBytes(Path());
    EXPECT_EQ(file.find("[JOY INPUT]\r\nA=5\r\nB=0\r\nSelect=2\r\nStart=3\r\n"), 0u) << file;
    EXPECT_EQ(file.find("[Joy Input]"), std::string::npos) << file;
}

TEST_F(SettingsFile, WrittenValuesReadBack) {
    Settings s = Defaults();
    s.nesAspect = 1;
    s.windowScale = 4;
    s.windowLeft = -20;
    s.windowTop = 2000;
    s.volumeDb = 8;
    for (int i = 0; i < 8; ++i) s.keyMap[i] = static_cast<uint8_t>(250 - i);
    s.joyButtonMap[0][1] = 127;
    s.joyButtonMap[1][3] = 99;
    s.recordQuality = 1;
    ASSERT_EQ(WriteSettings(Path().c_str(), s), 1);
    Settings read = ReadSettings(Path().c_str(), kWorkArea);
    EXPECT_TRUE(Same(read, s)) << Describe(read);
    EXPECT_NE(ReadBytes(Path()).find("[Volume]\r\nDb=44\r\n"), std::string::npos);
}

class LoadAndSave : public SettingsFile {
   protected:
    void SetUp() override { iniPath[0] = '\0'; }
};

TEST_F(LoadAndSave, LoadAppliesKeysButtonsAndVolume) {
    WriteBytes(Path(), "[KB Input]\r\nA=57\r\n[Joy Input]\r\nB=7\r\n[Volume]\r\nDb=36\r\n");
    ASSERT_EQ(LoadSettings(folder_.path().c_str(), kWorkArea), 1);
    EXPECT_EQ(std::string(iniPath), Path());
    EXPECT_EQ(keyMap[kMapA], 57);
    EXPECT_EQ(keyMap[kMapB], 30);
    EXPECT_EQ(joyButtonMap[0][1], 7u);
    EXPECT_EQ(volumeDb, 0);
    EXPECT_DOUBLE_EQ(volumeFactor, 1.0);
    EXPECT_EQ(settings.windowLeft, 832);
}

TEST_F(LoadAndSave, SaveWritesCurrentStateUnlessStartedWithACartridge) {
    ASSERT_EQ(LoadSettings(folder_.path().c_str(), kWorkArea), 1);
    keyMap[kMapStart] = 28;  // Enter
    joyButtonMap[1][0] = 12;
    SetVolumeDb(-20);
    settings.windowScale = 2;

    EXPECT_EQ(SaveSettings(1), 1);
    EXPECT_TRUE(folder_.Names().empty())
        << "written although a cartridge came from the command line";

    ASSERT_EQ(SaveSettings(0), 1);
    Settings read = ReadSettings(Path().c_str(), kWorkArea);
    EXPECT_EQ(read.keyMap[kMapStart], 28);
    EXPECT_EQ(read.joyButtonMap[1][0], 12u);
    EXPECT_EQ(read.volumeDb, -20);
    EXPECT_EQ(read.windowScale, 2);
    EXPECT_NE(ReadBytes(Path()).find("[Volume]\r\nDb=16\r\n"), std::string::npos);
}

TEST_F(LoadAndSave, AFolderPathTooLongForTheBufferIsNeverCut) {
    const std::string longFolder = folder_.path().string() + "/" + std::string(5000, 'd');
    EXPECT_EQ(LoadSettings(longFolder.c_str(), kWorkArea), 0);
    EXPECT_TRUE(Same(settings, Defaults())) << Describe(settings);
    EXPECT_EQ(SaveSettings(0), 0);
    EXPECT_TRUE(folder_.Names().empty());
}

std::string reported;

// A morvel.ini that is a FIFO is never waited on, one far too large is
// reported; both give the defaults and are never replaced. One the user made
// read-only is not replaced either. Each failed save says why.
TEST_F(LoadAndSave, FilesThatCannotBeTakenAreLeftAlone) {
    showErrorBox = [](const char* text) { reported = text; };
    const std::string huge = "[Volume]\r\nDb=36\r\n;" + std::string(kIniMaxBytes, 'x');
    const struct {
        std::string file;  // empty: a FIFO
        int mode;
        const char* report;
        const char* saveError;
    } cases[] = {
        {"", 0600, "", "is not a regular file"},
        {huge, 0600, "too large", "is too large"},
        {"[Volume]\r\nDb=36\r\n", 0444, "", "is read-only"},
    };
    Watchdog watchdog("settings in special files");
    for (const auto& c : cases) {
        std::filesystem::remove(Path());
        if (c.file.empty())
            ASSERT_EQ(mkfifo(Path().c_str(), 0600), 0);
        else
            WriteBytes(Path(), c.file);
        ASSERT_EQ(chmod(Path().c_str(), static_cast<mode_t>(c.mode)), 0);
        reported.clear();
        ASSERT_EQ(LoadSettings(folder_.path().c_str(), kWorkArea), 1);
        EXPECT_NE(reported.find(c.report), std::string::npos) << reported;
        EXPECT_EQ(reported.empty(), c.report[0] == '\0') << reported;
        SetVolumeDb(-20);
        EXPECT_EQ(SaveSettings(0), 0) << c.saveError;
        EXPECT_NE(settingsError.find(c.saveError), std::string::npos) << settingsError;
        EXPECT_EQ(c.file.empty() ? c.file : ReadBytes(Path()), c.file);
    }
    EXPECT_EQ(volumeDb, -20);
}

}  // namespace
}  // namespace morvel::test
