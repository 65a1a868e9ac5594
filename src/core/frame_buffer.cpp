#include "core/frame_buffer.h"

namespace morvel {

alignas(64) uint32_t frameBuffer[kFrameWidth * kFrameHeight];
uint32_t* pixelCursor = frameBuffer;

namespace {
void PresentNothing() {}
}  // namespace

PresentFunction presentFunction = PresentNothing;

}  // namespace morvel
