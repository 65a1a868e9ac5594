// Taito's X1-005 (mapper 80): registers at $7EF0-$7EFF and 128 bytes of
// battery-kept RAM inside the chip at $7F00-$7FFF.
#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>

namespace morvel {

struct BoardHeader;
struct BatteryPart;

// What a save state keeps of the X1-005 beyond the bank numbers and the
// mirroring: the chip's RAM and its key. Any bytes are values they can hold.
struct TaitoX1005State {
    uint8_t x1005Ram[128];
    uint8_t x1005RamKey;  // last $7EF8 value: the RAM answers while it is $A3
    uint8_t reserved[3];
};
static_assert(sizeof(TaitoX1005State) == 132);
static_assert(std::is_trivially_copyable_v<TaitoX1005State>);
static_assert(offsetof(TaitoX1005State, x1005RamKey) == 128);

extern TaitoX1005State taitoX1005;

void SetupTaitoX1005(const BoardHeader& header);
BatteryPart TaitoX1005BatteryMemory(const BoardHeader& header);

}  // namespace morvel
