// A two-wire EEPROM as the game sees it through SCL and SDA. SDA falling
// while SCL is high starts a transfer (again, for a read after the address),
// SDA rising while SCL is high stops it. Data moves in frames of nine
// clocks: eight bits, then an acknowledge from the receiver (SDA low).
#include "cart/serial_eeprom.h"

namespace morvel {

namespace {

enum EepromPhase : uint8_t {
    kIdle,         // waiting for a start
    kDeviceByte,   // 24C02: 1010 A2 A1 A0 R/W
    kWordAddress,  // 24C02: the word address of a write (or of a read to come)
    kAddressByte,  // 24C01: A0-A6 then R/W
    kWriteData,    // bytes to store, one after another
    kReadData,     // bytes sent, while the game acknowledges them
    kPhaseCount,
};

// The receive phases take eight bits and answer with an acknowledge.
bool Receiving(uint8_t phase) {
    return phase == kDeviceByte || phase == kWordAddress || phase == kAddressByte ||
           phase == kWriteData;
}

uint8_t Mask(EepromChip kind) {
    return kind == EepromChip::k24C01 ? 0x7F : 0xFF;
}

// Bit `index` of the byte being sent, in the chip's order.
uint8_t SendBit(const SerialEeprom& chip, EepromChip kind, uint32_t index) {
    const uint8_t byte = chip.data[chip.address & Mask(kind)];
    return kind == EepromChip::k24C01 ? (byte >> index) & 1 : (byte >> (7 - index)) & 1;
}

// A whole byte received: acts on it and returns the next phase, kIdle when
// the chip does not acknowledge.
uint8_t TakeByte(SerialEeprom& chip, EepromChip kind) {
    const uint8_t byte = chip.shift;
    switch (chip.phase) {
        case kDeviceByte:
            if ((byte & 0xF0) != 0xA0) return kIdle;  // another device's address
            return (byte & 1) ? kReadData : kWordAddress;
        case kWordAddress: chip.address = byte; return kWriteData;
        case kAddressByte:
            chip.address = byte & 0x7F;
            return (byte & 0x80) ? kReadData : kWriteData;
        case kWriteData: {
            // The address counter advances within the page: 4 bytes on the
            // 24C01, 8 on the 24C02; more bytes roll over the page's start.
            const uint8_t page = kind == EepromChip::k24C01 ? 3 : 7;
            chip.data[chip.address & Mask(kind)] = byte;
            chip.address =
                static_cast<uint8_t>((chip.address & ~page) | ((chip.address + 1) & page));
            return kWriteData;
        }
        default: return kIdle;
    }
}

void ClockRises(SerialEeprom& chip, EepromChip kind) {
    if (Receiving(chip.phase) && chip.bits < 8) {
        chip.shift = kind == EepromChip::k24C01
                         ? static_cast<uint8_t>(chip.shift >> 1 | chip.sda << 7)
                         : static_cast<uint8_t>(chip.shift << 1 | chip.sda);
        ++chip.bits;
    } else if (chip.phase == kReadData && chip.bits <= 8) {
        if (chip.bits == 8) chip.masterAck = chip.sda == 0;
        ++chip.bits;
    }
}

void ClockFalls(SerialEeprom& chip, EepromChip kind) {
    if (Receiving(chip.phase)) {
        if (chip.bits == 8) {  // answer in the ninth clock
            const uint8_t next = TakeByte(chip, kind);
            chip.output = next == kIdle ? 1 : 0;
            chip.bits = 9;
            chip.shift = next;  // kept until the acknowledge clock ends
            if (next == kIdle) chip.phase = kIdle;
        } else if (chip.bits == 9) {  // the acknowledge clock is over
            chip.phase = chip.shift;
            chip.shift = 0;
            chip.bits = 0;
            chip.output = chip.phase == kReadData ? SendBit(chip, kind, 0) : 1;
        }
    } else if (chip.phase == kReadData) {
        if (chip.bits < 8) {
            chip.output = SendBit(chip, kind, chip.bits);
        } else if (chip.bits == 8) {
            chip.output = 1;  // the game's acknowledge clock
        } else if (chip.masterAck) {
            chip.address = static_cast<uint8_t>((chip.address + 1) & Mask(kind));
            chip.bits = 0;
            chip.output = SendBit(chip, kind, 0);
        } else {  // no acknowledge: the chip waits for the stop
            chip.phase = kIdle;
            chip.output = 1;
        }
    }
}

}  // namespace

void ResetEepromTransfer(SerialEeprom& chip) {
    chip.phase = kIdle;
    chip.bits = chip.shift = chip.address = chip.masterAck = 0;
    chip.output = chip.scl = chip.sda = 1;
}

void DriveEeprom(SerialEeprom& chip, EepromChip kind, uint8_t scl, uint8_t sda) {
    if (kind == EepromChip::kNone) return;
    scl &= 1;
    sda &= 1;
    const bool sclWasHigh = chip.scl != 0;
    const bool sdaChanged = sda != chip.sda;
    chip.sda = sda;
    chip.scl = scl;
    if (sclWasHigh && scl && sdaChanged) {
        if (sda == 0) {  // start
            chip.phase = kind == EepromChip::k24C01 ? kAddressByte : kDeviceByte;
            chip.bits = chip.shift = 0;
        } else {  // stop
            chip.phase = kIdle;
        }
        chip.output = 1;
    } else if (!sclWasHigh && scl) {
        ClockRises(chip, kind);
    } else if (sclWasHigh && !scl) {
        ClockFalls(chip, kind);
    }
}

bool EepromTransferFits(const SerialEeprom& chip) {
    const bool shiftFits = chip.bits != 9 || !Receiving(chip.phase) || chip.shift < kPhaseCount;
    return chip.phase < kPhaseCount && chip.bits <= 9 && shiftFits && chip.output <= 1 &&
           chip.scl <= 1 && chip.sda <= 1 && chip.masterAck <= 1;
}

}  // namespace morvel
