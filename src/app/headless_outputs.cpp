#include "app/headless_outputs.h"

#include <cstdio>

#include "cart/board.h"
#include "core/cpu.h"
#include "core/memory_map.h"
#include "video/partial_file.h"

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
    std::FILE* file = std::fopen(path, "wb");
    if (!file) return 0;
    bool ok = std::fwrite(cpu.cpuRam, 1, sizeof cpu.cpuRam, file) == sizeof cpu.cpuRam;
    ok = std::fwrite(workRamBlock.workRam, 1, sizeof workRamBlock.workRam, file) ==
             sizeof workRamBlock.workRam &&
         ok;
    ok = std::fclose(file) == 0 && ok;
    if (!ok) RemovePartialFile(path);
    return ok ? 1 : 0;
}

}  // namespace morvel
