#pragma once
// Progress figures of the archive components as a percentage.
#include <algorithm>
#include <cstdint>

namespace theme {

inline int percentOf(std::uint64_t done, std::uint64_t total) {
    return total == 0 ? 0 : static_cast<int>(std::min(done, total) * 100 / total);
}

}  // namespace theme
