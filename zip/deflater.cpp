#include "zip/deflater.h"

#include <zlib.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "platform/errors.h"
#include "zip/blockcost.h"
#include "zip/component.h"
#include "zip/records.h"
#include "zip/stream.h"

namespace zip {

namespace {

[[noreturn]] void raise(int number) { throw platform::E_RAISE(number, messageText(number)); }

void writeAll(FileStream& out, const void* data, std::size_t count) {
    if (out.write(data, count) != count) raise(kMsgWriteError);
}

// Reads exactly `count` bytes; a source that ends early is a failed read of the member.
void readExactly(FileStream& in, std::uint8_t* buffer, std::size_t count, Crc32& crc) {
    if (in.read(buffer, count) != count) raise(kMsgWriteError);
    crc.update(buffer, count);
}

struct DeflateStream {
    z_stream z{};
    explicit DeflateStream(int level) {
        if (deflateInit2(&z, level, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK) raise(kMsgOutOfMemory);
    }
    ~DeflateStream() { deflateEnd(&z); }
    DeflateStream(const DeflateStream&) = delete;
    DeflateStream& operator=(const DeflateStream&) = delete;
};

// Feeds `input` to the deflater and writes whatever it produces; returns the bytes written.
std::uint64_t pump(DeflateStream& d, const std::uint8_t* input, std::size_t count, int flush, FileStream& out,
                   std::vector<std::uint8_t>& buffer) {
    std::uint64_t written = 0;
    d.z.next_in = const_cast<Bytef*>(input);
    d.z.avail_in = static_cast<uInt>(count);
    for (;;) {
        d.z.next_out = buffer.data();
        d.z.avail_out = static_cast<uInt>(buffer.size());
        const int status = deflate(&d.z, flush);
        if (status == Z_STREAM_ERROR) raise(kMsgWriteError);
        const std::size_t produced = buffer.size() - d.z.avail_out;
        writeAll(out, buffer.data(), produced);
        written += produced;
        if (flush == Z_FINISH ? status == Z_STREAM_END : d.z.avail_out != 0) break;
    }
    return written;
}

}  // namespace

MemberData storeMember(FileStream& in, std::uint64_t size, FileStream& out, const BlockCallback& afterBlock) {
    MemberData result;
    result.stored = true;
    Crc32 crc;
    std::vector<std::uint8_t> buffer(kStoreBlockSize);
    std::uint64_t left = size;
    while (left > 0) {
        const std::size_t count = std::size_t(std::min<std::uint64_t>(left, buffer.size()));
        readExactly(in, buffer.data(), count, crc);
        writeAll(out, buffer.data(), count);
        left -= count;
        if (afterBlock) afterBlock(size - left);
    }
    result.crc32 = crc.value();
    result.compressedSize = size;
    return result;
}

MemberData deflateMember(FileStream& in, std::uint64_t size, FileStream& out, int level,
                         const BlockCallback& afterBlock) {
    MemberData result;
    Crc32 crc;
    std::vector<std::uint8_t> output(kDeflateBlockSize);

    if (size <= kMaxFallbackSize) {
        // Small enough to decide the store fallback before anything is written.
        std::vector<std::uint8_t> data(static_cast<std::size_t>(size));
        readExactly(in, data.data(), data.size(), crc);
        if (afterBlock) afterBlock(size);
        result.crc32 = crc.value();
        if (storeInsteadOfDeflate(data, level)) {
            writeAll(out, data.data(), data.size());
            result.compressedSize = size;
            result.stored = true;
            return result;
        }
        DeflateStream d(level);
        result.compressedSize = pump(d, data.data(), data.size(), Z_FINISH, out, output);
        return result;
    }

    DeflateStream d(level);
    std::vector<std::uint8_t> input(kDeflateBlockSize);
    std::uint64_t left = size;
    while (left > 0) {
        const std::size_t count = std::size_t(std::min<std::uint64_t>(left, input.size()));
        readExactly(in, input.data(), count, crc);
        result.compressedSize += pump(d, input.data(), count, Z_NO_FLUSH, out, output);
        left -= count;
        if (afterBlock) afterBlock(size - left);
    }
    result.compressedSize += pump(d, nullptr, 0, Z_FINISH, out, output);
    result.crc32 = crc.value();
    return result;
}

}  // namespace zip
