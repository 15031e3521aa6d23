#pragma once
// The store fallback of the deflater: whether a member's bytes are better stored than deflated.
//
// zlib does not report its block decisions, so the costs are computed here from our own LZ77
// parse with the level's match parameters: a file is one block when the parse yields at most
// kMaxBlockSymbols literals and matches; it is stored when its stored size is no larger than its
// cost with its own dynamic Huffman codes and that cost is smaller than its cost with the fixed
// codes. A file larger than kMaxFallbackSize can never satisfy this (see the .cpp) and is not
// examined, so callers only hold small files in memory.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace zip {

constexpr std::size_t kMaxBlockSymbols = 32767;
constexpr std::size_t kMaxFallbackSize = 200000;

struct BlockCost {
    std::size_t symbols = 0;        // literals and matches of the parse
    std::uint64_t storedBytes = 0;  // file size plus the stored block's length fields
    std::uint64_t dynamicBytes = 0;
    std::uint64_t fixedBytes = 0;
};

// Working memory of the parse (hash heads and chains). A caller that examines many files keeps
// one and passes it each time, so the memory is allocated once.
struct ParseMemory {
    std::vector<std::int32_t> head, prev;
};

// Costs of `data` as one deflate block at `level` (1..9). Data above kMaxFallbackSize is not
// parsed: it reports more than kMaxBlockSymbols symbols and no sizes.
BlockCost blockCost(std::span<const std::uint8_t> data, int level, ParseMemory& memory);
BlockCost blockCost(std::span<const std::uint8_t> data, int level);

// The fallback rule above.
bool storeInsteadOfDeflate(std::span<const std::uint8_t> data, int level, ParseMemory& memory);

}  // namespace zip
