// The serial EEPROMs driven on their two lines as the datasheets draw a
// byte write and a read: the byte lands in the array, and comes back, in
// each chip's own bit order (the 24C02 most significant bit first after a
// device byte, the 24C01 least significant first after its address byte).
#include "cart/serial_eeprom.h"

#include <gtest/gtest.h>

#include <vector>

namespace morvel {
namespace {

using Bits = std::vector<int>;

struct Line {
    SerialEeprom chip{};
    EepromChip kind;
    void Drive(int scl, int sda) { DriveEeprom(chip, kind, uint8_t(scl), uint8_t(sda)); }
    void Start() { Drive(0, 1), Drive(1, 1), Drive(1, 0), Drive(0, 0); }
    void Stop() { Drive(0, 0), Drive(1, 0), Drive(1, 1); }
    // Eight bits out, then the ninth clock: true when the chip pulls SDA low.
    bool Send(const Bits& bits) {
        for (int bit : bits) Drive(0, bit), Drive(1, bit), Drive(0, bit);
        Drive(0, 1), Drive(1, 1);
        const bool ack = chip.output == 0;
        Drive(0, 1);
        return ack;
    }
    // Eight bits in, as SDA stands while SCL is high; no acknowledge.
    Bits Receive() {
        Bits bits;
        for (int i = 0; i < 8; ++i) Drive(0, 1), Drive(1, 1), bits.push_back(chip.output);
        Drive(0, 1), Drive(1, 1), Drive(0, 1);
        return bits;
    }
};

struct Case {
    EepromChip kind;
    std::vector<Bits> writeHeader;  // the bytes before the data of a write
    std::vector<Bits> readHeader;   // the bytes before the data of a read ({}: a start)
    uint8_t address;
};

// $A6 = 1010 0110: sent D7 first on the 24C02, D0 first on the 24C01.
const Bits kMsbFirst = {1, 0, 1, 0, 0, 1, 1, 0};
const Bits kLsbFirst = {0, 1, 1, 0, 0, 1, 0, 1};

TEST(SerialEeprom, ByteWriteAndReadInTheChipsBitOrder) {
    const Case cases[] = {
        // Device byte 1010 000 W, word address $3C; a read gives the address
        // the same way, then starts again with the device byte's R.
        {EepromChip::k24C02,
         {{1, 0, 1, 0, 0, 0, 0, 0}, {0, 0, 1, 1, 1, 1, 0, 0}},
         {{1, 0, 1, 0, 0, 0, 0, 0}, {0, 0, 1, 1, 1, 1, 0, 0}, {}, {1, 0, 1, 0, 0, 0, 0, 1}},
         0x3C},
        // Address 5 as A0-A6 (1010000), then W or R.
        {EepromChip::k24C01, {{1, 0, 1, 0, 0, 0, 0, 0}}, {{1, 0, 1, 0, 0, 0, 0, 1}}, 5},
    };
    for (const Case& c : cases) {
        Line line{.kind = c.kind};
        ResetEepromTransfer(line.chip);
        const Bits& data = c.kind == EepromChip::k24C02 ? kMsbFirst : kLsbFirst;
        line.Start();
        for (const Bits& byte : c.writeHeader) EXPECT_TRUE(line.Send(byte));
        EXPECT_TRUE(line.Send(data));
        line.Stop();
        EXPECT_EQ(line.chip.data[c.address], 0xA6);
        line.Start();
        for (const Bits& byte : c.readHeader)
            if (byte.empty())
                line.Start();
            else
                EXPECT_TRUE(line.Send(byte));
        EXPECT_EQ(line.Receive(), data);
        line.Stop();
    }
}

}  // namespace
}  // namespace morvel
