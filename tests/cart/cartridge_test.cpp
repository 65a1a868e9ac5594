// Loading iNES images: what loads, what is refused, and that a refusal leaves
// the running cartridge as it was.
#include "cart/cartridge.h"

#include <gtest/gtest.h>

#include <string>

#include "cart/board.h"
#include "core/cpu.h"
#include "core/host.h"
#include "core/memory_map.h"
#include "support/run_headless.h"
#include "support/test_machine.h"

namespace morvel::test {
namespace {

std::string lastError;
void RecordError(const char* text) {
    lastError = text;
}

class CartridgeTest : public ::testing::Test {
   protected:
    void SetUp() override {
        showErrorBox = RecordError;
        lastError.clear();
    }
};

TEST_F(CartridgeTest, MapperNumberFromBothHeaderBytes) {
    InesImage image = MakeInesImage(0, 1, 1);
    image.bytes[6] = 0x40;
    image.bytes[7] = 0x70;
    std::string path = WriteTempFile(image.bytes, "m116.nes");
    EXPECT_EQ(PeekMapperNumber(path.c_str()), 116);
    EXPECT_EQ(FindSupportedBoard(116), nullptr);
    EXPECT_EQ(BoardNameOf(path.c_str()), "--------");
    EXPECT_EQ(BoardNameOf(WriteTempFile(MakeInesImage(34, 2, 1).bytes, "b.nes").c_str()), "BxROM");
    EXPECT_EQ(BoardNameOf("/nonexistent/file.nes"), "--------");
    EXPECT_EQ(PeekMapperNumber("/nonexistent/file.nes"), -1);
}

TEST_F(CartridgeTest, SupportedBoardsInOrder) {
    const int mappers[13] = {0, 1, 2, 3, 4, 5, 7, 9, 34, 58, 118, 189, 226};
    const char* names[13] = {"MAPPER 0", "MMC 1", "UNROM", "CNROM", "MMC 3", "MMC5", "AOROM",
                             "MMC 2",    "BxROM", "58",    "118",   "189",   "226"};
    for (int i = 0; i < 13; ++i) {
        EXPECT_EQ(supportedBoards[i].mapper, mappers[i]);
        EXPECT_STREQ(supportedBoards[i].name, names[i]);
    }
}

TEST_F(CartridgeTest, LoadsLooseHeadersAndExactSizes) {
    // Byte 3 need not be $1A; the trainer bit is ignored (PRG at offset 16);
    // bytes after the CHR data are ignored.
    InesImage image = MakeInesImage(0, 1, 1, 0x04);
    image.bytes[3] = 0x00;
    image.prg()[0] = 0xAB;
    SetVectors(image, 0x8000, 0x8123, 0x8000);
    image.bytes.push_back(0xEE);
    ASSERT_EQ(LoadImage(image), 1);
    EXPECT_EQ(CpuRead(0x8000), 0xAB);
    EXPECT_EQ(CpuRead(0xC000), 0xAB) << "one PRG unit appears twice";
    EXPECT_EQ(cpu.pc, 0x8123) << "reset vector from the end of the single unit";

    image.bytes.pop_back();
    EXPECT_EQ(LoadImage(image), 1) << "a file of exactly header + PRG + CHR loads";
}

TEST_F(CartridgeTest, ChrRamWhenNoChrRom) {
    ASSERT_EQ(LoadImage(MakeInesImage(0, 1, 0)), 1);
    ppuWritePage[0x1FFF >> 10](0x1FFF, 0x3C);
    EXPECT_EQ(chrRam[0x1FFF], 0x3C);
    EXPECT_EQ(ppuReadPage[0x0400 >> 10](0x0400), chrRam[0x0400]);
}

struct RefusedCase {
    const char* what;
    std::vector<uint8_t> bytes;
    const char* message;  // expected text, null when the refusal is silent
};

TEST_F(CartridgeTest, RefusedImagesChangeNothing) {
    // A running cartridge whose PRG answers $5A everywhere.
    InesImage good = MakeInesImage(0, 2, 1);
    for (size_t i = 0; i < good.prgSize(); ++i) good.prg()[i] = 0x5A;
    SetVectors(good, 0x8000, 0x8000, 0x8000);
    ASSERT_EQ(LoadImage(good), 1);
    cpu.a = 0x42;

    InesImage shortPrg = MakeInesImage(2, 2, 1);
    shortPrg.bytes.resize(16 + 2 * 16384 - 1);
    InesImage shortChr = MakeInesImage(2, 2, 1);
    shortChr.bytes.pop_back();
    InesImage badMagic = MakeInesImage(0, 1, 1);
    badMagic.bytes[0] = 'X';
    InesImage unsupported = MakeInesImage(0, 1, 1);
    unsupported.bytes[6] = 0x40;
    unsupported.bytes[7] = 0x70;
    InesImage noPrg = MakeInesImage(2, 0, 1);
    InesImage bigNrom = MakeInesImage(0, 4, 1);
    InesImage bigCnrom = MakeInesImage(3, 3, 2);

    const RefusedCase cases[] = {
        {"bad magic", badMagic.bytes, "Invalid NES Header!"},
        {"PRG shorter than the header says", shortPrg.bytes, "PRG rom count doesn't equal!"},
        {"CHR shorter than the header says", shortChr.bytes, "CHR rom count doesn't equal!"},
        {"empty file", {}, "Invalid NES Header!"},
        {"15 bytes", std::vector<uint8_t>(good.bytes.begin(), good.bytes.begin() + 15),
         "Invalid NES Header!"},
        {"unsupported mapper 116", unsupported.bytes, "MAPPER NOT SUPPORTED"},
        {"PRG count 0", noPrg.bytes, "PRG rom count is 0: the image has no program!"},
        {"NROM with 4 PRG units", bigNrom.bytes, "PRG rom count must be 1 or 2 on this board!"},
        {"CNROM with 3 PRG units", bigCnrom.bytes, "PRG rom count must be 1 or 2 on this board!"},
    };
    for (const RefusedCase& c : cases) {
        lastError.clear();
        std::string path = WriteTempFile(c.bytes, "refused.nes");
        EXPECT_EQ(LoadCartridge(path.c_str()), 0) << c.what;
        EXPECT_EQ(lastError, c.message) << c.what;
        EXPECT_EQ(mapperNumber, 0u) << c.what;
        EXPECT_EQ(prgRomBuffer.size(), 2u * 16384) << c.what;
        EXPECT_EQ(CpuRead(0x9234), 0x5A) << c.what;
        EXPECT_EQ(cpu.a, 0x42) << c.what << ": the machine was not reset";
    }
    lastError.clear();
    EXPECT_EQ(LoadCartridge("/nonexistent/dir/game.nes"), 0);
    EXPECT_EQ(lastError, "") << "a file that cannot be opened is refused silently";
    EXPECT_EQ(PeekMapperNumber(WriteTempFile(badMagic.bytes).c_str()), -1);
    EXPECT_EQ(PeekMapperNumber(WriteTempFile({'N', 'E', 'S'}).c_str()), -1);
}

TEST_F(CartridgeTest, HeadlessRefusesWithExitStatus3) {
    InesImage image = MakeInesImage(0, 1, 1);
    image.bytes.resize(100);
    HeadlessRun run = RunHeadless({WriteTempFile(image.bytes, "truncated.nes")});
    EXPECT_EQ(run.exitCode, 3);
    EXPECT_NE(run.err.find("PRG rom count doesn't equal!"), std::string::npos) << run.err;
    EXPECT_EQ(RunHeadless({"--frames"}).exitCode, 2);
    EXPECT_EQ(RunHeadless({"--bogus", "x.nes"}).exitCode, 2);
    EXPECT_EQ(RunHeadless({"/nonexistent.nes"}).exitCode, 3);
}

}  // namespace
}  // namespace morvel::test
