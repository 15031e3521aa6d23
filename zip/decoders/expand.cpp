// Methods 2 to 5 (reduce with compression factor 1 to 4): follower-set byte coding, then an
// expander of DLE-introduced runs that copy earlier output.
#include <array>

#include "zip/decoders/legacy_decoder.h"

namespace zip {
namespace {

constexpr std::uint8_t kDle = 144;
constexpr int kSetCount = 256;
constexpr int kMaxFollowers = 63;  // a 6-bit count

// Bits that index a follower set of n entries: enough for n - 1, and at least one.
unsigned indexBits(unsigned n) {
    unsigned bits = 1;
    while ((1u << bits) < n) ++bits;
    return bits;
}

class ExpandDecoder : public detail::LegacyDecoder {
public:
    ExpandDecoder(int factor, std::uint64_t limit, OutputSink& sink)
        : LegacyDecoder(limit, sink), factor_(factor), maxLength_((1u << (8 - factor)) - 1) {}

private:
    struct FollowerSet {
        std::uint8_t count = 0;
        std::array<std::uint8_t, kMaxFollowers> bytes{};
    };

    detail::Step step() override {
        if (setsRead_ < kSetCount) return readFollowerSet();
        const int byte = nextByte();
        if (in_.overrun()) return detail::Step::Ended;
        if (byte < 0) return corrupt(kMsgBadBlock);
        expand(static_cast<std::uint8_t>(byte));
        return detail::Step::Ok;
    }

    // The sets are stored from S(255) down to S(0).
    detail::Step readFollowerSet() {
        FollowerSet& set = sets_[kSetCount - 1 - setsRead_];
        set.count = static_cast<std::uint8_t>(in_.get(6));
        for (unsigned i = 0; i < set.count; ++i) set.bytes[i] = static_cast<std::uint8_t>(in_.get(8));
        if (in_.overrun()) return detail::Step::Ended;
        ++setsRead_;
        return detail::Step::Ok;
    }

    // Stage one: the next byte through the follower set of the previous one; -1 for an index
    // outside the set.
    int nextByte() {
        const FollowerSet& set = sets_[last_];
        std::uint8_t byte;
        if (set.count == 0 || in_.get(1) == 1) {
            byte = static_cast<std::uint8_t>(in_.get(8));
        } else {
            const std::uint32_t index = in_.get(indexBits(set.count));
            if (index >= set.count) return -1;
            byte = set.bytes[index];
        }
        last_ = byte;
        return byte;
    }

    // Stage two: DLE runs.
    void expand(std::uint8_t byte) {
        switch (state_) {
            case 0:
                if (byte == kDle) {
                    state_ = 1;
                } else {
                    put(byte);
                }
                break;
            case 1:
                if (byte == 0) {
                    put(kDle);
                    state_ = 0;
                } else {
                    code_ = byte;
                    length_ = byte & maxLength_;
                    state_ = length_ == maxLength_ ? 2 : 3;
                }
                break;
            case 2:
                length_ += byte;
                state_ = 3;
                break;
            default: {
                const std::uint64_t distance = (static_cast<std::uint64_t>(code_ >> (8 - factor_)) << 8) + byte + 1;
                copy(distance, length_ + 3);
                state_ = 0;
                break;
            }
        }
    }

    const int factor_;
    const unsigned maxLength_;
    std::array<FollowerSet, kSetCount> sets_{};
    int setsRead_ = 0;
    std::uint8_t last_ = 0;
    int state_ = 0;
    std::uint8_t code_ = 0;
    unsigned length_ = 0;
};

}  // namespace

std::unique_ptr<Decoder> makeExpandDecoder(int factor, std::uint64_t limit, OutputSink& sink) {
    return std::unique_ptr<Decoder>(new ExpandDecoder(factor, limit, sink));
}

}  // namespace zip
