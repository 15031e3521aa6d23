#include "zip/blockcost.h"

#include <algorithm>
#include <array>
#include <queue>
#include <vector>

namespace zip {

namespace {

// Why kMaxFallbackSize suffices: a one-block file has at most 32 767 symbols, and a symbol costs
// at most 15 + 5 + 15 + 13 bits (length code, its extra bits, distance code, its extra bits), so
// its dynamic cost stays below 400 + 32 767 * 6 bytes < 200 000; a larger file cannot be stored.
static_assert(400 + kMaxBlockSymbols * 6 < kMaxFallbackSize);

constexpr int kMinMatch = 3;
constexpr int kMaxMatch = 258;
constexpr std::size_t kWindowSize = 32768;
constexpr std::size_t kMaxDistance = kWindowSize - (kMaxMatch + kMinMatch + 1);
constexpr std::size_t kTooFar = 4096;  // a length-3 match further back is not worth it
constexpr int kHashBits = 15;

constexpr int kLiteralCodes = 286;  // 0..255 literals, 256 end of block, 257..285 lengths
constexpr int kDistanceCodes = 30;
constexpr int kEndOfBlock = 256;

struct LevelParameters {
    int good, lazy, nice, chain;
    bool lazyEvaluation;
};

// The standard deflate table of match parameters per level.
constexpr std::array<LevelParameters, 10> kLevels = {{
    {0, 0, 0, 0, false},
    {4, 4, 8, 4, false},
    {4, 5, 16, 8, false},
    {4, 6, 32, 32, false},
    {4, 4, 16, 16, true},
    {8, 16, 32, 32, true},
    {8, 16, 128, 128, true},
    {8, 32, 128, 256, true},
    {32, 128, 258, 1024, true},
    {32, 258, 258, 4096, true},
}};

constexpr std::array<int, 29> kLengthBase = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                             31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr std::array<int, 29> kLengthExtra = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                              2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr std::array<int, 30> kDistanceBase = {1,    2,    3,    4,    5,    7,    9,    13,    17,    25,
                                               33,   49,   65,   97,   129,  193,  257,  385,   513,   769,
                                               1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr std::array<int, 30> kDistanceExtra = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                                6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

template <std::size_t N>
int codeFor(const std::array<int, N>& base, int value) {
    int code = 0;
    while (code + 1 < int(N) && base[code + 1] <= value) ++code;
    return code;
}

// Symbol statistics of a parse.
struct Tally {
    std::array<std::uint64_t, kLiteralCodes> literal{};
    std::array<std::uint64_t, kDistanceCodes> distance{};
    std::uint64_t extraBits = 0;
    std::size_t symbols = 0;

    void literalByte(std::uint8_t b) {
        ++literal[b];
        ++symbols;
    }
    void match(int length, std::size_t dist) {
        const int lc = codeFor(kLengthBase, length);
        const int dc = codeFor(kDistanceBase, int(dist));
        ++literal[257 + lc];
        ++distance[dc];
        extraBits += kLengthExtra[lc] + kDistanceExtra[dc];
        ++symbols;
    }
};

// A hash-chain LZ77 parse with the level's parameters, the way a deflater finds its matches.
class Parser {
public:
    // A chain entry is always written when its position is inserted, before it is read, so
    // only the heads need clearing.
    Parser(std::span<const std::uint8_t> data, const LevelParameters& p, ParseMemory& memory)
        : data_(data), p_(p), head_(memory.head), prev_(memory.prev) {
        head_.assign(std::size_t(1) << kHashBits, -1);
        if (prev_.size() < data.size()) prev_.resize(data.size());
    }

    Tally run() {
        if (p_.lazyEvaluation)
            parseLazy();
        else
            parseGreedy();
        ++tally_.literal[kEndOfBlock];
        return tally_;
    }

private:
    bool overBudget() const { return tally_.symbols > kMaxBlockSymbols; }

    // Inserts the string at pos and returns the previous position with the same hash, or -1.
    long insert(std::size_t pos) {
        if (pos + kMinMatch > data_.size()) return -1;
        const std::size_t h = ((std::size_t(data_[pos]) << 10) ^ (std::size_t(data_[pos + 1]) << 5) ^ data_[pos + 2]) &
                              ((std::size_t(1) << kHashBits) - 1);
        const long previous = head_[h];
        prev_[pos] = head_[h];
        head_[h] = std::int32_t(pos);
        return previous;
    }

    // The longest match at cur along the chain from `candidate`; returns its length (at least
    // `bestSoFar`) and sets distance_ when a longer one is found.
    int longestMatch(std::size_t cur, long candidate, int bestSoFar) {
        int chain = p_.chain;
        if (bestSoFar >= p_.good) chain >>= 2;
        const std::size_t available = data_.size() - cur;
        const int maxLength = int(std::min<std::size_t>(kMaxMatch, available));
        const int nice = std::min(p_.nice, maxLength);
        const long limit = cur > kMaxDistance ? long(cur - kMaxDistance) : 0;
        int best = bestSoFar;
        while (candidate >= limit && candidate >= 0 && chain-- > 0) {
            const std::size_t c = std::size_t(candidate);
            candidate = prev_[c];
            // A candidate that differs at the first byte, or where the best match so far ends,
            // cannot be longer than it.
            if (best >= maxLength) break;
            if (data_[c + best] != data_[cur + best] || data_[c] != data_[cur]) continue;
            int length = 1;
            while (length < maxLength && data_[c + length] == data_[cur + length]) ++length;
            if (length > best) {
                best = length;
                distance_ = cur - c;
                if (length >= nice) break;
            }
        }
        return best;
    }

    void parseGreedy() {
        std::size_t pos = 0;
        while (pos < data_.size() && !overBudget()) {
            const long head = insert(pos);
            int length = 0;
            if (head >= 0 && pos - std::size_t(head) <= kMaxDistance) length = longestMatch(pos, head, kMinMatch - 1);
            if (length >= kMinMatch) {
                tally_.match(length, distance_);
                if (length <= p_.lazy)
                    for (std::size_t q = pos + 1; q < pos + length; ++q) insert(q);
                pos += length;
            } else {
                tally_.literalByte(data_[pos]);
                ++pos;
            }
        }
    }

    void parseLazy() {
        int matchLength = kMinMatch - 1;
        std::size_t matchDistance = 0;
        bool available = false;
        std::size_t pos = 0;
        while (pos < data_.size() && !overBudget()) {
            const long head = insert(pos);
            const int prevLength = matchLength;
            const std::size_t prevDistance = matchDistance;
            matchLength = kMinMatch - 1;
            if (head >= 0 && prevLength < p_.lazy && pos - std::size_t(head) <= kMaxDistance) {
                distance_ = 0;
                const int found = longestMatch(pos, head, prevLength);
                if (found > prevLength) {
                    matchLength = found;
                    matchDistance = distance_;
                    if (matchLength == kMinMatch && matchDistance > kTooFar) matchLength = kMinMatch - 1;
                } else {
                    matchLength = found;  // no better than the previous match: it gets emitted
                }
            }
            if (prevLength >= kMinMatch && matchLength <= prevLength) {
                tally_.match(prevLength, prevDistance);
                const std::size_t next = pos - 1 + prevLength;
                for (std::size_t q = pos + 1; q < next; ++q) insert(q);
                available = false;
                matchLength = kMinMatch - 1;
                pos = next;
            } else if (available) {
                tally_.literalByte(data_[pos - 1]);
                ++pos;
            } else {
                available = true;
                ++pos;
            }
        }
        if (available && !overBudget()) tally_.literalByte(data_[pos - 1]);
    }

    std::span<const std::uint8_t> data_;
    LevelParameters p_;
    std::vector<std::int32_t>& head_;
    std::vector<std::int32_t>& prev_;
    std::size_t distance_ = 0;
    Tally tally_;
};

// Huffman code lengths for `freq`, no longer than maxBits. Like the deflater, at least two codes
// get a length so that a tree is always complete.
std::vector<int> codeLengths(std::vector<std::uint64_t> freq, int maxBits) {
    int used = int(std::count_if(freq.begin(), freq.end(), [](std::uint64_t f) { return f > 0; }));
    for (std::size_t i = 0; used < 2 && i < freq.size(); ++i)
        if (freq[i] == 0) {
            freq[i] = 1;
            ++used;
        }
    std::vector<int> lengths(freq.size(), 0);
    for (;;) {
        struct Node {
            std::uint64_t weight;
            int left, right;
        };
        std::vector<Node> nodes;
        using Item = std::pair<std::uint64_t, int>;
        std::priority_queue<Item, std::vector<Item>, std::greater<>> queue;
        for (std::size_t i = 0; i < freq.size(); ++i) {
            if (freq[i] == 0) continue;
            nodes.push_back({freq[i], -1, int(i)});  // a leaf keeps its symbol in `right`
            queue.push({freq[i], int(nodes.size() - 1)});
        }
        while (queue.size() > 1) {
            const auto a = queue.top();
            queue.pop();
            const auto b = queue.top();
            queue.pop();
            nodes.push_back({a.first + b.first, a.second, b.second});
            queue.push({a.first + b.first, int(nodes.size() - 1)});
        }
        int deepest = 0;
        std::vector<std::pair<int, int>> stack = {{queue.top().second, 0}};
        while (!stack.empty()) {
            const auto [id, depth] = stack.back();
            stack.pop_back();
            const Node& node = nodes[id];
            if (node.left < 0) {
                lengths[node.right] = std::max(depth, 1);
                deepest = std::max(deepest, depth);
            } else {
                stack.push_back({node.left, depth + 1});
                stack.push_back({node.right, depth + 1});
            }
        }
        if (deepest <= maxBits) return lengths;
        // Too deep: flatten the frequencies and build again.
        for (auto& f : freq)
            if (f > 0) f = (f + 1) / 2;
    }
}

// Bits of the code-length sequences of both trees, sent with the code-length code.
std::uint64_t treeHeaderBits(const std::vector<int>& literalLengths, const std::vector<int>& distanceLengths) {
    std::vector<std::uint64_t> blFreq(19, 0);
    std::uint64_t extra = 0;
    auto scan = [&](const std::vector<int>& lengths, int count) {
        int prevLength = -1, nextLength = lengths[0], run = 0;
        int maxRun = nextLength == 0 ? 138 : 7, minRun = nextLength == 0 ? 3 : 4;
        for (int n = 0; n < count; ++n) {
            const int current = nextLength;
            nextLength = n + 1 < count ? lengths[n + 1] : -1;
            if (++run < maxRun && current == nextLength) continue;
            if (run < minRun) {
                blFreq[current] += run;
            } else if (current != 0) {
                if (current != prevLength) ++blFreq[current];
                ++blFreq[16];
                extra += 2;
            } else if (run <= 10) {
                ++blFreq[17];
                extra += 3;
            } else {
                ++blFreq[18];
                extra += 7;
            }
            run = 0;
            prevLength = current;
            if (nextLength == 0) {
                maxRun = 138;
                minRun = 3;
            } else if (current == nextLength) {
                maxRun = 6;
                minRun = 3;
            } else {
                maxRun = 7;
                minRun = 4;
            }
        }
    };
    auto lastUsed = [](const std::vector<int>& lengths, int minimum) {
        int last = int(lengths.size());
        while (last > minimum && lengths[last - 1] == 0) --last;
        return last;
    };
    scan(literalLengths, lastUsed(literalLengths, 257));
    scan(distanceLengths, lastUsed(distanceLengths, 1));

    const std::vector<int> blLengths = codeLengths(blFreq, 7);
    static constexpr std::array<int, 19> kOrder = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};
    int sent = 19;
    while (sent > 4 && blLengths[kOrder[sent - 1]] == 0) --sent;
    std::uint64_t bits = 5 + 5 + 4 + 3 * std::uint64_t(sent) + extra;
    for (int i = 0; i < 19; ++i) bits += blFreq[i] * std::uint64_t(blLengths[i]);
    return bits;
}

int fixedLiteralLength(int code) {
    if (code < 144) return 8;
    if (code < 256) return 9;
    if (code < 280) return 7;
    return 8;
}

}  // namespace

BlockCost blockCost(std::span<const std::uint8_t> data, int level) {
    ParseMemory memory;
    return blockCost(data, level, memory);
}

BlockCost blockCost(std::span<const std::uint8_t> data, int level, ParseMemory& memory) {
    BlockCost cost;
    cost.storedBytes = data.size() + 4;
    if (data.size() > kMaxFallbackSize) {
        cost.symbols = kMaxBlockSymbols + 1;  // never one block worth storing; not parsed
        return cost;
    }
    const Tally tally = Parser(data, kLevels[std::clamp(level, 1, 9)], memory).run();
    cost.symbols = tally.symbols;

    const std::vector<int> literalLengths =
        codeLengths(std::vector<std::uint64_t>(tally.literal.begin(), tally.literal.end()), 15);
    const std::vector<int> distanceLengths =
        codeLengths(std::vector<std::uint64_t>(tally.distance.begin(), tally.distance.end()), 15);
    std::uint64_t dynamicBits = 3 + treeHeaderBits(literalLengths, distanceLengths) + tally.extraBits;
    std::uint64_t fixedBits = 3 + tally.extraBits;
    for (int c = 0; c < kLiteralCodes; ++c) {
        dynamicBits += tally.literal[c] * std::uint64_t(literalLengths[c]);
        fixedBits += tally.literal[c] * std::uint64_t(fixedLiteralLength(c));
    }
    for (int c = 0; c < kDistanceCodes; ++c) {
        dynamicBits += tally.distance[c] * std::uint64_t(distanceLengths[c]);
        fixedBits += tally.distance[c] * 5;
    }
    cost.dynamicBytes = (dynamicBits + 7) / 8;
    cost.fixedBytes = (fixedBits + 7) / 8;
    return cost;
}

bool storeInsteadOfDeflate(std::span<const std::uint8_t> data, int level, ParseMemory& memory) {
    if (data.empty() || data.size() > kMaxFallbackSize) return false;
    const BlockCost cost = blockCost(data, level, memory);
    if (cost.symbols > kMaxBlockSymbols) return false;
    return cost.storedBytes <= cost.dynamicBytes && cost.dynamicBytes < cost.fixedBytes;
}

}  // namespace zip
