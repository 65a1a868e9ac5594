#include "recording/avi_writer.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "core/host_os.h"

namespace morvel {

namespace {

constexpr uint32_t kAvifHasIndex = 0x10;
constexpr uint32_t kAvifIsInterleaved = 0x100;
constexpr uint32_t kAviifKeyFrame = 0x10;
constexpr uint8_t kIndexOfIndexes = 0x00;
constexpr uint8_t kIndexOfChunks = 0x01;
constexpr uint32_t kNotKeyFrameBit = 0x80000000u;
constexpr size_t kMainHeaderSize = 56;
constexpr size_t kStreamHeaderSize = 56;
constexpr size_t kExtendedHeaderSize = 248;
constexpr size_t kLargestChunk = 0x7FFFFF00;

constexpr uint32_t FourCc(const char* text) {
    return static_cast<uint32_t>(static_cast<uint8_t>(text[0])) |
           static_cast<uint32_t>(static_cast<uint8_t>(text[1])) << 8 |
           static_cast<uint32_t>(static_cast<uint8_t>(text[2])) << 16 |
           static_cast<uint32_t>(static_cast<uint8_t>(text[3])) << 24;
}

uint32_t StreamFourCc(int stream, const char* suffix) {
    char text[4] = {static_cast<char>('0' + stream / 10), static_cast<char>('0' + stream % 10),
                    suffix[0], suffix[1]};
    return FourCc(text);
}

// Little-endian bytes for the header and the index chunks.
class Bytes {
   public:
    void U8(uint8_t v) { data.push_back(v); }
    void U16(uint16_t v) {
        U8(static_cast<uint8_t>(v));
        U8(static_cast<uint8_t>(v >> 8));
    }
    void U32(uint32_t v) {
        U16(static_cast<uint16_t>(v));
        U16(static_cast<uint16_t>(v >> 16));
    }
    void U64(uint64_t v) {
        U32(static_cast<uint32_t>(v));
        U32(static_cast<uint32_t>(v >> 32));
    }
    void Tag(const char* text) { U32(FourCc(text)); }
    void Raw(const void* p, size_t n) {
        const uint8_t* b = static_cast<const uint8_t*>(p);
        data.insert(data.end(), b, b + n);
    }
    void Zeros(size_t n) { data.insert(data.end(), n, 0); }
    // Opens a chunk (or a LIST with its type); returns where its size goes.
    size_t Open(const char* id, const char* listType = nullptr) {
        Tag(id);
        size_t at = data.size();
        U32(0);
        if (listType) Tag(listType);
        return at;
    }
    void Close(size_t at) {
        if (data.size() & 1) U8(0);
        uint32_t size = static_cast<uint32_t>(data.size() - at - 4);
        std::memcpy(&data[at], &size, 4);  // little-endian host, as the file
    }
    std::vector<uint8_t> data;
};

static_assert(std::endian::native == std::endian::little, "the writer stores sizes in host order");

}  // namespace

AviWriter::~AviWriter() {
    // Not closed: what was written stays for a new file, as after a kill;
    // an older file is left as it was.
    if (replacement_)
        replacement_->Abandon();
    else if (file_)
        std::fclose(file_);
}

bool AviWriter::Open(const char* path, uint64_t partLimit) {
    if (file_ || !path) return false;
    error_.clear();
    // A new name is taken only if it is still free when the file is made;
    // otherwise the file of that name is replaced at Close, once complete.
    // A device (/dev/null, say) is written as it is, and never removed.
    bool taken = false;
    file_ = os::CreateNewFile(path, taken);
    created_ = file_ != nullptr;
    if (!file_ && taken && os::IsDevice(path)) {
        file_ = std::fopen(path, "wb");
    } else if (!file_ && taken) {
        replacement_ = std::make_unique<FileReplacement>(path);
        file_ = replacement_->Open();
        if (!file_) {
            error_ = replacement_->error();
            replacement_.reset();
        }
    }
    if (!file_) {
        if (error_.empty())
            error_ = std::string("cannot create ") + path + ": " + std::strerror(errno);
        return false;
    }
    path_ = replacement_ ? replacement_->TargetPath() : path;
    partLimit_ = std::max<uint64_t>(partLimit, 64 * 1024);
    return true;
}

int AviWriter::CreateStream(const AviStreamInfo& info) {
    if (!file_ || chunksWritten_ || streams_.size() >= kMaxStreams) return -1;
    Stream s;
    s.info = info;
    int number = static_cast<int>(streams_.size());
    s.chunkId = StreamFourCc(number, std::memcmp(info.type, "auds", 4) == 0 ? "wb" : "dc");
    streams_.push_back(std::move(s));
    return number;
}

bool AviWriter::SetFormat(int stream, const void* format, size_t size) {
    if (!file_ || chunksWritten_ || stream < 0 || stream >= Streams() || !format || size > 4096)
        return false;
    const uint8_t* bytes = static_cast<const uint8_t*>(format);
    streams_[stream].format.assign(bytes, bytes + size);
    return true;
}

uint32_t AviWriter::Length(int stream) const {
    return stream >= 0 && stream < Streams() ? streams_[stream].length : 0;
}

void AviWriter::WriteFailed() {
    if (!failed_ && error_.empty())
        error_ = "cannot write " + path_ + ": " + std::strerror(errno ? errno : EIO);
    failed_ = true;
}

bool AviWriter::PutBytes(const void* data, size_t size) {
    if (failed_) return false;
    if (size && std::fwrite(data, 1, size, file_) != size) {
        WriteFailed();
        // Put the file position back at the end of the last whole chunk, so
        // that the indices written at close land where the data ends.
        os::SeekTo(file_, position_);
        return false;
    }
    position_ += size;
    return true;
}

bool AviWriter::PutU32(uint32_t value) {
    return PutBytes(&value, 4);
}

bool AviWriter::PatchBytes(uint64_t at, const void* data, size_t size) {
    bool ok = os::SeekTo(file_, at) && std::fwrite(data, 1, size, file_) == size &&
              os::SeekTo(file_, position_);
    if (!ok) WriteFailed();
    return ok;
}

bool AviWriter::PatchU32(uint64_t at, uint32_t value) {
    return PatchBytes(at, &value, 4);
}

// Brings what is on disk up to the chunks written so far: the sizes of the
// open part and of its 'movi' list, and the header with the streams' lengths
// and the super indices of the parts already closed. The open part has no
// index yet; players find its chunks by walking the 'movi' list.
bool AviWriter::Checkpoint() {
    if (partOpen_) {
        PatchU32(partStart_ + 4, static_cast<uint32_t>(position_ - partStart_ - 8));
        PatchU32(moviList_ + 4, static_cast<uint32_t>(position_ - moviList_ - 8));
    }
    std::vector<uint8_t> header = BuildHeader();
    PatchBytes(12, header.data(), header.size());
    if (!failed_ && std::fflush(file_) != 0) WriteFailed();
    return !failed_;
}

// Size the index chunks of the current part will take at its end, counting
// one more entry for every stream.
uint64_t AviWriter::PendingIndexBytes() const {
    uint64_t bytes = 0;
    for (const Stream& s : streams_) bytes += 32 + 8 * (s.partEntries.size() + 1);
    if (partCount_ == 1) bytes += 8 + 16 * (oldIndex_.size() + 1);
    return bytes;
}

bool AviWriter::BeginPart() {
    if (partCount_ >= kMaxParts) {
        failed_ = true;
        return false;
    }
    partStart_ = position_;
    partOpen_ = true;
    bool first = partCount_ == 0;
    ++partCount_;
    Bytes b;
    b.Tag("RIFF");
    b.U32(0);
    b.Tag(first ? "AVI " : "AVIX");
    // The header as it stands: its size is fixed from here on, so the
    // checkpoints and Close rewrite it in place.
    if (first) {
        std::vector<uint8_t> header = BuildHeader();
        b.Raw(header.data(), header.size());
    }
    checkpointSecond_ = UINT64_MAX;
    moviList_ = position_ + b.data.size();
    b.Tag("LIST");
    b.U32(0);
    b.Tag("movi");
    return PutBytes(b.data.data(), b.data.size());
}

bool AviWriter::WriteStandardIndex(Stream& s) {
    int number = static_cast<int>(&s - streams_.data());
    char id[5] = {'i', 'x', static_cast<char>('0' + number / 10),
                  static_cast<char>('0' + number % 10), 0};
    Bytes b;
    size_t at = b.Open(id);
    b.U16(2);  // longs per entry
    b.U8(0);
    b.U8(kIndexOfChunks);
    b.U32(static_cast<uint32_t>(s.partEntries.size()));
    b.U32(s.chunkId);
    b.U64(moviList_);  // base of the entries' offsets
    b.U32(0);
    for (const IndexEntry& e : s.partEntries) {
        b.U32(static_cast<uint32_t>(e.offset - moviList_));
        b.U32(e.size | (e.keyFrame ? 0 : kNotKeyFrameBit));
    }
    b.Close(at);
    SuperIndexEntry entry{position_, static_cast<uint32_t>(b.data.size()), s.partDuration};
    if (!PutBytes(b.data.data(), b.data.size())) return false;
    s.superIndex.push_back(entry);
    s.partEntries.clear();
    s.partDuration = 0;
    return true;
}

bool AviWriter::WriteOldIndex() {
    Bytes b;
    size_t at = b.Open("idx1");
    for (const OldIndexEntry& e : oldIndex_) {
        b.U32(e.chunkId);
        b.U32(e.flags);
        b.U32(e.offset);
        b.U32(e.size);
    }
    b.Close(at);
    oldIndex_.clear();
    oldIndexWritten_ = PutBytes(b.data.data(), b.data.size());
    return oldIndexWritten_;
}

bool AviWriter::EndPart() {
    for (Stream& s : streams_)
        if (!s.partEntries.empty()) WriteStandardIndex(s);
    PatchU32(moviList_ + 4, static_cast<uint32_t>(position_ - moviList_ - 8));
    if (partCount_ == 1) WriteOldIndex();
    PatchU32(partStart_ + 4, static_cast<uint32_t>(position_ - partStart_ - 8));
    partOpen_ = false;
    return !failed_;
}

bool AviWriter::Write(int stream, const void* data, size_t size, bool keyFrame) {
    if (!file_ || failed_ || stream < 0 || stream >= Streams() || size > kLargestChunk ||
        (size && !data))
        return false;
    if (!chunksWritten_) {
        chunksWritten_ = true;
        if (!BeginPart()) return false;
    }
    uint64_t chunkBytes = 8 + size + (size & 1);
    bool partHasChunks = false;
    for (const Stream& s : streams_) partHasChunks |= !s.partEntries.empty();
    if (partHasChunks && position_ + chunkBytes + PendingIndexBytes() - partStart_ > partLimit_) {
        if (!EndPart() || !BeginPart()) return false;
    }
    Stream& s = streams_[stream];
    uint64_t chunkStart = position_;
    const uint8_t pad = 0;
    // Flushed chunk by chunk, so that a write that fails is seen at its own
    // chunk and no earlier chunk is indexed without being on disk.
    if (!PutU32(s.chunkId) || !PutU32(static_cast<uint32_t>(size)) || !PutBytes(data, size) ||
        ((size & 1) && !PutBytes(&pad, 1)) || std::fflush(file_) != 0) {
        WriteFailed();
        position_ = chunkStart;
        std::clearerr(file_);
        os::SeekTo(file_, position_);
        return false;
    }
    s.partEntries.push_back({chunkStart + 8, static_cast<uint32_t>(size), keyFrame ? 1u : 0u});
    if (partCount_ == 1) {
        oldIndex_.push_back({s.chunkId, keyFrame ? kAviifKeyFrame : 0u,
                             static_cast<uint32_t>(chunkStart - (moviList_ + 8)),
                             static_cast<uint32_t>(size)});
        if (stream == 0) ++firstPartFrames_;
    }
    uint32_t samples = s.info.sampleSize ? static_cast<uint32_t>(size / s.info.sampleSize) : 1;
    s.length += samples;
    s.partDuration += samples;
    s.largestChunk = std::max(s.largestChunk, static_cast<uint32_t>(size));
    wholeChunk_ = true;
    if (stream == 0) {
        uint64_t second = s.info.rate ? uint64_t{s.length} * s.info.scale / s.info.rate : s.length;
        if (second != checkpointSecond_) {
            checkpointSecond_ = second;
            return Checkpoint();
        }
    }
    return true;
}

std::vector<uint8_t> AviWriter::BuildHeader() const {
    const Stream* video = nullptr;
    for (const Stream& s : streams_)
        if (!video && std::memcmp(s.info.type, "vids", 4) == 0) video = &s;
    uint32_t largest = 0;
    double bytesPerSecond = 0;
    for (const Stream& s : streams_) {
        largest = std::max(largest, s.largestChunk);
        if (s.info.scale)
            bytesPerSecond +=
                static_cast<double>(s.info.sampleSize ? s.info.sampleSize : s.largestChunk) *
                s.info.rate / s.info.scale;
    }
    Bytes b;
    size_t hdrl = b.Open("LIST", "hdrl");
    size_t avih = b.Open("avih");
    b.U32(video && video->info.rate
              ? static_cast<uint32_t>(1000000.0 * video->info.scale / video->info.rate + 0.5)
              : 0);
    b.U32(static_cast<uint32_t>(std::min(bytesPerSecond, 4e9)));
    b.U32(0);  // padding granularity
    b.U32((oldIndexWritten_ ? kAvifHasIndex : 0) | kAvifIsInterleaved);
    b.U32(firstPartFrames_);  // frames in the first part, as AVI 1.0 readers see them
    b.U32(0);
    b.U32(static_cast<uint32_t>(streams_.size()));
    b.U32(largest + 8);
    b.U32(video ? static_cast<uint32_t>(video->info.frame[2] - video->info.frame[0]) : 0);
    b.U32(video ? static_cast<uint32_t>(video->info.frame[3] - video->info.frame[1]) : 0);
    b.Zeros(16);
    b.Close(avih);
    for (const Stream& s : streams_) {
        size_t strl = b.Open("LIST", "strl");
        size_t strh = b.Open("strh");
        b.Raw(s.info.type, 4);
        b.Raw(s.info.handler, 4);
        b.U32(0);  // flags
        b.U16(0);  // priority
        b.U16(0);  // language
        b.U32(0);  // initial frames
        b.U32(s.info.scale);
        b.U32(s.info.rate);
        b.U32(0);  // start
        b.U32(s.length);
        b.U32(std::max(s.info.suggestedBufferSize, s.largestChunk));
        b.U32(s.info.quality);
        b.U32(s.info.sampleSize);
        for (int16_t edge : s.info.frame) b.U16(static_cast<uint16_t>(edge));
        b.Close(strh);
        size_t strf = b.Open("strf");
        b.Raw(s.format.data(), s.format.size());
        b.Close(strf);
        size_t indx = b.Open("indx");
        b.U16(4);  // longs per entry
        b.U8(0);
        b.U8(kIndexOfIndexes);
        b.U32(static_cast<uint32_t>(s.superIndex.size()));
        b.U32(s.chunkId);
        b.Zeros(12);
        for (int i = 0; i < kMaxParts; ++i) {
            SuperIndexEntry e =
                i < static_cast<int>(s.superIndex.size()) ? s.superIndex[i] : SuperIndexEntry{};
            b.U64(e.offset);
            b.U32(e.size);
            b.U32(e.duration);
        }
        b.Close(indx);
        b.Close(strl);
    }
    size_t odml = b.Open("LIST", "odml");
    size_t dmlh = b.Open("dmlh");
    b.U32(video ? video->length : 0);  // frames in the whole file
    b.Zeros(kExtendedHeaderSize - 4);
    b.Close(dmlh);
    b.Close(odml);
    b.Close(hdrl);
    static_assert(kMainHeaderSize == 56 && kStreamHeaderSize == 56);
    return std::move(b.data);
}

bool AviWriter::Close() {
    if (!file_) return false;
    bool writeFailed = failed_;
    // After a failed write an older file is worth more than the new one cut
    // short, and a new file without a whole chunk holds nothing to play.
    if (writeFailed && (replacement_ || !wholeChunk_)) {
        Abandon();
        return false;
    }
    if (!chunksWritten_) {
        chunksWritten_ = true;
        BeginPart();
    }
    // After a failed write (a full disk, say) the chunks written in full are
    // still indexed, so the file stays playable up to them when room allows.
    failed_ = false;
    if (partOpen_) EndPart();
    Checkpoint();
    if (writeFailed && !failed_ && !os::TruncateAt(file_, position_)) WriteFailed();
    failed_ = failed_ || writeFailed;
    if (replacement_) {
        if (failed_) {
            Abandon();
            return false;
        }
        kept_ = replacement_->Commit();
        if (!kept_) {
            failed_ = true;
            error_ = replacement_->error() + "; " + path_ + " stays as it was";
        }
        replacement_.reset();
    } else {
        // On disk before it is reported complete (a device need not be).
        if (!failed_ && created_ && !os::FlushToDisk(file_)) WriteFailed();
        if (std::fclose(file_) != 0) WriteFailed();
        kept_ = true;
    }
    file_ = nullptr;
    return !failed_;
}

void AviWriter::Abandon() {
    if (!file_) return;
    if (replacement_) {
        replacement_->Abandon();
        replacement_.reset();
        error_ += (error_.empty() ? "" : "; ") + path_ + " stays as it was";
    } else {
        std::fclose(file_);
        if (created_) {
            std::remove(path_.c_str());  // a name that was free at Open
            error_ += (error_.empty() ? "" : "; ") + std::string("no file was left");
        }
    }
    file_ = nullptr;
    failed_ = true;
}

}  // namespace morvel
