#include "platform/qt/key_codes.h"

#include <QKeyEvent>

#include "core/host_os.h"
#include "input/dik_codes.h"

namespace morvel::qt {

namespace {

struct QtKeyRow {
    int qtKey;
    uint16_t evdev;
};

// The keys of a US keyboard by their Qt key, with their input event codes.
// clang-format off
constexpr QtKeyRow kQtKeys[] = {
    {Qt::Key_Escape,    1},   // Esc
    {Qt::Key_1,         2},   // digit row
    {Qt::Key_2,         3},
    {Qt::Key_3,         4},
    {Qt::Key_4,         5},
    {Qt::Key_5,         6},
    {Qt::Key_6,         7},
    {Qt::Key_7,         8},
    {Qt::Key_8,         9},
    {Qt::Key_9,        10},
    {Qt::Key_0,        11},
    {Qt::Key_Minus,    12},   // minus
    {Qt::Key_Equal,    13},   // equals
    {Qt::Key_Backspace, 14},  // back space
    {Qt::Key_Tab,      15},   // tab
    {Qt::Key_Q,        16},   // top letter row
    {Qt::Key_W,        17},
    {Qt::Key_E,        18},
    {Qt::Key_R,        19},
    {Qt::Key_T,        20},
    {Qt::Key_Y,        21},
    {Qt::Key_U,        22},
    {Qt::Key_I,        23},
    {Qt::Key_O,        24},
    {Qt::Key_P,        25},
    {Qt::Key_Return,   28},   // Enter on the main keyboard
    {Qt::Key_Control,  29},   // left Ctrl
    {Qt::Key_A,        30},   // middle letter row
    {Qt::Key_S,        31},
    {Qt::Key_D,        32},
    {Qt::Key_F,        33},
    {Qt::Key_G,        34},
    {Qt::Key_H,        35},
    {Qt::Key_J,        36},
    {Qt::Key_K,        37},
    {Qt::Key_L,        38},
    {Qt::Key_Shift,    42},   // left shift
    {Qt::Key_Backslash, 43},  // backslash
    {Qt::Key_Z,        44},   // bottom letter row
    {Qt::Key_X,        45},
    {Qt::Key_C,        46},
    {Qt::Key_V,        47},
    {Qt::Key_B,        48},
    {Qt::Key_N,        49},
    {Qt::Key_M,        50},
    {Qt::Key_Alt,      56},   // left Alt
    {Qt::Key_Space,    57},   // space bar
    {Qt::Key_F1,       59},   // function keys
    {Qt::Key_F2,       60},
    {Qt::Key_F3,       61},
    {Qt::Key_F4,       62},
    {Qt::Key_F5,       63},
    {Qt::Key_F6,       64},
    {Qt::Key_F7,       65},
    {Qt::Key_F8,       66},
    {Qt::Key_F9,       67},
    {Qt::Key_F10,      68},
    {Qt::Key_F11,      87},
    {Qt::Key_F12,      88},
    {Qt::Key_Enter,    96},   // Enter on the keypad
    {Qt::Key_Home,    102},   // the block above the arrows
    {Qt::Key_Up,      103},   // arrows
    {Qt::Key_PageUp,  104},
    {Qt::Key_Left,    105},
    {Qt::Key_Right,   106},
    {Qt::Key_End,     107},
    {Qt::Key_Down,    108},
    {Qt::Key_PageDown, 109},
    {Qt::Key_Insert,  110},
    {Qt::Key_Delete,  111},
};
// clang-format on

}  // namespace

uint16_t EvdevOfQtKey(int qtKey) {
    for (const QtKeyRow& row : kQtKeys)
        if (row.qtKey == qtKey) return row.evdev;
    return 0;
}

int32_t DikOfKeyEvent(const QKeyEvent* event) {
    uint32_t native = event->nativeScanCode();
    if (int32_t dik = os::DikOfNativeScanCode(native); dik >= 0) return dik;
    uint16_t evdev = EvdevOfQtKey(event->key());
    return evdev ? DikFromEvdev(evdev) : -1;
}

}  // namespace morvel::qt
