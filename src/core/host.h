// Everything the core asks of the program that hosts it, in one place. Three
// hosts fill these hooks: the desktop program (Qt window and dialogs, SDL
// sound and game pads, src/platform/qt and src/platform/sdl), morvel-headless
// (src/platform/headless and src/app) and the tests. Each hook starts with a
// default that does nothing harmful, so a host fills only what it has; the
// defaults are defined beside the code that calls the hook.
#pragma once

#include <cstdint>
#include <string>

namespace morvel {

// ---------------------------------------------------------------------------
// Failures the user must see

// Shows a failure the user must see: a message box with the caption "Error"
// and the error icon in the desktop program, a line on stderr in the headless
// tool. The default writes to stderr. Filled by: desktop; tests that check
// the text.
using ErrorReporter = void (*)(const char* text);
extern ErrorReporter showErrorBox;

// ---------------------------------------------------------------------------
// The window and its dialogs (front end)

// What the window system does for the front end. Filled by: desktop. The
// default does nothing and the open dialog is always cancelled, which is
// what morvel-headless and the tests run with.
struct WindowHost {
    void (*showRomBrowser)();  // show it and give its list the focus
    void (*hideRomBrowser)();  // hide it and give the main window the focus
    void (*repaint)();         // repaint the window (no cartridge: the browser)
    void (*updateMenus)();     // refresh every action's enabled and checked state
    // The open dialog; 1 with the chosen path, 0 when cancelled.
    int (*chooseRomFile)(std::string& path);
    void (*closeWindow)();
    void (*showRomList)();  // the browser shows romList as it now is
};
extern WindowHost windowHost;  // defined in frontend/front_end.cpp

// The windows the volume and input commands open. Filled by: desktop. The
// default opens nothing and reports the volume popup closed.
struct DialogHost {
    void (*openVolumePopup)();  // at the mouse pointer
    int (*volumePopupOpen)();   // 1 while it is open
    void (*keyboardDialog)();   // modal: returns when the dialog is closed
    void (*joypadDialog)();     // modal, likewise
};
extern DialogHost dialogHost;  // defined in frontend/commands.cpp

// ---------------------------------------------------------------------------
// The picture

// One picture handed to the display: a surface of width x height pixels
// (0x00RRGGBB, width per row) of which rows top .. top + rows - 1 are shown,
// stretched over the client area (or the whole screen in full screen).
struct PresentedPicture {
    const uint32_t* pixels;
    int32_t width;
    int32_t height;
    int32_t top;
    int32_t rows;
    int32_t smooth;  // 1: linear filtering; 0: nearest pixel, an exact enlargement
    // Not null when pixels is the Scale2x of this surface (width / 2 per
    // row), made only when PicturePixels (video/presentation.h) is asked:
    // a display that doubles and filters rows as it draws reads this.
    const uint32_t* doubledFrom;
};

// What the window system does for the video output. Filled by: desktop. The
// default shows nothing; morvel-headless and the tests read the last picture
// through LastPresentedPicture (video/presentation.h) instead.
struct VideoHost {
    void (*resizeClient)(int32_t width, int32_t height);  // logical pixels, window not moved
    void (*show)(const PresentedPicture& picture);        // paint it now
    void (*enterFullScreen)();  // remember the window, then cover the screen
    void (*leaveFullScreen)();  // back to the remembered window
    void (*releasePicture)();   // forget the last picture; nothing is shown
    void (*updateSizeMenu)();
};
extern VideoHost videoHost;  // defined in video/presentation.cpp

// On-screen messages (video/osd.h): the host draws the box with the text and
// makes it visible before returning. Filled by: desktop; tests that check the
// text. The default draws nothing.
using OsdDrawFunction = void (*)(const char* text);
extern OsdDrawFunction osdDraw;  // defined in video/osd.cpp

// How the caller of an on-screen message waits while it is read. The default
// sleeps, as the desktop program wants; tests set one that returns at once.
using OsdWaitFunction = void (*)(uint32_t milliseconds);
extern OsdWaitFunction osdWait;  // defined in video/osd.cpp

// ---------------------------------------------------------------------------
// The sound buffer
//
// The looping sound buffer is a ring of bytes (mono 16-bit little-endian
// PCM) that the host's audio output plays in a loop from the moment `play` is
// called, at the sample rate last given to `setFrequency`. The core writes
// ahead of the play cursor through `lock`/`unlock` and paces the machine by
// polling the cursor (see apu/sound_output.h). All calls come from the thread
// that runs the frames; an implementation that plays from another thread (an
// audio callback) guards the bytes and the cursor itself.
//
// Results: kSoundOk, kSoundFailed, or kSoundLost when the device lost the
// buffer; after kSoundLost the core calls `restore` and retries once.

enum SoundResult : int32_t {
    kSoundFailed = 0,
    kSoundOk = 1,
    kSoundLost = 2,
};

// A writable span of the ring buffer.
struct SoundRegion {
    uint8_t* data;
    uint32_t bytes;
};

struct SoundBufferInterface {
    // Creates the ring of `bufferBytes` bytes for 16-bit mono samples at
    // `sampleRate`, filled with zeros, stopped, with its play cursor at 0.
    SoundResult (*create)(uint32_t bufferBytes, uint32_t sampleRate);
    // Stops playback (if any) and frees the ring.
    void (*release)();
    // Starts playing in a loop from the current play cursor.
    SoundResult (*play)();
    // Stops playing; the play cursor keeps its place.
    void (*stop)();
    // Makes a lost buffer usable again.
    SoundResult (*restore)();
    // The byte offset in the ring that plays next. An output may hold it where
    // the last write ended when it has played everything written, rather than
    // play on into older samples (the SDL output does); a write of the whole
    // ring is a clear, after which nothing counts as written.
    uint32_t (*playCursor)();
    // Sets the rate, in samples per second, at which the ring is consumed.
    void (*setFrequency)(uint32_t samplesPerSecond);
    // Gives write access to `bytes` bytes from `offset` (both within the
    // ring): `first` runs from offset to at most the ring's end, `second`
    // (empty unless the span wraps) from the ring's start.
    SoundResult (*lock)(uint32_t offset, uint32_t bytes, SoundRegion& first, SoundRegion& second);
    // Ends the write access given by `lock`.
    void (*unlock)(const SoundRegion& first, const SoundRegion& second);
};

// The buffer the sound output opens at start-up; the host sets it before
// SoundInit. Filled by: desktop (the SDL2 output), morvel-headless (the
// never-blocking buffer), tests (a fake ring). The default is null: no sound
// output opens.
extern const SoundBufferInterface* soundBackend;  // defined in apu/sound_output.cpp

// Sees every frame's samples as SoundSync hands them to the buffer. Filled
// by: morvel-headless (its WAV capture). The default is null, for none.
using SampleTap = void (*)(const int16_t* samples, uint32_t count);
extern SampleTap soundSampleTap;  // defined in apu/sound_output.cpp

// ---------------------------------------------------------------------------
// The controllers

// Returns the NES button byte (input/button_source.h) held on controller
// port 0 or 1; asked when the game latches the controllers through $4016.
// Filled by: desktop (the keyboard and game pads, through InitControllers),
// morvel-headless (its script), tests (their own buttons). The default
// presses nothing.
using ButtonSource = uint8_t (*)(int port);
extern ButtonSource buttonSource;  // defined in input/button_source.cpp

constexpr int32_t kJoypadButtons = 128;
// The hat's value when it is not pushed in any direction.
constexpr uint32_t kPovCentred = 0xFFFFFFFF;
// The axes' value at rest.
constexpr int32_t kAxisCentre = 32768;

// A game pad read in the shape of a DirectInput joystick.
struct JoypadState {
    int32_t x;                        // 0 left .. 65535 right
    int32_t y;                        // 0 up .. 65535 down
    uint32_t pov;                     // clockwise from up in hundredths of a degree, or centred
    uint8_t buttons[kJoypadButtons];  // bit 7 set while pressed
};

// What the host's game-pad layer does for the slots it fills
// (input/joypad.h). Filled by: desktop (SDL game controllers); tests (fake
// pads). The default reads no device and releases nothing.
struct JoypadDriver {
    // Brings the state of the slot's device up to date; returns 0 when the
    // device can no longer be read (it was unplugged).
    int32_t (*read)(int32_t slot, JoypadState* state);
    // Lets go of the slot's device.
    void (*release)(int32_t slot);
};
extern JoypadDriver joypadDriver;  // defined in input/joypad.cpp

// The keyboard has no hook: the window calls SetKeyDown (input/keyboard.h)
// on every key event.

// ---------------------------------------------------------------------------
// The video recorder

// With wait set, a hand-off waits for the worker to take the previous frame
// instead of dropping the new one: for hosts with no real-time pace. Set by:
// morvel-headless (unless it runs in real time); tests. The default drops
// frames, as the desktop program wants.
void SetRecorderWaitsForWorker(bool wait);  // defined in recording/video_recorder.cpp

}  // namespace morvel
