#pragma once
// The bit reader of the legacy decoders (shrink, reduce, implode): reads the blocks fed so far,
// least significant bit first.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

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

}  // namespace zip::detail
