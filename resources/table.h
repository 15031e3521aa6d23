#pragma once
// The table of embedded files that the build generates from the files under resources/.
#include <cstddef>

namespace resources::detail {

struct EmbeddedFile {
    const char* name;  // file name under resources/
    const unsigned char* data;
    std::size_t size;
};

extern const EmbeddedFile kEmbeddedFiles[];
extern const std::size_t kEmbeddedFileCount;

}  // namespace resources::detail
