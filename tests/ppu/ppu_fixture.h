// A cartridge with CHR RAM and vertical mirroring loaded in-process, and
// helpers to drive the PPU through its registers and its step.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include "cart/board.h"
#include "core/cpu.h"
#include "core/frame_buffer.h"
#include "ppu/ppu.h"
#include "support/test_machine.h"

namespace morvel::test {

class PpuTest : public ::testing::Test {
   protected:
    void SetUp() override {
        InesImage image = MakeInesImage(0, 1, 0, 0x01);
        ASSERT_EQ(LoadImage(image), 1);
        cpu.nmiPending = 0;
        cpu.interruptDelay = 0;
        pixelCursor = frameBuffer;
    }

    static void Write(uint32_t address, uint8_t value) { PpuRegisterWrite(address, value); }
    static uint8_t Read(uint32_t address) { return PpuRegisterRead(address); }

    static void SetAddress(uint32_t address) {
        Read(0x2002);
        Write(0x2006, static_cast<uint8_t>(address >> 8));
        Write(0x2006, static_cast<uint8_t>(address));
    }

    static void WriteVram(uint32_t address, const uint8_t* bytes, size_t count) {
        SetAddress(address);
        for (size_t i = 0; i < count; ++i) Write(0x2007, bytes[i]);
    }

    // Runs dot by dot until the PPU stands at the given position.
    static void RunTo(int32_t scanline, int32_t dot) {
        for (int guard = 0; guard < 2 * 89342; ++guard) {
            if (ppu.scanline == scanline && ppu.dot == dot) return;
            ppuStep(ppu.ppuCyclesDone + 1);
            if (ppu.scanline == 0 && ppu.dot == 0 && ppu.ppuCyclesDone != 0) {
                ppu.ppuCyclesDone = 0;  // a frame ended
                pixelCursor = frameBuffer;
            }
        }
        FAIL() << "position " << scanline << "/" << dot << " never reached";
    }

    static uint32_t Pixel(int x, int y) { return frameBuffer[y * kFrameWidth + x]; }
    static uint32_t Colour(uint32_t paletteIndex) {
        return masterPalette[ppu.paletteRam[paletteIndex]];
    }
};

}  // namespace morvel::test
