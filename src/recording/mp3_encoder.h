// The sound track's MP3 encoder: LAME, mono, constant bitrate, 44100 Hz out.
#pragma once

#include <cstdint>
#include <vector>

namespace morvel {

class Mp3Encoder {
   public:
    // The machine makes 744 samples per frame at 60 frames per second.
    static constexpr int kInputRate = 44640;
    static constexpr int kOutputRate = 44100;

    Mp3Encoder() = default;
    Mp3Encoder(const Mp3Encoder&) = delete;
    Mp3Encoder& operator=(const Mp3Encoder&) = delete;
    ~Mp3Encoder();

    // False when the encoder cannot be set up (an unusable bitrate, say).
    bool Open(int bitrateKbps);
    bool IsOpen() const { return lame_ != nullptr; }

    // Encodes count samples; out receives the MP3 bytes ready so far (often
    // none, as the encoder holds back a frame and a half). False on an
    // encoder error, with out empty.
    bool Encode(const int16_t* samples, uint32_t count, std::vector<uint8_t>& out);

    // Encodes what the encoder still holds and ends the stream.
    bool Flush(std::vector<uint8_t>& out);

    void Close();

   private:
    void* lame_ = nullptr;  // lame_global_flags
};

}  // namespace morvel
