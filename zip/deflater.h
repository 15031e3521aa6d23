#pragma once
// Member data writers: copy (stored) and zlib raw deflate, streamed in blocks.
//
// Contract: store and deflate read exactly `size` bytes from `in` (starting at its position) and
// append the member data at `out`'s position. A source that ends early, or a short write, throws
// platform::E_RAISE 25136; a zlib failure throws E_RAISE 25253 (out of memory) or 25136.
// `afterBlock(bytesReadSoFar)` runs after every block read (progress and pending messages).
// The deflated data equals zlib's raw deflate (windowBits -15, memLevel 8, default strategy)
// of the bytes at `level`, except when the store fallback (blockcost.h) decides to store.
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "zip/blockcost.h"

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

// Writes the data of one member after another. It keeps zlib's deflate state, the buffers and
// the store fallback's working memory from one member to the next, so that a run over many
// small files neither allocates nor clears fresh memory for each of them.
class MemberWriter {
public:
    MemberWriter();
    ~MemberWriter();
    MemberWriter(const MemberWriter&) = delete;
    MemberWriter& operator=(const MemberWriter&) = delete;

    MemberData store(FileStream& in, std::uint64_t size, FileStream& out, const BlockCallback& afterBlock);
    MemberData deflate(FileStream& in, std::uint64_t size, FileStream& out, int level, const BlockCallback& afterBlock);

private:
    struct Zlib;
    Zlib& zlibAt(int level);  // a fresh deflate stream at `level`
    std::uint64_t pump(const std::uint8_t* input, std::size_t count, int flush, FileStream& out);

    std::unique_ptr<Zlib> zlib_;
    std::vector<std::uint8_t> input_, output_;
    std::vector<std::uint8_t> whole_;  // a small member held whole for the store fallback
    ParseMemory parse_;
};

}  // namespace zip
