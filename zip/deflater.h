#pragma once
// Member data writers: copy (stored) and zlib raw deflate, streamed in blocks.
//
// Contract: both read exactly `size` bytes from `in` (starting at its position) and append the
// member data at `out`'s position. A source that ends early, or a short write, throws
// platform::E_RAISE 25136; a zlib failure throws E_RAISE 25253 (out of memory) or 25136.
// `afterBlock(bytesReadSoFar)` runs after every block read (progress and pending messages).
// The deflated data equals zlib's raw deflate (windowBits -15, memLevel 8, default strategy)
// of the bytes at `level`, except when the store fallback (blockcost.h) decides to store.
#include <cstdint>
#include <functional>

namespace zip {

class FileStream;

struct MemberData {
    std::uint32_t crc32 = 0;
    std::uint64_t compressedSize = 0;
    bool stored = false;  // written without deflate framing
};

using BlockCallback = std::function<void(std::uint64_t bytesRead)>;

constexpr std::size_t kStoreBlockSize = 32768;
constexpr std::size_t kDeflateBlockSize = 65536;

MemberData storeMember(FileStream& in, std::uint64_t size, FileStream& out, const BlockCallback& afterBlock);

MemberData deflateMember(FileStream& in, std::uint64_t size, FileStream& out, int level,
                         const BlockCallback& afterBlock);

}  // namespace zip
