// libFuzzer target for save states: a state file of one of the supported
// boards, saved by the machine itself and then damaged by the input, is read
// (ReadStateFile), one slot is loaded (LoadStateSlot) and the machine runs a
// few frames from it.
//
// Input: board, slot, the file length to keep (0 = all), then records of four
// bytes. A record whose third byte has bit 7 clear puts its fourth byte at the
// 24-bit file offset of the first three. One with bit 7 set damages a field of
// the loaded slot instead: bytes 0-1 and bit 0 of byte 2 give an offset into
// the slot followed by its board extras, bits 4-5 of byte 2 the width (1, 2 or
// 4 bytes, the offset aligned to it) and byte 3 picks the value from kEdges,
// the values that sit at or just past the ends of the machine's ranges. Byte
// flips alone seldom make such a value in a field of four bytes.
#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "cart/cartridge.h"
#include "core/save_state.h"
#include "fuzz_machine.h"

namespace {

using namespace morvel;

// Every 8 KB of program holds the same little program, so whatever bank a
// board maps, the vectors and the code are there. At $8000: SEI, NMI on
// (LDA #$80, STA $2000), background and sprites on (LDA #$1E, STA $2001), then
// a loop that keeps RAM, the DMC level and the scroll moving (INC $10, LDA $10,
// STA $4011, STA $2005, JMP). The NMI at $8100 is INC $11, RTI; the IRQ at
// $8102 is RTI.
std::vector<uint8_t> Program() {
    const uint8_t code[] = {0x78, 0xA9, 0x80, 0x8D, 0x00, 0x20, 0xA9, 0x1E, 0x8D, 0x01, 0x20, 0xE6,
                            0x10, 0xA5, 0x10, 0x8D, 0x11, 0x40, 0x8D, 0x05, 0x20, 0x4C, 0x0B, 0x80};
    const uint8_t nmi[] = {0xE6, 0x11, 0x40};
    const uint8_t vectors[6] = {0x00, 0x81, 0x00, 0x80, 0x02, 0x81};
    std::vector<uint8_t> bank(8192, 0xEA);  // NOP
    std::copy(std::begin(code), std::end(code), bank.begin());
    std::copy(std::begin(nmi), std::end(nmi), bank.begin() + 0x100);
    std::copy(std::begin(vectors), std::end(vectors), bank.end() - 6);
    return bank;
}

// Ends of ranges: counts, flags kept as register bits, bus widths, dots and
// lines of a frame, and the values around the sign of 32-bit fields.
const uint32_t kEdges[] = {
    0,       1,          2,          3,          4,          5,          7,          8,
    9,       15,         16,         0x1F,       0x20,       0x3F,       0x40,       0x7F,
    0x80,    0xFF,       0x100,      240,        241,        257,        261,        262,
    340,     341,        0x3FFF,     0x4000,     0x7FFF,     0x8000,     0xFFFF,     0x10000,
    0x20000, 0x7FFFFFF0, 0x7FFFFFFF, 0x80000000, 0xFFFFFF00, 0xFFFFFFFE, 0xFFFFFFFF,
};

// Sets a field of slot `slot` (or of its board extras) to an edge value.
void DamageField(std::vector<uint8_t>& file, int slot, const uint8_t* record) {
    const size_t extras = BoardExtrasSize(mapperNumber);
    const size_t span = sizeof(StateSlot) + extras;
    const size_t width = size_t{1} << (((record[2] >> 4) & 3) == 3 ? 2 : (record[2] >> 4) & 3);
    size_t at = (record[0] | (record[1] << 8) | (size_t(record[2] & 1) << 16)) % span;
    at &= ~(width - 1);
    at = at < sizeof(StateSlot) ? slot * sizeof(StateSlot) + at
                                : kSlotSetSize + slot * extras + (at - sizeof(StateSlot));
    const uint32_t value = kEdges[record[3] % (sizeof kEdges / sizeof kEdges[0])];
    if (at + width > file.size()) return;
    for (size_t k = 0; k < width; ++k) file[at + k] = static_cast<uint8_t>(value >> (8 * k));
}

struct Board {
    std::vector<uint8_t> image;
    std::vector<uint8_t> stateFile;  // four slots saved at different frames
};
std::vector<Board> boards;  // one per supported board

void Fail(const char* what, int mapper) {
    fuzz::Fail("save state: " + std::string(what) + " (mapper " + std::to_string(mapper) + ")");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::Prepare();
    PrepareSaveStates(fuzz::ScratchFolder().c_str());
    const std::vector<uint8_t> program = Program();
    boards.resize(supportedBoards.size());
    for (size_t b = 0; b < boards.size(); ++b) {
        const int mapper = supportedBoards[b].mapper;
        const bool chrRam = supportedBoards[b].patterns == PatternMemory::kAlwaysRam;
        Board& board = boards[b];
        board.image = fuzz::MakeImage(mapper, 2, chrRam ? 0 : 1, 0, program.data(), program.size());
        if (!fuzz::LoadImage(board.image)) Fail("the board's cartridge does not load", mapper);
        ClearStateSlots();
        SetStateFileName("fuzz.nes");
        for (int slot = 0; slot < kStateSlots; ++slot) {
            fuzz::RunFrames(3 + slot, static_cast<uint8_t>(1u << slot));
            if (!SaveStateSlot(slot)) Fail("a slot cannot be saved", mapper);
        }
        if (!WriteStateFile()) Fail("the state file cannot be written", mapper);
        std::ifstream in(StateFilePath(), std::ios::binary);
        board.stateFile.assign(std::istreambuf_iterator<char>(in), {});
        if (board.stateFile.empty()) Fail("the state file cannot be read back", mapper);
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3) return 0;
    const Board& board = boards[data[0] % boards.size()];
    const int slot = data[1] % kStateSlots;
    std::vector<uint8_t> file = board.stateFile;
    if (data[2] != 0) file.resize(file.size() * data[2] / 256);
    if (!fuzz::LoadImage(board.image)) Fail("the board's cartridge no longer loads", 0);
    for (size_t i = 3; i + 4 <= size; i += 4) {
        if (data[i + 2] & 0x80) {
            DamageField(file, slot, data + i);
            continue;
        }
        const size_t offset = data[i] | (data[i + 1] << 8) | (size_t(data[i + 2]) << 16);
        if (!file.empty()) file[offset % file.size()] = data[i + 3];
    }
    ClearStateSlots();
    SetStateFileName("fuzz.nes");
    // Each board has a file of its own: the cartridges share the file name.
    const std::string& path = StateFilePath();
    const std::string name = "savestates/" + path.substr(path.rfind('/') + 1);
    fuzz::WriteScratchFile(name.c_str(), file.data(), file.size());
    const bool read = ReadStateFile() == 1;
    // A file of the right size is read unless a versioned part's header was
    // damaged (it then reads as another version's); one of another size never.
    const bool wholeSize = file.size() == board.stateFile.size();
    const bool otherVersion = stateError.find("another version") != std::string::npos;
    if (read ? !wholeSize : wholeSize && !otherVersion)
        Fail("a state file was taken or refused by its size wrongly", int(mapperNumber));
    if (read && LoadStateSlot(slot)) {
        fuzz::RunFrames(1, data[1]);
        // Whatever was loaded must save and load again.
        if (!SaveStateSlot(slot) || !LoadStateSlot(slot))
            Fail(("a running state does not round-trip: " + stateError).c_str(), int(mapperNumber));
    }
    return 0;
}
