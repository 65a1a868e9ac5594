// What morvel-headless can write after a run: the screenshot, the nametable
// as text and the memory dump.
#pragma once

#include <string>

namespace morvel {

// The 32 x 30 tiles of the nametable at $2000 as 30 lines of 32 characters:
// tile numbers $20-$7E as those characters, any other as '.'.
std::string ScreenText();

// Writes the 2 KB of CPU RAM followed by the 8 KB of work RAM. Returns 1 on success.
int DumpRam(const char* path);

}  // namespace morvel
