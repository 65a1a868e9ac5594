// The recent roms and the open dialog's folder in morvel.ini: their sections
// are rewritten whole, every other line stays as it was, and any path comes
// back as it went in.
#include "frontend/recent_roms.h"

#include <gtest/gtest.h>

#include "frontend/settings.h"
#include "support/temp_folder.h"

namespace morvel::test {
namespace {

TEST(RecentRoms, SectionsRewrittenWholeAndPathsComeBackExactly) {
    TempFolder folder;
    std::string ini = folder.File("morvel.ini");
    // An older file's settings, and stale entries of a longer list.
    WriteBytes(ini,
               "[Window]\r\nX=2\r\n[Recent Roms]\r\n1.0=/old\r\n2.0=/x\r\n; note\r\n"
               "[Volume]\r\nDb=30\r\n");
    recentRoms = {"/a b;#.nes"};
    lastRomFolder = "/r";
    ASSERT_TRUE(WriteRecentRoms(ini.c_str()));
    EXPECT_EQ(ReadBytes(ini),
              "[Window]\r\nX=2\r\n[Recent Roms]\r\n1.0=/a%20b%3B%23.nes\r\n[Volume]\r\nDb=30\r\n"
              "[Load Rom]\r\nFolder.0=/r\r\n");
    Settings read = ReadSettings(ini.c_str(), WorkArea{640, 480});
    EXPECT_EQ(read.windowScale, 2);
    EXPECT_EQ(read.volumeDb, -6);

    // Long paths of any bytes take several lines each, none over 63 bytes.
    std::vector<std::string> written;
    for (int i = 0; i < 10; ++i)
        written.push_back("/home/\xC3\xBC \"q\" %41 =x/" + std::string(40 * i, 'a' + i) + ".nes");
    recentRoms = written;
    lastRomFolder = " " + std::string(300, '/') + " ";
    ASSERT_TRUE(WriteRecentRoms(ini.c_str()));
    recentRoms.clear();
    lastRomFolder.clear();
    ReadRecentRoms(ini.c_str());
    ASSERT_EQ(recentRoms.size(), written.size());
    for (size_t i = 0; i < written.size(); ++i) EXPECT_EQ(recentRoms[i], written[i]) << i;
    EXPECT_EQ(lastRomFolder, " " + std::string(300, '/') + " ");
    std::string text = ReadBytes(ini);
    for (size_t at = 0, end; (end = text.find('\n', at)) != std::string::npos; at = end + 1)
        EXPECT_LE(end + 1 - at, 63u) << text.substr(at, end - at);
}

}  // namespace
}  // namespace morvel::test
