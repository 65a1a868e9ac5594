// The frame loop with the PPU: a frame ends only after the PPU has run all
// 89342 dots of a frame, and the dots the last instruction still owes carry
// into the next frame.
#include "core/frame_loop.h"

#include <gtest/gtest.h>

#include "core/cpu.h"
#include "ppu/ppu.h"
#include "support/test_machine.h"

namespace morvel::test {
namespace {

TEST(FrameLoop, SurplusDotsCarryIntoTheNextFrame) {
    InesImage image = MakeInesImage(0, 1, 0);
    const uint8_t loop[] = {0x4C, 0x00, 0x80};  // JMP $8000: 3 cycles, 9 dots
    std::copy(std::begin(loop), std::end(loop), image.prg());
    SetVectors(image, 0x8000, 0x8000, 0x8000);
    ASSERT_EQ(LoadImage(image), 1);

    // The first instruction also pays the 7 cycles of the reset.
    uint32_t owed = 3 * (3 + 7);
    for (int frame = 0; frame < 5; ++frame) {
        if (frame > 0) owed += 9;
        while (owed <= 89342) owed += 9;
        const uint32_t carry = owed - 89342;
        RunFrameBody();
        EXPECT_EQ(ppu.ppuCyclesDone, 0) << frame;
        EXPECT_EQ(frameBookkeeping.ppuCyclesOwed, carry) << frame;
        EXPECT_EQ(ppu.scanline, 0);
        EXPECT_EQ(ppu.dot, 0);
        owed = carry;
    }
}

}  // namespace
}  // namespace morvel::test
