#include "zip/deflater.h"

#include <zlib.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "platform/errors.h"
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

}  // namespace

struct MemberWriter::Zlib {
    z_stream z{};
    int level;
    explicit Zlib(int level) : level(level) {
        if (deflateInit2(&z, level, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK) raise(kMsgOutOfMemory);
    }
    ~Zlib() { deflateEnd(&z); }
    Zlib(const Zlib&) = delete;
    Zlib& operator=(const Zlib&) = delete;
};

MemberWriter::MemberWriter() : input_(kDeflateBlockSize), output_(kDeflateBlockSize) {}

MemberWriter::~MemberWriter() = default;

MemberWriter::Zlib& MemberWriter::zlibAt(int level) {
    if (zlib_ && zlib_->level == level && deflateReset(&zlib_->z) == Z_OK) return *zlib_;
    zlib_.reset();
    zlib_ = std::make_unique<Zlib>(level);
    return *zlib_;
}

// Feeds `input` to the deflater and writes whatever it produces; returns the bytes written.
std::uint64_t MemberWriter::pump(const std::uint8_t* input, std::size_t count, int flush, FileStream& out) {
    z_stream& z = zlib_->z;
    std::uint64_t written = 0;
    z.next_in = const_cast<Bytef*>(input);
    z.avail_in = static_cast<uInt>(count);
    for (;;) {
        z.next_out = output_.data();
        z.avail_out = static_cast<uInt>(output_.size());
        const int status = ::deflate(&z, flush);
        if (status == Z_STREAM_ERROR) raise(kMsgWriteError);
        const std::size_t produced = output_.size() - z.avail_out;
        writeAll(out, output_.data(), produced);
        written += produced;
        if (flush == Z_FINISH ? status == Z_STREAM_END : z.avail_out != 0) break;
    }
    return written;
}

MemberData MemberWriter::store(FileStream& in, std::uint64_t size, FileStream& out, const BlockCallback& afterBlock) {
    MemberData result;
    result.stored = true;
    Crc32 crc;
    std::uint64_t left = size;
    while (left > 0) {
        const std::size_t count = std::size_t(std::min<std::uint64_t>(left, kStoreBlockSize));
        readExactly(in, input_.data(), count, crc);
        writeAll(out, input_.data(), count);
        left -= count;
        if (afterBlock) afterBlock(size - left);
    }
    result.crc32 = crc.value();
    result.compressedSize = size;
    return result;
}

MemberData MemberWriter::deflate(FileStream& in, std::uint64_t size, FileStream& out, int level,
                                 const BlockCallback& afterBlock) {
    MemberData result;
    Crc32 crc;

    if (size <= kMaxFallbackSize) {
        // Small enough to decide the store fallback before anything is written.
        whole_.resize(static_cast<std::size_t>(size));
        readExactly(in, whole_.data(), whole_.size(), crc);
        if (afterBlock) afterBlock(size);
        result.crc32 = crc.value();
        if (storeInsteadOfDeflate(whole_, level, parse_)) {
            writeAll(out, whole_.data(), whole_.size());
            result.compressedSize = size;
            result.stored = true;
            return result;
        }
        zlibAt(level);
        result.compressedSize = pump(whole_.data(), whole_.size(), Z_FINISH, out);
        return result;
    }

    zlibAt(level);
    std::uint64_t left = size;
    while (left > 0) {
        const std::size_t count = std::size_t(std::min<std::uint64_t>(left, input_.size()));
        readExactly(in, input_.data(), count, crc);
        result.compressedSize += pump(input_.data(), count, Z_NO_FLUSH, out);
        left -= count;
        if (afterBlock) afterBlock(size - left);
    }
    result.compressedSize += pump(nullptr, 0, Z_FINISH, out);
    result.crc32 = crc.value();
    return result;
}

}  // namespace zip
