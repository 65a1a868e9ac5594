// The controller ports: latch through $4016, then one button per read.
#include <gtest/gtest.h>

#include "apu_test_support.h"
#include "input/button_source.h"

namespace morvel::test {
namespace {

uint8_t heldButtons[2];
uint8_t HeldButtons(int port) {
    return heldButtons[port & 1];
}

struct PortCase {
    uint8_t pad1;
    uint8_t pad2;
};

TEST(ControllerPorts, EightBitsThenZeros) {
    const PortCase cases[] = {{0x00, 0x00}, {0x01, 0x80}, {0xA5, 0x5A}, {0xFF, 0x00}, {0x09, 0x90}};
    ButtonSource saved = buttonSource;
    buttonSource = HeldButtons;
    for (const PortCase& c : cases) {
        FreshApu();
        heldButtons[0] = c.pad1;
        heldButtons[1] = c.pad2;
        Write(0x4016, 1);
        Write(0x4016, 0);
        heldButtons[0] = heldButtons[1] = 0xFF;  // changes after the latch are not seen
        for (int read = 0; read < 10; ++read) {
            uint8_t expected1 = read < 8 ? (c.pad1 >> read) & 1 : 0;
            uint8_t expected2 = read < 8 ? (c.pad2 >> read) & 1 : 0;
            EXPECT_EQ(ApuReadRegister(0x4016), expected1) << "pad 1 read " << read;
            EXPECT_EQ(ApuReadRegister(0x4017), expected2) << "pad 2 read " << read;
        }
    }
    buttonSource = saved;
}

TEST(ControllerPorts, OnlyAWriteWithBitZeroClearLatches) {
    ButtonSource saved = buttonSource;
    buttonSource = HeldButtons;
    FreshApu();
    heldButtons[0] = 0x01;
    Write(0x4016, 1);
    EXPECT_EQ(ApuReadRegister(0x4016), 0) << "no latch yet";
    Write(0x4016, 0);
    EXPECT_EQ(ApuReadRegister(0x4016), 1);
    EXPECT_EQ(apu.pad1ReadCount, 2u) << "reads are counted, the latch does not reset them";
    for (int i = 0; i < 6; ++i) ApuReadRegister(0x4016);
    EXPECT_EQ(apu.pad1ReadCount, 0u) << "the count wraps after eight";
    buttonSource = saved;
}

}  // namespace
}  // namespace morvel::test
