// libFuzzer target for the iNES loader: any file, peeked at, named and
// loaded; a cartridge that loads runs one frame.
#include <cstdint>

#include "cart/cartridge.h"
#include "core/machine.h"
#include "fuzz_machine.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    morvel::fuzz::Prepare();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace morvel;
    std::string path = fuzz::WriteScratchFile("image.nes", data, size);
    const int32_t mapper = PeekMapperNumber(path.c_str());
    (void)BoardNameOf(path.c_str());
    const bool loaded = StartCartridge(path.c_str()) == 1;
    // Only an image of a supported board may load, and a loaded one has a
    // program of whole 16 KB units.
    if (loaded &&
        (!FindSupportedBoard(mapper) || prgRomBuffer.empty() || prgRomBuffer.size() % 16384 != 0))
        fuzz::Fail("ines: accepted an image it should refuse");
    if (loaded) fuzz::RunFrames(1, 0);
    return 0;
}
