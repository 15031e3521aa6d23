#pragma once
// The sliding output window of the legacy decoders: output goes into the window, copies reach
// back into it, and it flushes to the sink in blocks.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "zip/decoders/decoder.h"

namespace zip::detail {

// A decoder that produces its output into a sliding window. Copies may reach back up to
// kWindowSize - kOutputBlock bytes; a copy from before the start of the output reads zeros.
class WindowDecoder : public Decoder {
protected:
    static constexpr std::size_t kWindowSize = 65536;

    WindowDecoder(std::uint64_t limit, OutputSink& sink) : Decoder(limit, sink), limit_(limit), window_(kWindowSize) {}

    // Adds one byte; false once the limit has been reached (the byte is then dropped).
    bool put(std::uint8_t byte) {
        if (total_ >= limit_) return false;
        window_[total_ & kMask] = byte;
        if (++total_ - flushed_ == kOutputBlock) flush();
        return true;
    }

    std::uint8_t back(std::uint64_t distance) const {
        return distance > total_ ? 0 : window_[(total_ - distance) & kMask];
    }

    // Copies `length` bytes from `distance` back; false once the limit has been reached. The
    // bytes go one by one because source and destination may overlap (a run of one byte).
    bool copy(std::uint64_t distance, std::uint64_t length) {
        const bool complete = length <= limit_ - total_;
        if (!complete) length = limit_ - total_;
        std::uint8_t* const window = window_.data();
        while (length > 0) {
            const std::uint64_t untilFlush = kOutputBlock - (total_ - flushed_);
            const std::uint64_t run = std::min(length, untilFlush);
            for (std::uint64_t i = 0; i < run; ++i, ++total_) {
                window[total_ & kMask] = distance > total_ ? 0 : window[(total_ - distance) & kMask];
            }
            length -= run;
            if (total_ - flushed_ == kOutputBlock) flush();
        }
        return complete && total_ < limit_;
    }

    bool atLimit() const { return total_ >= limit_; }

    // Hands everything not yet passed on to the sink.
    void flush() {
        while (flushed_ < total_) {
            const std::size_t start = flushed_ & kMask;
            const std::size_t size =
                static_cast<std::size_t>(std::min<std::uint64_t>(total_ - flushed_, kWindowSize - start));
            flushed_ += size;
            emit(window_.data() + start, size);
        }
    }

private:
    static constexpr std::uint64_t kMask = kWindowSize - 1;
    std::uint64_t limit_;
    std::vector<std::uint8_t> window_;
    std::uint64_t total_ = 0;
    std::uint64_t flushed_ = 0;
};

}  // namespace zip::detail
