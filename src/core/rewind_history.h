// The last seconds of play kept for rewinding: after every frame the machine's
// snapshot is compared with the one before, and only the bytes that changed
// are kept, as runs (unchanged count, changed count, the changed bytes XOR
// their old values). Only the newest snapshot is kept whole; each step back
// applies the newest difference to it, so the oldest frames can be dropped at
// any time without a key snapshot to keep. The differences live in one ring
// of bytes sized at 5,000,000 bytes a minute of history: when a stretch of
// play changes more than that, the oldest frames go first.
#pragma once

#include <cstddef>
#include <cstdint>

namespace morvel {

// Bytes of ring per second of history (5,000,000 a minute).
constexpr size_t kRewindBytesPerSecond = 5000000 / 60;
constexpr uint32_t kRewindMaxSeconds = 600;
constexpr uint32_t kRewindSecondsDefault = 60;

// Sets the length of the history in seconds (0 turns it off, at most
// kRewindMaxSeconds) and forgets what it held.
void SetRewindSeconds(uint32_t seconds);
uint32_t RewindSeconds();

// Forgets every frame (a new cartridge; the machine no longer continues).
void ClearRewindHistory();

// After a frame: takes the machine's snapshot into the history with the
// buttons the frame read on the two controllers. Nothing when it is off.
void RecordRewindFrame(uint8_t buttons0, uint8_t buttons1);

// The newest snapshot in the history (the machine as the last recorded frame
// left it), or null when nothing is recorded.
const uint8_t* NewestRewindSnapshot();

// Goes one frame back: the newest snapshot becomes the one before it. Fills
// `before` with the snapshot before that one and `buttons` with the buttons
// of the frame between the two, and returns 2, so that the frame can be run
// again to show its picture; returns 1 when the history held no earlier
// snapshot to fill `before` with, 0 when it could not go back.
int StepRewindBack(uint8_t* before, uint8_t buttons[2]);

// What the history holds: frames it can go back, bytes of differences.
uint32_t RewindFrames();
size_t RewindBytes();

// The differences of `size` bytes b against a, as runs, written to out
// (which has room for RewindDifferenceBound(size) bytes); returns their size.
size_t EncodeDifference(const uint8_t* a, const uint8_t* b, size_t size, uint8_t* out);
size_t RewindDifferenceBound(size_t size);
// Applies differences to `target` (XOR: it turns b into a as well as a into b).
void ApplyDifference(const uint8_t* difference, size_t differenceSize, uint8_t* target);

}  // namespace morvel
