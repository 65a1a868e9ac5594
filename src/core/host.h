// The few things the core asks of whichever program hosts it.
#pragma once

namespace morvel {

// Shows a failure the user must see: a message box with the caption "Error"
// and the error icon in the desktop program, a line on stderr in the headless
// tool. The default writes to stderr.
using ErrorReporter = void (*)(const char* text);
extern ErrorReporter showErrorBox;

}  // namespace morvel
