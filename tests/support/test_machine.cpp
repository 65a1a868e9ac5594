#include "support/test_machine.h"

#include <cstring>
#include <fstream>

#include "core/machine.h"
#include "core/memory_map.h"
#include "support/run_headless.h"

namespace morvel::test {

uint8_t flatMemory[0x10000];

InesImage MakeInesImage(int mapper, int prgUnits, int chrUnits, uint8_t flags6) {
    InesImage image;
    image.bytes.assign(16 + prgUnits * 16384 + chrUnits * 8192, 0);
    std::memcpy(image.bytes.data(), "NES\x1A", 4);
    image.bytes[4] = static_cast<uint8_t>(prgUnits);
    image.bytes[5] = static_cast<uint8_t>(chrUnits);
    image.bytes[6] = static_cast<uint8_t>(((mapper & 0x0F) << 4) | (flags6 & 0x0F));
    image.bytes[7] = static_cast<uint8_t>(mapper & 0xF0);
    for (size_t i = 0; i < image.prgSize(); ++i) image.prg()[i] = static_cast<uint8_t>(i / 4096);
    for (size_t i = 0; i < chrUnits * 8192u; ++i)
        image.chr()[i] = static_cast<uint8_t>(0x80 + i / 1024);
    return image;
}

void SetVectors(InesImage& image, uint16_t nmi, uint16_t reset, uint16_t irq) {
    uint8_t* end = image.prg() + image.prgSize() - 6;
    const uint16_t vectors[3] = {nmi, reset, irq};
    for (int i = 0; i < 3; ++i) {
        end[2 * i] = static_cast<uint8_t>(vectors[i]);
        end[2 * i + 1] = static_cast<uint8_t>(vectors[i] >> 8);
    }
}

std::string WriteTempFile(const std::vector<uint8_t>& bytes, const std::string& name) {
    static std::string dir = MakeTempDir();
    std::string path = dir + "/" + name;
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    return path;
}

int LoadImage(const InesImage& image) {
    return StartCartridge(WriteTempFile(image.bytes).c_str());
}

namespace {
uint8_t FlatRead(uint32_t address) {
    return flatMemory[address & 0xFFFF];
}
void FlatWrite(uint32_t address, uint8_t value) {
    flatMemory[address & 0xFFFF] = value;
}
}  // namespace

void InstallFlatMemory() {
    std::memset(flatMemory, 0, sizeof flatMemory);
    InstallDefaultCpuPages();
    for (int page = 2; page < 16; ++page) {
        cpuReadPage[page] = FlatRead;
        cpuWritePage[page] = FlatWrite;
    }
}

}  // namespace morvel::test
