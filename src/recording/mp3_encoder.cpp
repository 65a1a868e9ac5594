#include "recording/mp3_encoder.h"

#include <lame/lame.h>

namespace morvel {

namespace {
lame_global_flags* Lame(void* p) {
    return static_cast<lame_global_flags*>(p);
}

// LAME's own bound for the MP3 bytes a call can produce.
size_t OutputRoom(uint32_t samples) {
    return samples + samples / 4 + 7200;
}
}  // namespace

Mp3Encoder::~Mp3Encoder() {
    Close();
}

bool Mp3Encoder::Open(int bitrateKbps) {
    Close();
    lame_global_flags* gf = lame_init();
    if (!gf) return false;
    lame_set_in_samplerate(gf, kInputRate);
    lame_set_out_samplerate(gf, kOutputRate);
    lame_set_VBR(gf, vbr_off);
    lame_set_brate(gf, bitrateKbps);
    lame_set_num_channels(gf, 1);
    lame_set_mode(gf, MONO);
    // The stream goes into AVI chunks: no tag frames before or after it.
    lame_set_bWriteVbrTag(gf, 0);
    lame_set_write_id3tag_automatic(gf, 0);
    if (lame_init_params(gf) < 0 || lame_get_brate(gf) != bitrateKbps ||
        lame_get_out_samplerate(gf) != kOutputRate) {
        lame_close(gf);
        return false;
    }
    lame_ = gf;
    return true;
}

bool Mp3Encoder::Encode(const int16_t* samples, uint32_t count, std::vector<uint8_t>& out) {
    out.clear();
    if (!lame_) return false;
    if (count == 0) return true;
    if (!samples) return false;
    out.resize(OutputRoom(count));
    // Mono: LAME reads the left channel only, but is handed the same buffer
    // for the right one rather than none.
    int n = lame_encode_buffer(Lame(lame_), samples, samples, static_cast<int>(count), out.data(),
                               static_cast<int>(out.size()));
    out.resize(n > 0 ? static_cast<size_t>(n) : 0);
    return n >= 0;
}

bool Mp3Encoder::Flush(std::vector<uint8_t>& out) {
    out.clear();
    if (!lame_) return false;
    out.resize(OutputRoom(0));
    int n = lame_encode_flush(Lame(lame_), out.data(), static_cast<int>(out.size()));
    out.resize(n > 0 ? static_cast<size_t>(n) : 0);
    return n >= 0;
}

void Mp3Encoder::Close() {
    if (lame_) lame_close(Lame(lame_));
    lame_ = nullptr;
}

}  // namespace morvel
