// The settings table: defaults, conversions, the file a first save creates,
// and when nothing is written.
#include "frontend/settings.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>
#include <string>
#include <vector>

#include "apu/volume_steps.h"
#include "core/host.h"
#include "frontend/ini_file.h"
#include "input/joypad.h"
#include "input/keyboard.h"
#include "support/temp_folder.h"

namespace morvel::test {
namespace {

constexpr WorkArea kWorkArea = {1920, 1040};

// The file a first save writes with every default, as the program has always
// written it (the sound latency, in a section older versions skip, since):
// the volume is stored as dB + 36, the keys as key codes.
const char kFirstSave[] =
    "[Video]\r\nPAR=0\r\n"
    "[Window]\r\nX=1\r\nLeft=832\r\nTop=400\r\n"
    "[Volume]\r\nDb=30\r\n"
    "[KB Input]\r\nB=30\r\nA=31\r\nSelect=44\r\nStart=45\r\nUp=200\r\nDown=208\r\nLeft=203\r\n"
    "Right=205\r\n"
    "[Joy Input]\r\nB=0\r\nA=1\r\nSelect=2\r\nStart=3\r\n"
    "[Joy Input 2]\r\nB=0\r\nA=1\r\nSelect=2\r\nStart=3\r\n"
    "[Video Recording]\r\nQuality=0\r\n"
    "[Sound]\r\nLatency=40\r\n";

class SettingsFile : public ::testing::Test {
   protected:
    std::string Path() const { return folder_.File("morvel.ini"); }
    // The settings read from `file`, saved into a file of their own.
    std::string ReadAndSave(const std::string& file) {
        WriteBytes(Path(), file);
        const Settings read = ReadSettings(Path().c_str(), kWorkArea);
        const std::string copy = folder_.File("copy.ini");
        std::filesystem::remove(copy);
        EXPECT_EQ(WriteSettings(copy.c_str(), read), 1);
        return ReadBytes(copy);
    }
    TempFolder folder_;
};

TEST_F(SettingsFile, MissingFileGivesDefaultsAndAFirstSaveWritesThemInOrder) {
    Settings read = ReadSettings(Path().c_str(), kWorkArea);
    EXPECT_EQ(read.volumeDb, -6);
    EXPECT_EQ(read.windowScale, 1);
    EXPECT_EQ(WriteSettings(Path().c_str(), read), 1);
    EXPECT_EQ(ReadBytes(Path()), kFirstSave);
    EXPECT_EQ(folder_.Names(), std::set<std::string>{"morvel.ini"});
}

// Each file read, then saved anew: the first save's lines with these changed.
TEST_F(SettingsFile, ValuesAreConvertedAsTheFileHoldsThem) {
    const struct {
        const char* file;
        std::vector<std::pair<const char*, const char*>> changed;
    } cases[] = {
        {"[volume]\r\ndb = 0x24\r\n", {{"Db=30", "Db=36"}}},
        {"[Video Recording]\r\nQuality=2 ; high\r\n", {{"Quality=0", "Quality=2"}}},
        {"[Video]\r\nPAR=7\r\n", {{"PAR=0", "PAR=1"}}},  // any low byte but zero
        {"[Video]\r\nPAR=256\r\n", {}},                  // only the low 8 bits count
        {"[Window]\r\nX=3\r\n", {{"X=1", "X=3"}}},
        {"[Window]\r\nX=7\r\n", {{"X=1", "X=4"}}},
        {"[Window]\r\nX=-2\r\n", {}},
        {"[Window]\r\nX=0\r\n", {}},
        {"[Window]\r\nLeft=-1600\r\nTop=0x10\r\n",
         {{"Left=832", "Left=-1600"}, {"Top=400", "Top=16"}}},
        {"[Volume]\r\nDb=286\r\n", {}},  // 286 & 255 = 30
        {"[Volume]\r\nDb=0\r\n", {{"Db=30", "Db=0"}}},
        {"[Volume]\r\nDb=100\r\n", {{"Db=30", "Db=44"}}},  // +8 dB at most
        {"[Volume]\r\nDb=-1\r\n", {{"Db=30", "Db=44"}}},   // 255
        {"[Volume]\r\nDb=\r\n", {}},
        {"[kb input]\r\nUP=456\r\nb=0x39\r\n", {{"B=30", "B=57"}}},
        {"[joy input]\r\nA=5\r\nStart=300\r\n",
         {{"A=1\r\nSelect=2\r\nStart=3\r\n[Joy Input 2]",
           "A=5\r\nSelect=2\r\nStart=44\r\n[Joy Input 2]"}}},
        {"[Joy Input 2]\r\nSelect=9\r\n",
         {{"Select=2\r\nStart=3\r\n[Video", "Select=9\r\nStart=3\r\n[Video"}}},
        {"[Video Recording]\r\nQuality=3\r\n", {}},
        {"[Video Recording]\r\nQuality=-1\r\n", {}},
        {"[Window]\r\nUp=1\r\nDb=1\r\n", {}},  // keys of another section
        {"[sound]\r\nlatency=100\r\n", {{"Latency=40", "Latency=100"}}},
        {"[Sound]\r\nLatency=19\r\n", {}},
        {"[Sound]\r\nLatency=101\r\n", {}},
        {"[Sound]\r\nLatency=4x0\r\n", {}},  // damaged: reads as 4
        // A section older versions skip, written back once the file had it.
        {"[full screen]\r\nInteger Scale=7\r\n",
         {{"Latency=40\r\n", "Latency=40\r\n[Full Screen]\r\nInteger Scale=1\r\n"}}},
        {"[Full Screen]\r\nInteger Scale=0\r\n",
         {{"Latency=40\r\n", "Latency=40\r\n[Full Screen]\r\nInteger Scale=0\r\n"}}},
    };
    for (const auto& c : cases) {
        std::string expected = kFirstSave;
        for (const auto& [from, to] : c.changed) {
            ASSERT_NE(expected.find(from), std::string::npos) << from;
            expected.replace(expected.find(from), std::strlen(from), to);
        }
        EXPECT_EQ(ReadAndSave(c.file), expected) << c.file;
    }
    // The extremes read back as written.
    std::filesystem::remove(Path());
    Settings s = ReadSettings(Path().c_str(), kWorkArea);
    s.nesAspect = 1;
    s.windowScale = 4;
    s.windowLeft = -20;
    s.windowTop = 2000;
    s.volumeDb = 8;
    for (int i = 0; i < 8; ++i) s.keyMap[i] = static_cast<uint8_t>(250 - i);
    s.joyButtonMap[1][3] = 99;
    s.recordQuality = 1;
    ASSERT_EQ(WriteSettings(Path().c_str(), s), 1);
    const std::string written = ReadBytes(Path());
    EXPECT_EQ(ReadAndSave(written), written);
    EXPECT_NE(written.find("[Volume]\r\nDb=44\r\n"), std::string::npos);
}

// A save rewrites only the values, as text (0x24 becomes 36), in the sections
// the file already has, whatever their case; comments and other sections stay.
TEST_F(SettingsFile, SaveKeepsTheFilesOwnLines) {
    const std::tuple<std::string, std::string, const char*> cases[] = {
        {"; kept\r\n[volume]\r\ndb = 0x24 ; loud\r\n\r\n[Other]\r\nx=1\r\n",
         "; kept\r\n[volume]\r\nDb=36\r\n\r\n[Other]\r\nx=1\r\n[Video]", "[Volume]"},
        {"[JOY INPUT]\r\nA=5\r\n", "[JOY INPUT]\r\nA=5\r\nB=0\r\nSelect=2\r\nStart=3\r\n[Video]",
         "[Joy Input]"},
    };
    for (const auto& [before, start, notAdded] : cases) {
        WriteBytes(Path(), before);
        ASSERT_EQ(WriteSettings(Path().c_str(), ReadSettings(Path().c_str(), kWorkArea)), 1);
        const std::string file = ReadBytes(Path());
        EXPECT_EQ(file.find(start), 0u) << file;
        EXPECT_EQ(file.find(notAdded), std::string::npos) << file;
    }
}

class LoadAndSave : public SettingsFile {
   protected:
    void SetUp() override { iniPath[0] = '\0'; }
};

// Start-up applies the keys, the buttons and the volume; the close writes
// what they are then, unless a cartridge came from the command line.
TEST_F(LoadAndSave, LoadAppliesAndSaveWritesTheCurrentState) {
    WriteBytes(Path(), "[KB Input]\r\nA=57\r\n[Joy Input]\r\nB=7\r\n[Volume]\r\nDb=36\r\n");
    ASSERT_EQ(LoadSettings(folder_.path().c_str(), kWorkArea), 1);
    EXPECT_EQ(std::string(iniPath), Path());
    EXPECT_EQ(keyMap[kMapA], 57);
    EXPECT_EQ(keyMap[kMapB], 30);
    EXPECT_EQ(joyButtonMap[0][1], 7u);
    EXPECT_EQ(volumeDb, 0);
    EXPECT_DOUBLE_EQ(volumeFactor, 1.0);
    EXPECT_EQ(settings.windowLeft, 832);

    keyMap[kMapStart] = 28;  // Enter
    joyButtonMap[1][0] = 12;
    SetVolumeDb(-20);
    settings.windowScale = 2;
    const std::string before = ReadBytes(Path());
    EXPECT_EQ(SaveSettings(1), 1);
    EXPECT_EQ(ReadBytes(Path()), before)
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
    EXPECT_EQ(settings.volumeDb, -6);
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
