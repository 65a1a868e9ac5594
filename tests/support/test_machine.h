// Building blocks for tests that drive the core in-process.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace morvel::test {

// An iNES image built in memory. Every byte of PRG 4 KB unit u reads u (so a
// read tells which unit is mapped) except where a test writes code; every byte
// of CHR 1 KB unit u reads $80 + u.
struct InesImage {
    std::vector<uint8_t> bytes;
    uint8_t* prg() { return bytes.data() + 16; }
    uint8_t* chr() { return bytes.data() + 16 + bytes[4] * 16384; }
    size_t prgSize() const { return bytes[4] * 16384u; }
};

InesImage MakeInesImage(int mapper, int prgUnits, int chrUnits, uint8_t flags6 = 0);

// Sets the reset, NMI and IRQ vectors at the end of the PRG image.
void SetVectors(InesImage& image, uint16_t nmi, uint16_t reset, uint16_t irq);

std::string WriteTempFile(const std::vector<uint8_t>& bytes, const std::string& name = "test.nes");

// Starts the image as every host does; returns StartCartridge's result.
int LoadImage(const InesImage& image);

// Replaces the CPU map with 64 KB of plain memory ($0000-$1FFF stays the
// internal RAM), for CPU tests that need no board.
extern uint8_t flatMemory[0x10000];
void InstallFlatMemory();

}  // namespace morvel::test
