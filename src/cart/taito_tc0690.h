// The Taito TC0690 (mapper 48): two switched 8 KB PRG windows, two 2 KB and
// four 1 KB CHR banks, and an MMC3-like scanline counter.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <type_traits>

namespace morvel {

// The TC0690 registers as save states keep them: 24 bytes, stored raw.
struct Tc0690State {
    uint64_t irqAt;     // the CPU cycle at which a counted 0 interrupts; 0: none due
    uint8_t prg[2];     // $8000, $8001
    uint8_t chr[6];     // $8002, $8003 (2 KB units), $A000-$A003 (1 KB units)
    uint8_t mirroring;  // the MirroringMode shown
    uint8_t irqLatch;   // the reload value, as the MMC3 would hold it
    uint8_t irqCounter;
    uint8_t irqReload;   // 1: $C001 asked for a reload at the next clock
    uint8_t irqEnabled;  // $C002 sets, $C003 clears
    uint8_t reserved;
    uint16_t lastPpuAddr;  // the last PPU address the A12 watcher saw
};
static_assert(sizeof(Tc0690State) == 24);
static_assert(std::is_trivially_copyable_v<Tc0690State>);
static_assert(offsetof(Tc0690State, lastPpuAddr) == 22);

extern Tc0690State tc0690;

struct BoardHeader;
void SetupTc0690(const BoardHeader& header);
void Tc0690AfterStateLoad();
void Tc0690RunTo(uint64_t last);
void Tc0690WatchA12(uint32_t address);
uint32_t Tc0690RisesToIrq();
bool Tc0690Fits(const Tc0690State& saved, std::string& why);

}  // namespace morvel
