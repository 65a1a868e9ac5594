// Cleaning up after a write that failed half way.
#pragma once

namespace morvel {

// Removes what a failed write left at path, but only a regular file: a path
// such as /dev/full is a device the program must never delete.
void RemovePartialFile(const char* path);

}  // namespace morvel
