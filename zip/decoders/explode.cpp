// Method 6 (implode): a 4 or 8 KiB sliding dictionary with Shannon-Fano coded lengths,
// distances and (optionally) literals.
#include <algorithm>
#include <array>
#include <numeric>
#include <vector>

#include "zip/decoders/bitstream.h"
#include "zip/decoders/legacy_decoder.h"

namespace zip {
namespace {

constexpr unsigned kMaxCodeBits = 16;
constexpr std::size_t kTableSize = std::size_t{1} << kMaxCodeBits;
constexpr unsigned kLongLength = 63;  // a length symbol that takes 8 more bits

// A Shannon-Fano decoding table: the next 16 input bits index the symbol and its code length.
class ShannonFanoTree {
public:
    // Builds the codes from the code lengths (1 to 16). False when they do not form a complete
    // prefix code.
    bool build(const std::vector<std::uint8_t>& lengths) {
        std::vector<std::size_t> order(lengths.size());
        std::iota(order.begin(), order.end(), 0);
        std::stable_sort(order.begin(), order.end(),
                         [&](std::size_t a, std::size_t b) { return lengths[a] < lengths[b]; });

        std::uint64_t kraft = 0;
        for (const std::uint8_t length : lengths) kraft += std::uint64_t{1} << (kMaxCodeBits - length);
        if (kraft != kTableSize) return false;

        table_.assign(kTableSize, 0);
        std::uint32_t code = 0;
        std::uint32_t increment = 0;
        unsigned lastLength = 0;
        for (std::size_t i = order.size(); i-- > 0;) {
            const std::size_t symbol = order[i];
            const unsigned length = lengths[symbol];
            code += increment;
            if (length != lastLength) {
                lastLength = length;
                increment = 1u << (kMaxCodeBits - length);
            }
            const std::uint32_t reversed = reverse(code >> (kMaxCodeBits - length), length);
            for (std::size_t slot = reversed; slot < kTableSize; slot += std::size_t{1} << length) {
                table_[slot] = static_cast<std::uint16_t>(symbol | (length << 8));
            }
        }
        return true;
    }

    unsigned decode(detail::BitInput& in) const {
        const std::uint16_t entry = table_[in.peek(kMaxCodeBits)];
        in.skip(entry >> 8);
        return entry & 0xFF;
    }

private:
    static std::uint32_t reverse(std::uint32_t value, unsigned bits) {
        std::uint32_t result = 0;
        for (unsigned i = 0; i < bits; ++i) result |= ((value >> i) & 1u) << (bits - 1 - i);
        return result;
    }

    std::vector<std::uint16_t> table_;
};

class ExplodeDecoder : public detail::LegacyDecoder {
public:
    ExplodeDecoder(bool bigWindow, bool literalTree, std::uint64_t limit, OutputSink& sink)
        : LegacyDecoder(limit, sink),
          distanceLowBits_(bigWindow ? 7 : 6),
          hasLiteralTree_(literalTree),
          minimumMatch_(literalTree ? 3 : 2) {}

private:
    detail::Step step() override {
        if (treesRead_ == 0) return hasLiteralTree_ ? readTree(literal_, 256) : skipLiteralTree();
        if (treesRead_ == 1) return readTree(length_, 64);
        if (treesRead_ == 2) return readTree(distance_, 64);
        return in_.get(1) == 1 ? literal() : match();
    }

    detail::Step skipLiteralTree() {
        treesRead_ = 1;
        return detail::Step::Ok;
    }

    // A stored tree: one byte holding the number of following bytes minus one; each following
    // byte gives (high nibble + 1) codes of bit length (low nibble + 1).
    detail::Step readTree(ShannonFanoTree& tree, std::size_t size) {
        const unsigned groups = in_.get(8) + 1;
        std::vector<std::uint8_t> lengths;
        lengths.reserve(size);
        for (unsigned i = 0; i < groups; ++i) {
            const unsigned byte = in_.get(8);
            const unsigned count = (byte >> 4) + 1;
            const auto length = static_cast<std::uint8_t>((byte & 0x0F) + 1);
            if (lengths.size() + count > size) return in_.overrun() ? detail::Step::Ended : corrupt(kMsgAmbiguousTree);
            lengths.insert(lengths.end(), count, length);
        }
        if (in_.overrun()) return detail::Step::Ended;
        if (lengths.size() != size || !tree.build(lengths)) return corrupt(kMsgAmbiguousTree);
        ++treesRead_;
        return detail::Step::Ok;
    }

    detail::Step literal() {
        const unsigned byte = hasLiteralTree_ ? literal_.decode(in_) : in_.get(8);
        if (in_.overrun()) return detail::Step::Ended;
        put(static_cast<std::uint8_t>(byte));
        return detail::Step::Ok;
    }

    detail::Step match() {
        const std::uint32_t low = in_.get(distanceLowBits_);
        const std::uint32_t high = distance_.decode(in_);
        unsigned length = length_.decode(in_);
        if (length == kLongLength) length += in_.get(8);
        if (in_.overrun()) return detail::Step::Ended;
        const std::uint64_t distance = ((std::uint64_t{high} << distanceLowBits_) | low) + 1;
        copy(distance, length + minimumMatch_);
        return detail::Step::Ok;
    }

    const unsigned distanceLowBits_;
    const bool hasLiteralTree_;
    const unsigned minimumMatch_;
    int treesRead_ = 0;
    ShannonFanoTree literal_;
    ShannonFanoTree length_;
    ShannonFanoTree distance_;
};

}  // namespace

std::unique_ptr<Decoder> makeExplodeDecoder(bool bigWindow, bool literalTree, std::uint64_t limit, OutputSink& sink) {
    return std::unique_ptr<Decoder>(new ExplodeDecoder(bigWindow, literalTree, limit, sink));
}

}  // namespace zip
