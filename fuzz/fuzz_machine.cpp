#include "fuzz_machine.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "apu/apu.h"
#include "core/frame_loop.h"
#include "core/host.h"
#include "core/machine.h"
#include "core/memory_map.h"
#include "input/button_source.h"

namespace morvel::fuzz {

namespace {

std::string scratch;
uint8_t heldButtons;

void IgnoreError(const char*) {}

uint8_t HeldButtons(int port) {
    return port == 0 ? heldButtons : 0;
}

}  // namespace

void Prepare() {
    if (!scratch.empty()) return;
    std::string pattern = (std::filesystem::temp_directory_path() / "morvel-fuzz-XXXXXX").string();
    if (!mkdtemp(pattern.data())) Fail("cannot make a scratch folder");
    scratch = pattern;
    showErrorBox = IgnoreError;
    buttonSource = HeldButtons;
    BuildMixerTables();
}

const std::string& ScratchFolder() {
    return scratch;
}

void Fail(const std::string& what) {
    std::fprintf(stderr, "fuzz: %s\n", what.c_str());
    std::abort();
}

std::string WriteScratchFile(const char* name, const uint8_t* data, size_t size) {
    std::string path = scratch + "/" + name;
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) Fail("cannot write " + path);
    if (size) std::fwrite(data, 1, size, file);
    std::fclose(file);
    return path;
}

std::vector<uint8_t> MakeImage(int mapper, int prgUnits, int chrUnits, uint8_t flags6,
                               const uint8_t* fill, size_t fillSize) {
    // With the trainer bit (flags 6 bit 2) 512 trainer bytes come before PRG.
    const size_t trainer = (flags6 & 0x04) ? 512 : 0;
    std::vector<uint8_t> image(16 + trainer + size_t(prgUnits) * 16384 + size_t(chrUnits) * 8192,
                               0);
    std::copy_n("NES\x1A", 4, image.begin());
    image[4] = static_cast<uint8_t>(prgUnits);
    image[5] = static_cast<uint8_t>(chrUnits);
    image[6] = static_cast<uint8_t>(((mapper & 0x0F) << 4) | (flags6 & 0x0F));
    image[7] = static_cast<uint8_t>(mapper & 0xF0);
    if (fillSize)
        for (size_t i = 16; i < image.size(); ++i) image[i] = fill[(i - 16) % fillSize];
    return image;
}

bool LoadImage(const std::vector<uint8_t>& image) {
    std::string path = WriteScratchFile("fuzz.nes", image.data(), image.size());
    return StartCartridge(path.c_str()) == 1;
}

void RunFrames(int frames, uint8_t buttons) {
    heldButtons = buttons;
    for (int i = 0; i < frames; ++i) {
        RunFrameBody();
        sampleCount = 0;
    }
}

}  // namespace morvel::fuzz
