// A snapshot of the machine resumes it exactly on every board of the table:
// a little program keeps the picture, the sound and the board's registers
// moving; a snapshot is taken, eight frames run and the snapshot is loaded.
// The machine must then be the one a state file kept at the snapshot, and the
// same eight frames run again must give the same pictures, samples and state
// file at the end.
#include "core/machine_snapshot.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <filesystem>
#include <functional>
#include <iterator>
#include <string_view>
#include <vector>

#include "apu/apu.h"
#include "cart/board_table.h"
#include "core/frame_buffer.h"
#include "core/frame_loop.h"
#include "core/save_state.h"
#include "support/run_headless.h"
#include "support/test_machine.h"

namespace morvel::test {
namespace {

// In every 8 KB of PRG, whatever bank a board maps: at $8000, after two
// vertical blanks, a palette, NMI on, rendering on, pulse 1 playing,
// interrupts allowed, then a loop that moves a counter into the pulse's
// period and the scroll and, each 256th time round (a few times a frame),
// writes two board registers: at $8000 + (9c mod 128) x 256 + c and the next
// address, c counting those times. The NMI at $8100 counts frames; the IRQ at
// $8103 (the board's or the APU's, acknowledged there) counts into the DMC
// level, so the sound tells when interrupts came.
void WriteProgram(InesImage& image) {
    const uint8_t code[] = {
        0x78, 0x2C, 0x02, 0x20, 0x10, 0xFB, 0x2C, 0x02, 0x20, 0x10, 0xFB, 0xA9, 0x3F, 0x8D, 0x06,
        0x20, 0xA9, 0x00, 0x8D, 0x06, 0x20, 0xA9, 0x0F, 0x8D, 0x07, 0x20, 0xA9, 0x16, 0x8D, 0x07,
        0x20, 0xA9, 0x2A, 0x8D, 0x07, 0x20, 0xA9, 0x12, 0x8D, 0x07, 0x20, 0xA9, 0x80, 0x8D, 0x00,
        0x20, 0xA9, 0x1E, 0x8D, 0x01, 0x20, 0xA9, 0x0F, 0x8D, 0x15, 0x40, 0xA9, 0xBF, 0x8D, 0x00,
        0x40, 0xA9, 0x08, 0x8D, 0x03, 0x40, 0x58,
        // the loop at $8043
        0xE6, 0x10, 0xD0, 0x1B, 0xE6, 0x15, 0xA5, 0x15, 0x85, 0x12, 0xA5, 0x15, 0x0A, 0x0A, 0x0A,
        0x65, 0x15, 0x09, 0x80, 0x85, 0x13, 0xA5, 0x11, 0x91, 0x12, 0xE6, 0x12, 0xA5, 0x15, 0x91,
        0x12, 0xA5, 0x10, 0x8D, 0x02, 0x40, 0x8D, 0x05, 0x20, 0x4C, 0x43, 0x80};
    const uint8_t handlers[] = {0xE6, 0x11, 0x40,  // the IRQ at $8103
                                0xE6, 0x14, 0xA5, 0x14, 0x8D, 0x11, 0x40, 0xAD, 0x15, 0x40, 0x40};
    const uint8_t vectors[6] = {0x00, 0x81, 0x00, 0x80, 0x03, 0x81};
    for (size_t bank = 0; bank < image.prgSize(); bank += 8192) {
        uint8_t* b = image.prg() + bank;
        std::fill(b, b + 8192, 0xEA);
        std::copy(std::begin(code), std::end(code), b);
        std::copy(std::begin(handlers), std::end(handlers), b + 0x100);
        std::copy(std::begin(vectors), std::end(vectors), b + 8192 - 6);
    }
}

struct EightFrames {
    std::vector<int16_t> samples;
    std::vector<size_t> pictures;  // a hash of each frame's picture
};

EightFrames RunEightFrames() {
    EightFrames run;
    for (int i = 0; i < 8; ++i) {
        RunFrameBody();
        run.samples.insert(run.samples.end(), sampleBuffer, sampleBuffer + sampleCount);
        sampleCount = 0;
        run.pictures.push_back(std::hash<std::string_view>{}(
            std::string_view(reinterpret_cast<const char*>(frameBuffer), sizeof frameBuffer)));
    }
    return run;
}

// The machine as a state file keeps it: slot 0 saved and the file read back,
// less the samples of the frame handed over last, which no frame reads again.
std::string StateFileNow() {
    EXPECT_EQ(SaveStateSlot(0), 1);
    EXPECT_EQ(WriteStateFile(), 1) << stateError;
    std::string file = ReadFileText(StateFilePath());
    const size_t samples = offsetof(StateSlot, samples);
    if (file.size() > samples + sizeof sampleBuffer)
        std::fill_n(file.begin() + samples, sizeof sampleBuffer, '\0');
    return file;
}

TEST(MachineSnapshot, ResumesEveryBoardExactly) {
    BuildMixerTables();
    const std::string dir = MakeTempDir();
    PrepareSaveStates(dir.c_str());
    for (const SupportedBoard& board : supportedBoards) {
        SCOPED_TRACE(board.mapper);
        const int prgUnits = board.maxPrgUnits ? std::min<int>(board.maxPrgUnits, 2) : 2;
        InesImage image = MakeInesImage(board.mapper, prgUnits,
                                        board.patterns == PatternMemory::kAlwaysRam ? 0 : 1);
        WriteProgram(image);
        ASSERT_EQ(LoadImage(image), 1);
        RunEightFrames();
        ClearStateSlots();
        SetStateFileName(("snapshot" + std::to_string(board.mapper) + ".nes").c_str());
        std::vector<uint8_t> snapshot(MachineSnapshotSize());
        SaveMachineSnapshot(snapshot.data());
        const std::string atSnapshot = StateFileNow();
        const EightFrames first = RunEightFrames();
        const std::string atEnd = StateFileNow();
        LoadMachineSnapshot(snapshot.data());
        EXPECT_TRUE(StateFileNow() == atSnapshot) << "the machine differs from the snapshot's";
        const EightFrames second = RunEightFrames();
        EXPECT_TRUE(first.samples == second.samples) << "samples differ";
        EXPECT_TRUE(first.pictures == second.pictures) << "pictures differ";
        EXPECT_TRUE(StateFileNow() == atEnd) << "the machines at the end differ";
    }
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace morvel::test
