#include "input/button_source.h"

namespace morvel {

namespace {
uint8_t NothingPressed(int) {
    return 0;
}
}  // namespace

ButtonSource buttonSource = NothingPressed;

}  // namespace morvel
