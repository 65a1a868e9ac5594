// The two-wire serial EEPROMs of the Bandai boards: the 24C02 (256 bytes,
// a device byte 1010xxx R/W, then a word address, data most significant bit
// first, 8-byte pages) and the 24C01 (128 bytes, no device byte: the word
// address A0-A6 and R/W come first, least significant bit first, as does the
// data; 4-byte pages). The game drives the clock (SCL) and data (SDA) lines
// through a board register and reads the data line back.
#pragma once

#include <cstdint>
#include <type_traits>

namespace morvel {

enum class EepromChip : uint8_t { kNone, k24C01, k24C02 };

// The chip's array and its place in a transfer, as save states keep them.
struct SerialEeprom {
    uint8_t data[256];  // the 24C01 uses the first 128
    uint8_t phase;      // EepromPhase (serial_eeprom.cpp)
    uint8_t bits;       // clock rises seen in the current 9-clock frame
    uint8_t shift;      // the byte being received
    uint8_t address;    // the word address
    uint8_t output;     // what the chip puts on SDA: 0 pulls it low, 1 lets go
    uint8_t scl;        // the lines as the game last drove them
    uint8_t sda;
    uint8_t masterAck;  // while sending: 1 when the game pulled SDA low to ask for more
};
static_assert(sizeof(SerialEeprom) == 264);
static_assert(std::is_trivially_copyable_v<SerialEeprom>);

// The chip's power-on place: no transfer, SDA let go. Keeps the array.
void ResetEepromTransfer(SerialEeprom& chip);
// The game drives both lines (1 high); the chip acts on the edges.
void DriveEeprom(SerialEeprom& chip, EepromChip kind, uint8_t scl, uint8_t sda);
// Whether the transfer fields hold values the chip can leave.
bool EepromTransferFits(const SerialEeprom& chip);

}  // namespace morvel
