// Loading iNES images. The whole file is read and checked before anything of
// the running machine changes, so a refused image leaves the current game as
// it was.
#include "cart/cartridge.h"

#include <cstdio>
#include <cstring>

#include "cart/board.h"
#include "core/host.h"
#include "core/memory_map.h"
#include "core/user_files.h"

namespace morvel {

uint8_t inesHeader[16];
uint32_t mapperNumber;
BoardHeader boardHeader;
std::vector<uint8_t> prgRomBuffer;
std::vector<uint8_t> chrRomBuffer;

namespace {

constexpr uint32_t kPrgUnit = 16384;
constexpr uint32_t kChrUnit = 8192;
constexpr size_t kTrainerBytes = 512;
// The largest image read: an NES 2.0 header can describe more, but no
// cartridge of the boards here holds more than a few megabytes; anything
// larger is not a cartridge image.
constexpr size_t kMaxImageBytes = 16u << 20;

// Takes the 16-byte header into inesHeader. A file shorter than a header is
// not an iNES image.
bool TakeHeader(const uint8_t* bytes, size_t size, InesHeader& header) {
    if (ParseInesHeader(bytes, size, header) != HeaderCheck::kOk) {
        showErrorBox("Invalid NES Header!");
        return false;
    }
    std::memcpy(inesHeader, bytes, kInesHeaderBytes);
    return true;
}

// Copies size bytes from offset on; false when the file ends before.
bool TakeExactly(const std::vector<uint8_t>& file, size_t offset, size_t size,
                 std::vector<uint8_t>& buffer) {
    if (offset > file.size() || file.size() - offset < size) return false;
    buffer.assign(file.begin() + static_cast<ptrdiff_t>(offset),
                  file.begin() + static_cast<ptrdiff_t>(offset + size));
    return true;
}

// A memory size for a message: "32 KB", or "512 bytes" below a kilobyte.
std::string SizeText(uint32_t bytes) {
    return bytes % 1024 ? std::to_string(bytes) + " bytes" : std::to_string(bytes / 1024) + " KB";
}

// What the header asks of the board beyond its images, refused with a
// message that says what when the board cannot give it.
bool HeaderFitsBoard(const SupportedBoard& board, const InesHeader& ines) {
    std::string why = UnsupportedHeaderFeature(ines);
    const uint32_t prgRam = ines.prgRamBytes + ines.prgNvramBytes;
    const std::string mapper = std::to_string(ines.mapper);
    if (why.empty() && (ines.submapper >= 16 || !((board.submappers >> ines.submapper) & 1)))
        why = "Submapper " + std::to_string(ines.submapper) + " of mapper " + mapper +
              " is not supported.";
    if (why.empty() && prgRam > board.maxPrgRamBytes)
        why = "The cartridge asks for " + SizeText(prgRam) + " of PRG RAM; mapper " + mapper +
              " has at most " + SizeText(board.maxPrgRamBytes) + " here.";
    if (why.empty() && ines.chrBytes != 0 && ines.chrRamBytes != 0)
        why = "The cartridge has both CHR ROM and CHR RAM, which mapper " + mapper +
              " does not support.";
    if (why.empty() && ines.chrRamBytes > board.maxChrRamBytes)
        why = "The cartridge asks for " + SizeText(ines.chrRamBytes) + " of CHR RAM; mapper " +
              mapper + " has at most " + SizeText(board.maxChrRamBytes) + " here.";
    if (why.empty() && (ines.prgBytes % kPrgUnit != 0 || ines.chrBytes % kChrUnit != 0))
        why = "The PRG or CHR ROM size is not a whole number of 16 KB or 8 KB units.";
    if (why.empty() && (ines.prgBytes / kPrgUnit > 0xFFFF || ines.chrBytes / kChrUnit > 0xFFFF))
        why = "The file is too large for an iNES image!";
    if (why.empty()) return true;
    showErrorBox(why.c_str());
    return false;
}

// The sizes a board can map at all, beyond which an image is refused.
bool PrgSizeFits(const SupportedBoard& board, uint32_t prgUnits) {
    if (prgUnits == 0) {
        showErrorBox("PRG rom count is 0: the image has no program!");
        return false;
    }
    if (board.maxPrgUnits != 0 && prgUnits > board.maxPrgUnits) {
        std::string text =
            "PRG rom count must be 1 or " + std::to_string(board.maxPrgUnits) + " on this board!";
        showErrorBox(text.c_str());
        return false;
    }
    return true;
}

}  // namespace

HeaderCheck PeekHeader(const char* path, InesHeader& header, ReadOutcome* outcome) {
    ReadOutcome opened;
    std::FILE* file = OpenUserFile(path, opened);
    if (outcome) *outcome = opened;
    if (!file) return HeaderCheck::kTooShort;
    uint8_t bytes[kInesHeaderBytes];
    size_t got = std::fread(bytes, 1, sizeof bytes, file);
    std::fclose(file);
    HeaderCheck check = ParseInesHeader(bytes, got, header);
    if (check == HeaderCheck::kOk) std::memcpy(inesHeader, bytes, kInesHeaderBytes);
    return check;
}

int32_t PeekMapperNumber(const char* path, ReadOutcome* outcome) {
    ReadOutcome opened;
    InesHeader header;
    HeaderCheck check = PeekHeader(path, header, &opened);
    if (outcome) *outcome = opened;
    if (opened != ReadOutcome::kRead) return -1;
    if (check != HeaderCheck::kOk) {
        showErrorBox("Invalid NES Header!");
        return -1;
    }
    return static_cast<int32_t>(header.mapper);
}

std::string BoardNameOf(const char* path) {
    const SupportedBoard* board = FindSupportedBoard(PeekMapperNumber(path));
    return board ? std::string(board->name) : std::string("--------");
}

int LoadCartridge(const char* path) {
    // Only a regular file, and no more than an image can hold: a FIFO or a
    // device would block or never end.
    std::vector<uint8_t> file;
    ReadOutcome outcome = ReadUserFile(path, kMaxImageBytes, file);
    if (outcome == ReadOutcome::kTooLarge) {
        showErrorBox("The file is too large for an iNES image!");
        return 0;
    }
    if (outcome != ReadOutcome::kRead) return 0;
    InesHeader ines;
    if (!TakeHeader(file.data(), file.size(), ines)) return 0;

    const SupportedBoard* board = FindSupportedBoard(static_cast<int32_t>(ines.mapper));
    if (!board) {
        showErrorBox("MAPPER NOT SUPPORTED");
        return 0;
    }
    if (!HeaderFitsBoard(*board, ines)) return 0;
    BoardHeader header{};
    header.prgUnits = static_cast<uint32_t>(ines.prgBytes / kPrgUnit);
    header.chrUnits = static_cast<uint32_t>(ines.chrBytes / kChrUnit);
    header.mirroring = ines.mirroring;
    header.submapper = ines.submapper;
    header.battery = ines.battery || ines.prgNvramBytes != 0;
    header.batteryRamBytes = ines.nes20 ? ines.prgNvramBytes : (ines.battery ? 8192u : 0u);
    if (!PrgSizeFits(*board, header.prgUnits)) return 0;

    // A trainer sits between the header and PRG; its bytes are not used, but
    // PRG starts after them.
    size_t prgOffset = kInesHeaderBytes + (ines.trainer ? kTrainerBytes : 0);
    size_t prgBytes = size_t{header.prgUnits} * kPrgUnit;
    std::vector<uint8_t> prg;
    std::vector<uint8_t> chr;
    if (!TakeExactly(file, prgOffset, prgBytes, prg)) {
        showErrorBox("PRG rom count doesn't equal!");
        return 0;
    }
    if (!TakeExactly(file, prgOffset + prgBytes, size_t{header.chrUnits} * kChrUnit, chr)) {
        showErrorBox("CHR rom count doesn't equal!");
        return 0;
    }
    // An image without CHR ROM is known (state_file_owner.h) by 8 KB of
    // zeros in its place, as it always was.
    if (header.chrUnits == 0) chr.assign(kChrUnit, 0);

    prgRomBuffer = std::move(prg);
    chrRomBuffer = std::move(chr);
    prgBase = prgRomBuffer.data();
    chrBase = chrRomBuffer.data();
    if (header.chrUnits == 0) {
        // Its pattern memory is the 8 KB of CHR RAM that save states keep,
        // read whole (ChrRamRead) or in banks behind chrBase, by the board:
        // cleared for the new cartridge.
        std::memset(chrRam, 0, sizeof chrRam);
        chrBase = chrRam;
    }
    prgUnitCount = static_cast<uint32_t>(prgRomBuffer.size() / 4096);
    chrUnitCount = static_cast<uint32_t>(chrRomBuffer.size() / 1024);
    mapperNumber = ines.mapper;
    boardHeader = header;

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
