// Method 8: a raw RFC 1951 stream, inflated with zlib.
#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "zip/decoders/decoder.h"
#include "zip/decoders/inflate_errors.h"

namespace zip {
namespace {

class InflateDecoder : public Decoder {
public:
    InflateDecoder(std::uint64_t limit, OutputSink& sink) : Decoder(limit, sink), out_(kOutputBlock) {
        std::memset(&stream_, 0, sizeof stream_);
        ready_ = inflateInit2(&stream_, -MAX_WBITS) == Z_OK;
    }
    ~InflateDecoder() override {
        if (ready_) inflateEnd(&stream_);
    }

    DecodeStatus feed(std::span<const std::uint8_t> input, bool last) override {
        if (!ready_) return fail(kMsgOutOfMemory);
        if (status_ != DecodeStatus::NeedInput) return status_;
        stream_.next_in = const_cast<Bytef*>(input.data());
        stream_.avail_in = static_cast<uInt>(input.size());
        status_ = full() ? probeSurplus(last) : inflateBlock(last);
        return status_;
    }

private:
    // Inflates the given input into the output buffer until it is used up or the stream ends.
    DecodeStatus inflateBlock(bool last) {
        while (true) {
            const auto room = static_cast<uInt>(std::min<std::uint64_t>(kOutputBlock, remaining()));
            stream_.next_out = out_.data();
            stream_.avail_out = room;
            const int result = inflate(&stream_, Z_NO_FLUSH);
            const std::size_t made = room - stream_.avail_out;
            if (made > 0) emit(out_.data(), made);
            if (result == Z_STREAM_END) return DecodeStatus::Done;
            if (result != Z_OK && result != Z_BUF_ERROR) return fail(messageForZlibError(result, stream_.msg));
            if (full()) return probeSurplus(last);
            if (stream_.avail_in == 0 && stream_.avail_out != 0) {
                return last ? DecodeStatus::Done : DecodeStatus::NeedInput;
            }
        }
    }

    // The declared size has been produced: one more byte of output means the data is longer.
    DecodeStatus probeSurplus(bool last) {
        std::uint8_t extra;
        stream_.next_out = &extra;
        stream_.avail_out = 1;
        const int result = inflate(&stream_, Z_NO_FLUSH);
        if (stream_.avail_out == 0) {
            noteSurplus();
            return DecodeStatus::Done;
        }
        if (result == Z_OK || result == Z_BUF_ERROR) return last ? DecodeStatus::Done : DecodeStatus::NeedInput;
        return DecodeStatus::Done;
    }

    z_stream stream_;
    bool ready_ = false;
    std::vector<std::uint8_t> out_;
    DecodeStatus status_ = DecodeStatus::NeedInput;
};

}  // namespace

std::unique_ptr<Decoder> makeInflateDecoder(std::uint64_t limit, OutputSink& sink) {
    return std::unique_ptr<Decoder>(new InflateDecoder(limit, sink));
}

}  // namespace zip
