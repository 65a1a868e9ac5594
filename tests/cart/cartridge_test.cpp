// Loading iNES images: what loads, what is refused, and that a refusal leaves
// the running cartridge as it was; the exit statuses of morvel-headless.
#include "cart/cartridge.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <array>
#include <string>

#include "cart/board_probe.h"
#include "core/cpu.h"
#include "core/host.h"
#include "core/machine.h"
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

// An image whose program starts with $AB and whose reset vector is $8123.
InesImage Image(int mapper, int prgUnits, int chrUnits, uint8_t flags6 = 0) {
    InesImage image = MakeInesImage(mapper, prgUnits, chrUnits, flags6);
    if (prgUnits == 0) return image;
    image.prg()[0] = 0xAB;
    SetVectors(image, 0x8000, 0x8123, 0x8000);
    return image;
}

std::vector<uint8_t> Edited(InesImage image, void (*edit)(std::vector<uint8_t>&)) {
    edit(image.bytes);
    return image.bytes;
}

// Images loaded over a running cartridge whose program answers $5A everywhere:
// what a good one shows, and that a refused one says why and changes nothing.
TEST_F(CartridgeTest, LoadsOrRefusesImages) {
    InesImage running = MakeInesImage(0, 2, 1);
    for (size_t i = 0; i < running.prgSize(); ++i) running.prg()[i] = 0x5A;
    SetVectors(running, 0x8000, 0x8000, 0x8000);
    const std::string runningPath = WriteTempFile(running.bytes, "running.nes");

    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
        const char* refusal;  // the message shown; nullptr when the image loads
        // Of a loaded image: its board, what the CPU reads at $C000, the first
        // pattern byte and the nametables.
        uint32_t mapper = 0;
        uint8_t atC000 = 0, chr0 = 0;
        std::array<int, 4> pages = {};
    };
    using B = std::vector<uint8_t>;
    // clang-format off
    const Case cases[] = {
        {"byte 3 not $1A, a byte after the CHR data",
         Edited(Image(0, 1, 1), [](B& b) { b[3] = 0, b.push_back(0xEE); }),
         nullptr, 0, 0xAB, 0x80, {0, 0, 1, 1}},
        {"trainer skipped, four-screen wins over vertical",
         Edited(Image(0, 1, 1, 0x04 | 0x08 | 0x01), [](B& b) { b.insert(b.begin() + 16, 512, 0); }),
         nullptr, 0, 0xAB, 0x80, {0, 1, 2, 3}},
        {"CHR RAM, vertical", Image(2, 2, 0, 0x01).bytes, nullptr, 2, 4, 0, {0, 1, 0, 1}},
        {"board number from both header bytes", Image(34, 2, 1).bytes,
         nullptr, 34, 4, 0x80, {0, 0, 1, 1}},
        {"trainer image one byte short",
         Edited(Image(0, 1, 1, 0x04), [](B& b) { b.insert(b.begin() + 16, 511, 0); }),
         "CHR rom count doesn't equal!"},
        {"bad magic", Edited(Image(0, 1, 1), [](B& b) { b[0] = 'X'; }), "Invalid NES Header!"},
        {"PRG shorter than the header says",
         Edited(Image(2, 2, 1), [](B& b) { b.resize(16 + 2 * 16384 - 1); }),
         "PRG rom count doesn't equal!"},
        {"CHR shorter than the header says", Edited(Image(2, 2, 1), [](B& b) { b.pop_back(); }),
         "CHR rom count doesn't equal!"},
        {"empty file", {}, "Invalid NES Header!"},
        {"15 bytes", Edited(Image(0, 1, 1), [](B& b) { b.resize(15); }), "Invalid NES Header!"},
        {"unsupported board 116", Edited(Image(0, 1, 1), [](B& b) { b[6] = 0x40, b[7] = 0x70; }),
         "MAPPER NOT SUPPORTED"},
        {"PRG count 0", Image(2, 0, 1).bytes, "PRG rom count is 0: the image has no program!"},
        {"NROM with 4 PRG units", Image(0, 4, 1).bytes,
         "PRG rom count must be 1 or 2 on this board!"},
        {"CNROM with 3 PRG units", Image(3, 3, 2).bytes,
         "PRG rom count must be 1 or 2 on this board!"},
        // One byte more than the largest image read, 16 MB.
        {"larger than any image", Edited(Image(0, 1, 1), [](B& b) { b.resize((16 << 20) + 1); }),
         "The file is too large for an iNES image!"},
        // NES 2.0: what the header asks beyond the images is refused by name.
        {"NES 2.0 PAL-only", Edited(Image(0, 1, 1), [](B& b) { b[7] |= 8, b[12] = 1; }),
         "The cartridge is made for PAL consoles; morvel runs the NTSC console only."},
        {"NES 2.0 Vs. System", Edited(Image(0, 1, 1), [](B& b) { b[7] |= 9; }),
         "The cartridge is made for the Vs. System arcade board; morvel runs the home console only."},
        {"NES 2.0 unknown submapper", Edited(Image(2, 2, 1), [](B& b) { b[7] |= 8, b[8] = 0x30; }),
         "Submapper 3 of mapper 2 is not supported."},
        {"NES 2.0 32 KB of PRG RAM", Edited(Image(2, 2, 1), [](B& b) { b[7] |= 8, b[10] = 0x09; }),
         "The cartridge asks for 32 KB of PRG RAM; mapper 2 has at most 8 KB here."},
        {"NES 2.0 512 bytes of PRG RAM", Edited(Image(80, 2, 1), [](B& b) { b[7] |= 8, b[10] = 0x03; }),
         "The cartridge asks for 512 bytes of PRG RAM; mapper 80 has at most 128 bytes here."},
        {"NES 2.0 board number above 255", Edited(Image(2, 2, 1), [](B& b) { b[7] |= 8, b[8] = 0x01; }),
         "MAPPER NOT SUPPORTED"},
        {"NES 2.0 CHR size by exponent, 8 KB = 2^13",
         Edited(Image(2, 2, 1), [](B& b) { b[7] |= 8, b[5] = 13 << 2, b[9] = 0xF0, b[12] = 2; }),
         nullptr, 2, 4, 0, {0, 0, 1, 1}},
    };
    // clang-format on
    for (const Case& c : cases) {
        ASSERT_EQ(StartCartridge(runningPath.c_str()), 1);
        cpu.a = 0x42;
        lastError.clear();
        const std::string path = WriteTempFile(c.bytes, "image.nes");
        EXPECT_EQ(StartCartridge(path.c_str()), c.refusal ? 0 : 1) << c.what;
        EXPECT_EQ(lastError, c.refusal ? c.refusal : "") << c.what;
        if (c.refusal) {
            EXPECT_EQ(mapperNumber, 0u) << c.what;
            EXPECT_EQ(prgRomBuffer.size(), 2u * 16384) << c.what;
            EXPECT_EQ(CpuRead(0x9234), 0x5A) << c.what;
            EXPECT_EQ(cpu.a, 0x42) << c.what << ": the machine was not reset";
            continue;
        }
        EXPECT_EQ(PeekMapperNumber(path.c_str()), static_cast<int>(c.mapper)) << c.what;
        EXPECT_EQ(mapperNumber, c.mapper) << c.what;
        EXPECT_EQ(cpu.pc, 0x8123) << c.what;
        EXPECT_EQ(CpuRead(0x8000), 0xAB) << c.what;
        EXPECT_EQ(CpuRead(0xC000), c.atC000) << c.what;
        EXPECT_EQ(PpuBusRead(0x0000), c.chr0) << c.what;
        for (int q = 0; q < 4; ++q) EXPECT_EQ(NametableAt(q), c.pages[q]) << c.what << " " << q;
    }
    EXPECT_EQ(BoardNameOf(WriteTempFile(Image(34, 2, 1).bytes, "b.nes").c_str()), "BxROM");
    EXPECT_EQ(BoardNameOf(WriteTempFile(cases[10].bytes, "u.nes").c_str()), "--------");

    EXPECT_EQ(PeekMapperNumber(WriteTempFile(cases[5].bytes).c_str()), -1);
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
    struct Case {
        std::vector<std::string> args;
        int exitCode;
        const char* says;
    };
    const Case cases[] = {
        {{WriteTempFile(image.bytes, "truncated.nes")}, 3, "PRG rom count doesn't equal!"},
        {{"--frames"}, 2, "--frames"},
        {{"--bogus", "x.nes"}, 2, "--bogus"},
        {{"/nonexistent.nes"}, 3, "/nonexistent.nes does not exist"},
        {{fifo}, 3, "fifo.nes is not a regular file"},
        {{"/dev/zero"}, 3, "/dev/zero is not a regular file"},
        {{"--data-dir", file, good}, 4, "a file of that name is in the way"},
        {{"--data-dir", file + "/below", good}, 4, "cannot make the data folder"},
    };
    std::vector<Case> all(std::begin(cases), std::end(cases));
    const std::pair<const char*, const char*> usage[] = {
        {"--random-input", "-1"}, {"--random-input", "4294967296"},
        {"--random-input", "x"},  {"--random-input", ""},
        {"--press", "5-15"},      {"--press", "15-5:A"},
        {"--press", "5-15:"},     {"--press", "5-15:A+Turbo"},
        {"--press", "x-15:A"},    {"--press", "5:A"},
        {"--press", "-1-5:A"},    {"--press", "5-15:a"}};
    for (auto [option, value] : usage) all.push_back({{option, value, good}, 2, option});
    Watchdog watchdog("morvel-headless given a special file", 60);
    for (const auto& c : all) {
        HeadlessRun run = RunHeadless(c.args);
        EXPECT_EQ(run.exitCode, c.exitCode) << c.args[0] << run.err;
        EXPECT_NE(run.err.find(c.says), std::string::npos) << run.err;
    }
    EXPECT_EQ(ReadBytes(file), "not a folder");
}

}  // namespace
}  // namespace morvel::test
