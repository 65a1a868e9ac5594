#include "video/osd.h"

#include <chrono>
#include <thread>

#include "apu/sound_output.h"

namespace morvel {

namespace {
void DrawNothing(const char*) {}
void Sleep(uint32_t milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}
}  // namespace

OsdDrawFunction osdDraw = DrawNothing;
OsdWaitFunction osdWait = Sleep;

void ShowOsdMessage(const char* text, uint32_t waitMs) {
    osdDraw(text);
    if (waitMs) osdWait(waitMs);
}

void ShowOsdMessageQuiet(const char* text) {
    SoundStop();
    ShowOsdMessage(text, 700);
    SoundResume();
}

}  // namespace morvel
