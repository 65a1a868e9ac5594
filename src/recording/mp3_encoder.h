// The sound track's MP3 encoder: LAME, mono, constant bitrate, 44100 Hz out.
#pragma once

#include <cstdint>
#include <vector>

namespace morvel {

class Mp3Encoder {
   public:
    // The APU makes a sample every 40 CPU cycles and a frame lasts 29780.5
    // cycles: 744.5 samples a frame, 44670.75 a second at the 60 frames per
    // second of the picture stream. Taking 744 a frame (44640 Hz) would let
    // the sound fall behind the picture by 2.5 s an hour.
    static constexpr int kInputRate = 44671;
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
