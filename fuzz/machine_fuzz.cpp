// libFuzzer target for the whole machine: random PRG and CHR on one of the
// supported boards (chosen by the input), run for a few frames with random
// buttons, sometimes with a reset in between.
//
// Input: board, PRG units, CHR units, flags 6, frames and reset, buttons,
// then the bytes that fill PRG and CHR over and over.
#include <cstdint>
#include <string>

#include "cart/cartridge.h"
#include "core/machine.h"
#include "fuzz_machine.h"

namespace {
constexpr size_t kSettings = 6;
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    morvel::fuzz::Prepare();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace morvel;
    if (size < kSettings) return 0;
    const SupportedBoard& board = supportedBoards[data[0] % supportedBoards.size()];
    const int mapper = board.mapper;
    const int maxPrg = board.maxPrgUnits ? board.maxPrgUnits : 8;
    const int prgUnits = 1 + data[1] % maxPrg;
    const int chrUnits = data[2] % 5;
    const uint8_t flags6 = data[3] & 0x0F;
    const int frames = 1 + (data[4] & 3);
    const bool reset = (data[4] & 0x80) != 0;
    const uint8_t buttons = data[5];
    std::vector<uint8_t> image =
        fuzz::MakeImage(mapper, prgUnits, chrUnits, flags6, data + kSettings, size - kSettings);
    if (!fuzz::LoadImage(image))
        fuzz::Fail("machine: a well-formed image of mapper " + std::to_string(mapper) +
                   " was refused");
    fuzz::RunFrames(frames, buttons);
    if (reset) {
        ResetMachine();
        fuzz::RunFrames(1, static_cast<uint8_t>(~buttons));
    }
    return 0;
}
