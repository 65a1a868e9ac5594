// The file name of a path: cartridge, state, screenshot and video file names
// are all formed from the part of the cartridge path after its last separator.
#pragma once

#include <string>
#include <string_view>

namespace morvel {

// The part of a path after its last separator. Both '/' and '\' count, so a
// path typed or dropped in the Windows form names the same file as on Windows.
inline std::string FileNameOf(std::string_view path) {
    const size_t cut = path.find_last_of("/\\");
    return std::string(cut == std::string_view::npos ? path : path.substr(cut + 1));
}

}  // namespace morvel
