// Boards built from a latch or two of discrete logic (or a chip that acts
// like one): one register picks the PRG and CHR banks, some pick the
// mirroring. Their set-ups, and the records of the three that keep more than
// bank numbers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <type_traits>

#include "cart/board.h"

namespace morvel {

// CPROM (mapper 13): its 16 KB of CHR RAM, banked in 4 KB units.
struct CpromState {
    uint8_t chrRam[16384];
};
static_assert(sizeof(CpromState) == 16384);
static_assert(std::is_trivially_copyable_v<CpromState>);

extern CpromState cprom;

// Mapper 185: the last value written to the latch, which decides whether
// the CHR ROM answers at all.
struct ChrLockState {
    uint32_t chrLockLatch;  // 0-$FF
};
static_assert(sizeof(ChrLockState) == 4);
static_assert(std::is_trivially_copyable_v<ChrLockState>);

extern ChrLockState chrLock;

// Action 52 (mapper 228): the last register write (its address carries most
// of the bits) and the four 4-bit RAM cells at $4020-$5FFF.
struct Action52State {
    uint32_t a52Address;  // $8000-$FFFF
    uint32_t a52Data;     // 0-$FF
    uint32_t a52Written;  // 0 until the first write: the header's mirroring stands
    uint8_t a52Nibbles[4];
};
static_assert(sizeof(Action52State) == 16);
static_assert(std::is_trivially_copyable_v<Action52State>);
static_assert(offsetof(Action52State, a52Nibbles) == 12);

extern Action52State action52;

void SetupColorDreams(const BoardHeader& header);
void SetupCprom(const BoardHeader& header);
void SetupGxrom(const BoardHeader& header);
void SetupBandai70(const BoardHeader& header);
void SetupBandai152(const BoardHeader& header);
void SetupCamerica(const BoardHeader& header);
void SetupNina03(const BoardHeader& header);
void SetupJaleco87(const BoardHeader& header);
void SetupJaleco140(const BoardHeader& header);
void SetupSunsoft1(const BoardHeader& header);
void SetupChrLock(const BoardHeader& header);
void SetupAction52(const BoardHeader& header);

void ChrLockAfterStateLoad();
void Action52AfterStateLoad();

bool ChrLockFits(const ChrLockState& saved, std::string& why);
bool Action52Fits(const Action52State& saved, std::string& why);

// The latch of GxROM, Color Dreams, NINA-03/06 and Jaleco's JF-11/14: a 32 KB
// PRG bank at $8000 and an 8 KB CHR bank.
void MapLatchBanks(uint32_t prgBank, uint32_t chrBank);

}  // namespace morvel
