#pragma once
// Building blocks of the legacy decoders (shrink, reduce, implode): a bit reader over the blocks
// fed so far, least significant bit first, and a sliding output window that flushes in blocks.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "zip/decoders/decoder.h"

namespace zip::detail {

// Reads bits LSB first from the bytes appended so far. Reading past the end yields zero bits and
// sets the sticky overrun flag; a decoder checks it once after each step.
class BitInput {
public:
    // Adds a block of input, dropping the bytes already consumed.
    void append(std::span<const std::uint8_t> block) {
        buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(position_));
        position_ = 0;
        buffer_.insert(buffer_.end(), block.begin(), block.end());
    }

    std::uint64_t availableBits() const { return count_ + 8 * static_cast<std::uint64_t>(buffer_.size() - position_); }
    bool overrun() const { return overrun_; }

    // The next n bits (n <= 32) without consuming them, zero-padded past the end.
    std::uint32_t peek(unsigned n) {
        refill();
        return static_cast<std::uint32_t>(bits_ & ((std::uint64_t{1} << n) - 1));
    }

    void skip(unsigned n) {
        refill();
        if (n > count_) {
            overrun_ = true;
            bits_ = 0;
            count_ = 0;
            return;
        }
        bits_ >>= n;
        count_ -= n;
    }

    std::uint32_t get(unsigned n) {
        const std::uint32_t value = peek(n);
        skip(n);
        return value;
    }

private:
    void refill() {
        while (count_ <= 56 && position_ < buffer_.size()) {
            bits_ |= std::uint64_t{buffer_[position_++]} << count_;
            count_ += 8;
        }
    }

    std::vector<std::uint8_t> buffer_;
    std::size_t position_ = 0;
    std::uint64_t bits_ = 0;
    unsigned count_ = 0;
    bool overrun_ = false;
};

// A decoder that produces its output into a sliding window. Copies may reach back up to
// kWindowSize - kOutputBlock bytes; a copy from before the start of the output reads zeros.
class WindowDecoder : public Decoder {
protected:
    static constexpr std::size_t kWindowSize = 65536;

    WindowDecoder(std::uint64_t limit, OutputSink& sink)
        : Decoder(limit, sink), limit_(limit), window_(kWindowSize) {}

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
            const std::size_t size = static_cast<std::size_t>(
                std::min<std::uint64_t>(total_ - flushed_, kWindowSize - start));
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

namespace zip::detail {

// Outcome of one decoding step of a legacy decoder.
enum class Step { Ok, Ended, Corrupt };

// Drives a legacy method: steps run while the input holds enough bits for the largest step (or
// the input is final), until the declared size is produced or the input runs out. None of these
// methods has an end marker.
class LegacyDecoder : public WindowDecoder {
public:
    DecodeStatus feed(std::span<const std::uint8_t> input, bool last) final {
        if (status_ != DecodeStatus::NeedInput) return status_;
        in_.append(input);
        while (!atLimit()) {
            if (!last && in_.availableBits() < kMaxStepBits) {
                flush();
                return DecodeStatus::NeedInput;
            }
            if (in_.availableBits() == 0) break;
            const Step result = step();
            if (result == Step::Corrupt) {
                flush();
                return status_ = DecodeStatus::Error;
            }
            if (result == Step::Ended || in_.overrun()) break;
        }
        flush();
        return status_ = DecodeStatus::Done;
    }

protected:
    using WindowDecoder::WindowDecoder;

    // Bits that one step may read at most.
    static constexpr std::uint64_t kMaxStepBits = 4096;

    // One unit of work. Reads every bit it needs before it outputs anything, and returns Ended
    // (without output) when the input ran out. On Corrupt it has called fail().
    virtual Step step() = 0;

    Step corrupt(int number) {
        fail(number);
        return Step::Corrupt;
    }

    BitInput in_;

private:
    DecodeStatus status_ = DecodeStatus::NeedInput;
};

}  // namespace zip::detail
