#include "zip/streamed.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "zip/component.h"
#include "zip/stream.h"

namespace zip {
namespace {

constexpr std::size_t kBlock = TReadWriteObj::kBlockSize;
constexpr std::size_t kLongestDescriptor = 24;

std::vector<std::uint8_t> readAt(FileStream& in, std::uint64_t offset, std::size_t count) {
    std::vector<std::uint8_t> buffer(count);
    buffer.resize(in.readAt(offset, buffer.data(), count));
    return buffer;
}

// Inflates the deflate stream at `dataStart` to its end; then the descriptor must follow.
std::optional<DataDescriptor> delimitDeflated(FileStream& archive, std::uint64_t dataStart, std::uint64_t archiveEnd,
                                              bool zip64) {
    z_stream stream;
    std::memset(&stream, 0, sizeof stream);
    if (inflateInit2(&stream, -MAX_WBITS) != Z_OK) return std::nullopt;
    std::vector<std::uint8_t> input(kBlock), output(kBlock);
    std::uint64_t position = dataStart;
    std::uint64_t consumed = 0;
    Crc32 crc;
    int result = Z_OK;
    while (result == Z_OK && position < archiveEnd) {
        const std::size_t got = archive.readAt(position, input.data(), input.size());
        if (got == 0) break;
        position += got;
        stream.next_in = input.data();
        stream.avail_in = static_cast<uInt>(got);
        do {
            stream.next_out = output.data();
            stream.avail_out = static_cast<uInt>(output.size());
            result = inflate(&stream, Z_NO_FLUSH);
            crc.update(output.data(), output.size() - stream.avail_out);
        } while (result == Z_OK && (stream.avail_in > 0 || stream.avail_out == 0));
        if (result == Z_BUF_ERROR) result = Z_OK;  // the block was used up
        consumed += got - stream.avail_in;
    }
    const std::uint64_t produced = stream.total_out;
    inflateEnd(&stream);
    if (result != Z_STREAM_END) return std::nullopt;
    const auto tail = readAt(archive, dataStart + consumed, kLongestDescriptor);
    return matchDataDescriptor(tail, {crc.value(), consumed, produced, zip64});
}

// Scans forward for the first descriptor that closes the data before it.
std::optional<DataDescriptor> delimitByDescriptor(FileStream& archive, std::uint64_t dataStart,
                                                  std::uint64_t archiveEnd, bool checkCrc, bool zip64) {
    std::vector<std::uint8_t> window;
    Crc32 before;  // CRC-32 of the data up to the current block
    for (std::uint64_t blockStart = dataStart; blockStart < archiveEnd; blockStart += kBlock) {
        window = readAt(archive, blockStart, kBlock + kLongestDescriptor);
        if (window.empty()) break;
        const std::size_t candidates = std::min(window.size(), kBlock);
        for (std::size_t p = 0; p < candidates; ++p) {
            const std::uint64_t length = blockStart - dataStart + p;
            // Cheap test first: a size field equal to the length must stand at +4 or +8.
            const std::uint8_t* q = window.data() + p;
            const std::size_t left = window.size() - p;
            auto sizeAt = [&](std::size_t o) {
                return left >= o + 4 && (q[o] | (q[o + 1] << 8) | (q[o + 2] << 16) | (std::uint32_t(q[o + 3]) << 24)) ==
                                            static_cast<std::uint32_t>(length);
            };
            if (!sizeAt(4) && !sizeAt(8)) continue;
            DescriptorExpectation expected{std::nullopt, length, std::nullopt, zip64};
            if (checkCrc) {
                Crc32 crc = before;
                crc.update(window.data(), p);
                expected.crc32 = crc.value();
                expected.uncompressed = length;
            }
            if (auto d = matchDataDescriptor(std::span(window).subspan(p), expected)) return d;
        }
        before.update(window.data(), candidates);
        if (window.size() <= kBlock) break;
    }
    return std::nullopt;
}

}  // namespace

std::optional<DataDescriptor> delimitStreamedMember(FileStream& archive, std::uint64_t dataStart,
                                                    std::uint64_t archiveEnd, std::uint16_t method, bool encrypted,
                                                    bool zip64) {
    if (method == kMethodDeflated && !encrypted) return delimitDeflated(archive, dataStart, archiveEnd, zip64);
    return delimitByDescriptor(archive, dataStart, archiveEnd, method == kMethodStored && !encrypted, zip64);
}

}  // namespace zip
