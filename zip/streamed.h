#pragma once
// Members written by a streaming writer (general purpose bit 3): their local header carries no
// sizes, and a data descriptor follows the data. Without a central directory the reader finds
// where such a member ends from the data itself.
#include <cstdint>
#include <optional>

#include "zip/layout.h"

namespace zip {

class FileStream;

// Where the streamed member whose data starts at `dataStart` ends. Deflated data is inflated to
// the end of its stream, and the descriptor there must match the CRC-32 and sizes found. Other
// data is delimited by the first descriptor that matches its size (and, unless encrypted, the
// CRC-32 of the bytes before it). Nothing when no such end lies before `archiveEnd`.
std::optional<DataDescriptor> delimitStreamedMember(FileStream& archive, std::uint64_t dataStart,
                                                    std::uint64_t archiveEnd, std::uint16_t method, bool encrypted,
                                                    bool zip64);

}  // namespace zip
