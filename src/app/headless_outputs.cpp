#include "app/headless_outputs.h"

#include <iterator>
#include <vector>

#include "core/cpu.h"
#include "core/memory_map.h"
#include "core/user_files.h"
#include "ppu/ppu_bus.h"

namespace morvel {

std::string ScreenText() {
    std::string text;
    for (uint32_t row = 0; row < 30; ++row) {
        for (uint32_t column = 0; column < 32; ++column) {
            const uint8_t tile = PpuBusRead(0x2000 + row * 32 + column);
            text += (tile >= 0x20 && tile <= 0x7E) ? static_cast<char>(tile) : '.';
        }
        text += '\n';
    }
    return text;
}

int DumpRam(const char* path) {
    std::vector<uint8_t> bytes(std::begin(cpu.cpuRam), std::end(cpu.cpuRam));
    bytes.insert(bytes.end(), std::begin(workRamBlock.workRam), std::end(workRamBlock.workRam));
    std::string why;
    return ReplaceUserFile(path, bytes.data(), bytes.size(), why) ? 1 : 0;
}

}  // namespace morvel
