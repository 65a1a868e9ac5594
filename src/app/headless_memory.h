// The process's resident memory, for long runs that must not grow.
#pragma once

namespace morvel {

// Resident set size in KB from /proc/self/statm, or -1 when it cannot be read.
long ResidentKilobytes();

}  // namespace morvel
