#include "video/partial_file.h"

#include <filesystem>

namespace morvel {

void RemovePartialFile(const char* path) {
    std::error_code ignored;
    if (std::filesystem::is_regular_file(path, ignored)) std::filesystem::remove(path, ignored);
}

}  // namespace morvel
