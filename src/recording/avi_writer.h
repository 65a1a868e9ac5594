// A RIFF AVI file writer with the OpenDML extensions, so that a recording of
// any length stays one playable file.
//
// The file is laid out as
//   RIFF 'AVI ' { LIST 'hdrl' {...}  JUNK  LIST 'movi' {chunks, ix##}  idx1 }
//   RIFF 'AVIX' { LIST 'movi' {chunks, ix##} }  ... as many as needed
// The header goes out with the first chunk, so streams and formats may be set
// until then; once a second of the first stream's samples, the header's
// lengths and the sizes of the open part are brought up to date on disk. A
// recording cut off by a crash or a kill is thus a playable file up to its
// last whole chunk. Each stream carries a super index ('indx') to the standard
// indices ('ix##') of every RIFF part; the first part also has the old 'idx1'
// index for AVI 1.0 readers. Indices and the final header are written at
// Close.
//
// An older file of the same name is not touched while recording: the new one
// is written beside it and renamed over it only once complete.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "core/user_files.h"

namespace morvel {

// What a caller fixes of a stream's header ('strh').
struct AviStreamInfo {
    char type[4];     // "vids" or "auds"
    char handler[4];  // the compressor's four-character code, or zeros
    uint32_t scale;
    uint32_t rate;  // rate / scale samples per second
    uint32_t quality;
    uint32_t sampleSize;  // 0: one chunk is one sample (video frames)
    uint32_t suggestedBufferSize;
    int16_t frame[4];  // left, top, right, bottom
};

class AviWriter {
   public:
    // Parts of the file stay below this size; 1 GB keeps AVI 1.0 readers happy
    // with the first part.
    static constexpr uint64_t kDefaultPartLimit = 1u << 30;
    static constexpr int kMaxStreams = 4;
    static constexpr int kMaxParts = 256;  // 256 GB at the default limit

    AviWriter() = default;
    AviWriter(const AviWriter&) = delete;
    AviWriter& operator=(const AviWriter&) = delete;
    ~AviWriter();

    // Creates the file, or when one of that name exists, a file beside it
    // that replaces it at Close; a device is written as it is. False when
    // the file cannot be made, or the existing one is read-only, a folder or
    // a FIFO; Error() says why.
    bool Open(const char* path, uint64_t partLimit = kDefaultPartLimit);
    bool IsOpen() const { return file_ != nullptr; }

    // Adds a stream before the first chunk is written; returns its number or -1.
    int CreateStream(const AviStreamInfo& info);
    bool SetFormat(int stream, const void* format, size_t size);

    // Appends one chunk. A stream of sampleSize 0 counts one sample per chunk,
    // others size / sampleSize samples.
    bool Write(int stream, const void* data, size_t size, bool keyFrame);

    // Writes the indices and the header and closes the file. False when any
    // write of the file failed: then an older file of the name stays as it
    // was and the new one is removed; without an older one, the new file is
    // kept, playable up to its last whole chunk, unless it holds none.
    bool Close();

    // Closes and removes what this writer made; an older file stays.
    void Abandon();

    bool Failed() const { return failed_; }
    // After Close: a file is there, complete or cut short.
    bool Kept() const { return kept_; }
    const std::string& Error() const { return error_; }
    int Streams() const { return static_cast<int>(streams_.size()); }
    uint32_t Length(int stream) const;
    int Parts() const { return partCount_; }

   private:
    struct IndexEntry {
        uint64_t offset;  // of the chunk's data
        uint32_t size;
        uint32_t keyFrame;
    };
    struct SuperIndexEntry {
        uint64_t offset;  // of the 'ix##' chunk
        uint32_t size;
        uint32_t duration;
    };
    struct Stream {
        AviStreamInfo info;
        std::vector<uint8_t> format;
        uint32_t chunkId;  // '00dc', '01wb', ...
        uint32_t length = 0;
        uint32_t largestChunk = 0;
        uint32_t partDuration = 0;
        std::vector<IndexEntry> partEntries;  // chunks of the current part
        std::vector<SuperIndexEntry> superIndex;
    };
    struct OldIndexEntry {
        uint32_t chunkId;
        uint32_t flags;
        uint32_t offset;  // from the 'movi' four-character code
        uint32_t size;
    };

    bool PutBytes(const void* data, size_t size);
    bool PutU32(uint32_t value);
    bool PatchBytes(uint64_t at, const void* data, size_t size);
    bool PatchU32(uint64_t at, uint32_t value);
    bool Checkpoint();
    void WriteFailed();
    bool BeginPart();
    bool EndPart();
    bool WriteStandardIndex(Stream& stream);
    bool WriteOldIndex();
    std::vector<uint8_t> BuildHeader() const;
    uint64_t PendingIndexBytes() const;

    FILE* file_ = nullptr;
    std::string path_;
    std::unique_ptr<FileReplacement> replacement_;  // set when an older file exists
    std::string error_;
    uint64_t position_ = 0;
    uint64_t checkpointSecond_ = UINT64_MAX;  // of the first stream's samples
    bool created_ = false;                    // the name was free and Open made the file
    bool oldIndexWritten_ = false;
    bool kept_ = false;
    bool wholeChunk_ = false;  // a chunk is in the file in full
    uint64_t partLimit_ = kDefaultPartLimit;
    bool failed_ = false;
    bool chunksWritten_ = false;
    bool partOpen_ = false;
    int partCount_ = 0;
    uint64_t partStart_ = 0;  // offset of the part's 'RIFF'
    uint64_t moviList_ = 0;   // offset of the part's 'LIST' of 'movi'
    uint32_t firstPartFrames_ = 0;
    std::vector<Stream> streams_;
    std::vector<OldIndexEntry> oldIndex_;
};

}  // namespace morvel
