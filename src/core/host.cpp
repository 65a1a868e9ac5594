#include "core/host.h"

#include <cstdio>

namespace morvel {

namespace {
void ReportOnStderr(const char* text) {
    std::fprintf(stderr, "Error: %s\n", text);
}
}  // namespace

ErrorReporter showErrorBox = ReportOnStderr;

}  // namespace morvel
