// Stand-in until save states exist: nothing is captured or written, and every
// call reports failure so the front end shows no success message.
#include "core/save_state.h"

namespace morvel {

uint32_t statesDirty = 0;

int SaveStateSlot(uint32_t) {
    return 0;
}
int LoadStateSlot(uint32_t) {
    return 0;
}
int WriteStateFile() {
    return 0;
}
int ReadStateFile() {
    return 0;
}
void SetStateFileName(const char*) {}

}  // namespace morvel
