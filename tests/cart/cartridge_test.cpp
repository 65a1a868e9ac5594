// Loading iNES images: what loads, what is refused, and that a refusal leaves
// the running cartridge as it was.
#include "cart/cartridge.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "cart/board.h"
#include "core/cpu.h"
#include "core/host.h"
#include "core/memory_map.h"
#include "support/run_headless.h"
#include "support/temp_folder.h"
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
    // Byte 3 need not be $1A; bytes after the CHR data are ignored.
    InesImage image = MakeInesImage(0, 1, 1);
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

    // With the trainer bit, 512 trainer bytes come before PRG and are skipped.
    image.bytes[6] |= 0x04;
    image.bytes.insert(image.bytes.begin() + 16, 512, 0xEE);
    ASSERT_EQ(LoadImage(image), 1);
    EXPECT_EQ(CpuRead(0x8000), 0xAB);
    EXPECT_EQ(cpu.pc, 0x8123);
    EXPECT_EQ(PpuBusRead(0x0000), 0x80) << "CHR follows PRG";
    image.bytes.pop_back();
    EXPECT_EQ(LoadImage(image), 0) << "a trainer image one byte short";
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
    // One byte more than 255 PRG and 255 CHR units behind a trainer.
    InesImage tooLarge = MakeInesImage(0, 1, 1);
    tooLarge.bytes.resize(16 + 512 + 255 * 16384 + 255 * 8192 + 1);

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
        {"larger than any image", tooLarge.bytes, "The file is too large for an iNES image!"},
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
    // What cannot be opened as a regular file is refused silently and at
    // once: a FIFO is not waited on, a device is not read.
    TempFolder folder;
    const std::string fifo = folder.File("fifo.nes");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    Watchdog watchdog("opening a special cartridge file");
    for (const std::string& path : {std::string("/nonexistent/dir/game.nes"), fifo,
                                    std::string("/dev/zero"), folder.path().string()}) {
        lastError.clear();
        EXPECT_EQ(LoadCartridge(path.c_str()), 0) << path;
        ReadOutcome outcome = ReadOutcome::kRead;
        EXPECT_EQ(PeekMapperNumber(path.c_str(), &outcome), -1) << path;
        EXPECT_NE(outcome, ReadOutcome::kRead) << path;
        EXPECT_EQ(lastError, "") << path;
    }
    EXPECT_EQ(PeekMapperNumber(WriteTempFile(badMagic.bytes).c_str()), -1);
    EXPECT_EQ(PeekMapperNumber(WriteTempFile({'N', 'E', 'S'}).c_str()), -1);
}

TEST_F(CartridgeTest, HeadlessRefusesWithTheReadmesExitStatus) {
    InesImage image = MakeInesImage(0, 1, 1);
    const std::string good = WriteTempFile(image.bytes, "good.nes");
    image.bytes.resize(100);
    TempFolder folder;
    const std::string fifo = folder.File("fifo.nes"), file = folder.File("file");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    WriteBytes(file, "not a folder");
    const struct {
        std::vector<std::string> args;
        int exitCode;
        const char* says;
    } cases[] = {
        {{WriteTempFile(image.bytes, "truncated.nes")}, 3, "PRG rom count doesn't equal!"},
        {{"--frames"}, 2, "--frames"},
        {{"--bogus", "x.nes"}, 2, "--bogus"},
        {{"/nonexistent.nes"}, 3, "/nonexistent.nes does not exist"},
        {{fifo}, 3, "fifo.nes is not a regular file"},
        {{"/dev/zero"}, 3, "/dev/zero is not a regular file"},
        {{"--data-dir", file, good}, 4, "a file of that name is in the way"},
        {{"--data-dir", file + "/below", good}, 4, "cannot make the data folder"},
    };
    Watchdog watchdog("morvel-headless given a special file", 60);
    for (const auto& c : cases) {
        HeadlessRun run = RunHeadless(c.args);
        EXPECT_EQ(run.exitCode, c.exitCode) << c.args[0] << run.err;
        EXPECT_NE(run.err.find(c.says), std::string::npos) << run.err;
    }
    EXPECT_EQ(ReadBytes(file), "not a folder");
}

}  // namespace
}  // namespace morvel::test
