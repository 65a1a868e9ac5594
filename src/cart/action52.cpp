// Action 52 (mapper 228): a write to $8000-$FFFF latches most of its bits
// from the address and two from the data:
//   address 1.MH HPPP PPS. CCCC, data .... ..cc
//   M: mirroring (0 vertical, 1 horizontal); HH: which 512 KB PRG chip;
//   PPPPP: 16 KB bank in it; S: 1 shows that bank at $8000 and $C000,
//   0 the even bank of its pair at $8000 and the odd one at $C000;
//   CCCCcc: 8 KB CHR bank.
// The 1.5 MB image holds chips 0, 1 and 3 in that order; chip 2 is not
// fitted and reads find nothing there.
// Four 4-bit RAM cells answer at $4020-$5FFF (every fourth address is the
// same cell); the upper four bits of a read are the data bus's.
#include <cstring>

#include "cart/discrete_boards.h"
#include "core/cpu.h"
#include "core/state_rules.h"

namespace morvel {

Action52State action52;

namespace {
constexpr uint32_t kChipBanks = 32;       // 16 KB banks in a 512 KB chip
constexpr uint32_t kThreeChipUnits = 96;  // the 1.5 MB image, in 16 KB units

void Action52Write(uint32_t address, uint8_t value);

// Sets the windows from the latched address and data; the mirroring only
// once the game has written, so the header's stands until then.
void ApplyLatch() {
    const uint32_t address = action52.a52Address;
    uint32_t chip = (address >> 11) & 3;
    bool fitted = true;
    if (boardHeader.prgUnits == kThreeChipUnits) {
        fitted = chip != 2;
        if (chip == 3) chip = 2;
    }
    const uint32_t bank = chip * kChipBanks + ((address >> 6) & 0x1F);
    if (address & 0x20) {
        MapPrgBanks(0x8000, bank, 0x4000);
        MapPrgBanks(0xC000, bank, 0x4000);
    } else {
        MapPrgBanks(0x8000, bank >> 1, 0x8000);
    }
    SetCpuPages(8, 15, fitted ? PrgPageRead : OpenBusRead, Action52Write);
    MapChrBanks(0, ((address & 0x0F) << 2) | (action52.a52Data & 3), 0x2000);
    if (action52.a52Written)
        SetMirroring((address & 0x2000) ? kMirrorHorizontal : kMirrorVertical);
    else
        SetMirroring(boardHeader.mirroring);
}

void Action52Write(uint32_t address, uint8_t value) {
    action52.a52Address = address;
    action52.a52Data = value;
    action52.a52Written = 1;
    ApplyLatch();
}

uint8_t NibbleRead(uint32_t address) {
    if (address < 0x4020) return ReadIoRegister(address);
    return static_cast<uint8_t>((cpuCycle.openBus & 0xF0) | action52.a52Nibbles[address & 3]);
}

void NibbleWrite(uint32_t address, uint8_t value) {
    if (address < 0x4020)
        WriteIoRegister(address, value);
    else
        action52.a52Nibbles[address & 3] = value & 0x0F;
}

}  // namespace

void SetupAction52(const BoardHeader&) {
    std::memset(&action52, 0, sizeof action52);
    action52.a52Address = 0x8000;
    ApplyLatch();
    SetCpuPages(4, 5, NibbleRead, NibbleWrite);
}

void Action52AfterStateLoad() {
    ApplyLatch();
}

bool Action52Fits(const Action52State& s, std::string& why) {
    bool nibbles = true;
    for (uint8_t cell : s.a52Nibbles) nibbles = nibbles && cell <= 0x0F;
    return AllHold(
        {
            {s.a52Address >= 0x8000 && s.a52Address <= 0xFFFF, "Action 52 latch address"},
            {s.a52Data <= 0xFF, "Action 52 latch data"},
            {s.a52Written <= 1, "Action 52 write flag"},
            {nibbles, "Action 52 RAM cells"},
        },
        why);
}

}  // namespace morvel
