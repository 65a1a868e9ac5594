// Loading iNES images. The whole file is read and checked before anything of
// the running machine changes, so a refused image leaves the current game as
// it was.
#include "cart/cartridge.h"

#include <cstdio>
#include <cstring>
#include <memory>

#include "cart/board.h"
#include "core/host.h"
#include "core/memory_map.h"

namespace morvel {

uint8_t inesHeader[16];
uint32_t mapperNumber;
std::vector<uint8_t> prgRomBuffer;
std::vector<uint8_t> chrRomBuffer;

// clang-format off
const SupportedBoard supportedBoards[13] = {
    {0,   "MAPPER 0"},
    {1,   "MMC 1"},
    {2,   "UNROM"},
    {3,   "CNROM"},
    {4,   "MMC 3"},
    {5,   "MMC5"},
    {7,   "AOROM"},
    {9,   "MMC 2"},
    {34,  "BxROM"},
    {58,  "58"},
    {118, "118"},
    {189, "189"},
    {226, "226"},
};
// clang-format on

namespace {

constexpr uint32_t kPrgUnit = 16384;
constexpr uint32_t kChrUnit = 8192;

struct FileCloser {
    void operator()(FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<FILE, FileCloser>;

uint32_t MapperFromHeader(const uint8_t* header) {
    return (header[7] & 0xF0u) | (header[6] >> 4);
}

bool HasMagic(const uint8_t* header) {
    return std::memcmp(header, "NES", 3) == 0;
}

// Reads the 16-byte header into inesHeader. A file shorter than a header is
// not an iNES image.
bool ReadHeader(FILE* file) {
    uint8_t header[16];
    if (std::fread(header, 1, sizeof header, file) != sizeof header || !HasMagic(header)) {
        showErrorBox("Invalid NES Header!");
        return false;
    }
    std::memcpy(inesHeader, header, sizeof header);
    return true;
}

bool ReadExactly(FILE* file, std::vector<uint8_t>& buffer, size_t size) {
    buffer.assign(size, 0);
    return size == 0 || std::fread(buffer.data(), 1, size, file) == size;
}

// The sizes a board can map at all, beyond which an image is refused.
bool PrgSizeFits(uint32_t mapper, uint32_t prgUnits) {
    if (prgUnits == 0) {
        showErrorBox("PRG rom count is 0: the image has no program!");
        return false;
    }
    if ((mapper == 0 || mapper == 3) && prgUnits > 2) {
        showErrorBox("PRG rom count must be 1 or 2 on this board!");
        return false;
    }
    return true;
}

}  // namespace

const SupportedBoard* FindSupportedBoard(int32_t mapper) {
    for (const SupportedBoard& board : supportedBoards)
        if (board.mapper == mapper) return &board;
    return nullptr;
}

int32_t PeekMapperNumber(const char* path) {
    File file(std::fopen(path, "rb"));
    if (!file) return -1;
    if (!ReadHeader(file.get())) return -1;
    return static_cast<int32_t>(MapperFromHeader(inesHeader));
}

std::string BoardNameOf(const char* path) {
    const SupportedBoard* board = FindSupportedBoard(PeekMapperNumber(path));
    return board ? std::string(board->name) : std::string("--------");
}

int LoadCartridge(const char* path) {
    File file(std::fopen(path, "rb"));
    if (!file) return 0;
    if (!ReadHeader(file.get())) return 0;

    uint32_t mapper = MapperFromHeader(inesHeader);
    BoardHeader header;
    header.prgUnits = inesHeader[4];
    header.chrUnits = inesHeader[5];
    header.mirroring =
        (inesHeader[6] & 0x08) ? uint32_t{kMirrorFourScreen} : (inesHeader[6] & 0x01u);
    if (!FindSupportedBoard(static_cast<int32_t>(mapper)) || !FindBoardSetup(mapper)) {
        showErrorBox("MAPPER NOT SUPPORTED");
        return 0;
    }
    if (!PrgSizeFits(mapper, header.prgUnits)) return 0;

    // The trainer bit is not consulted: PRG always starts at offset 16.
    std::vector<uint8_t> prg;
    std::vector<uint8_t> chr;
    if (!ReadExactly(file.get(), prg, size_t{header.prgUnits} * kPrgUnit)) {
        showErrorBox("PRG rom count doesn't equal!");
        return 0;
    }
    // With no CHR ROM the board still gets an 8 KB block behind chrBase.
    if (!ReadExactly(file.get(), chr, size_t{header.chrUnits} * kChrUnit)) {
        showErrorBox("CHR rom count doesn't equal!");
        return 0;
    }
    if (header.chrUnits == 0) chr.assign(kChrUnit, 0);

    prgRomBuffer = std::move(prg);
    chrRomBuffer = std::move(chr);
    prgBase = prgRomBuffer.data();
    chrBase = chrRomBuffer.data();
    prgUnitCount = static_cast<uint32_t>(prgRomBuffer.size() / 4096);
    chrUnitCount = static_cast<uint32_t>(chrRomBuffer.size() / 1024);
    mapperNumber = mapper;

    InstallDefaultCpuPages();
    InitBoard(header);
    return 1;
}

void ReleaseCartridge() {
    prgRomBuffer = {};
    chrRomBuffer = {};
    prgBase = nullptr;
    chrBase = nullptr;
    prgUnitCount = 0;
    chrUnitCount = 0;
}

bool CartridgeLoaded() {
    return prgBase != nullptr;
}

}  // namespace morvel
