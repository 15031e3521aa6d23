// Method 1 (shrink): LZW with codes of 9 to 13 bits, widened and partially cleared on command.
#include <vector>

#include "zip/decoders/legacy_decoder.h"

namespace zip {
namespace {

constexpr unsigned kFirstWidth = 9;
constexpr unsigned kMaxWidth = 13;
constexpr int kCodeCount = 1 << kMaxWidth;  // 8192
constexpr int kControl = 256;
constexpr int kFirstBuilt = 257;
constexpr std::uint16_t kFree = 0xFFFF;

class UnshrinkDecoder : public detail::LegacyDecoder {
public:
    UnshrinkDecoder(std::uint64_t limit, OutputSink& sink)
        : LegacyDecoder(limit, sink), parent_(kCodeCount, kFree), value_(kCodeCount, 0) {
        stack_.reserve(kCodeCount);
    }

private:
    detail::Step step() override {
        const int code = static_cast<int>(in_.get(width_));
        if (code == kControl) return control();
        if (in_.overrun()) return detail::Step::Ended;
        if (previous_ < 0) return first(code);
        if (code >= kFirstBuilt && parent_[code] == kFree) return repeatPrevious();
        return expand(code);
    }

    detail::Step control() {
        const std::uint32_t command = in_.get(width_);
        if (in_.overrun()) return detail::Step::Ended;
        if (command == 1) {
            if (width_ == kMaxWidth) return corrupt(kMsgBadBlock);
            ++width_;
        } else if (command == 2) {
            partialClear();
        } else {
            return corrupt(kMsgBadBlock);
        }
        return detail::Step::Ok;
    }

    detail::Step first(int code) {
        if (code > 0xFF) return corrupt(kMsgBadBlock);
        put(static_cast<std::uint8_t>(code));
        remember(code, static_cast<std::uint8_t>(code), 1);
        return detail::Step::Ok;
    }

    // The code not defined yet (or freed by a clear and about to be reassigned): its string is
    // the previous string followed by that string's first byte.
    detail::Step repeatPrevious() {
        if (previousLength_ >= kCodeCount) return corrupt(kMsgStackOverflow);
        const int code = nextFree();
        addEntry(previous_, previousFirst_);
        copy(previousLength_, previousLength_);
        put(previousFirst_);
        remember(code < kCodeCount ? code : previous_, previousFirst_, previousLength_ + 1);
        return detail::Step::Ok;
    }

    detail::Step expand(int code) {
        stack_.clear();
        int walk = code;
        while (walk >= kFirstBuilt) {
            if (parent_[walk] == kFree || stack_.size() >= kCodeCount) return corrupt(kMsgStackOverflow);
            stack_.push_back(value_[walk]);
            walk = parent_[walk];
        }
        const auto firstByte = static_cast<std::uint8_t>(walk);
        stack_.push_back(firstByte);
        addEntry(previous_, firstByte);
        for (auto it = stack_.rbegin(); it != stack_.rend(); ++it) {
            if (!put(*it)) break;
        }
        remember(code, firstByte, stack_.size());
        return detail::Step::Ok;
    }

    void remember(int code, std::uint8_t firstByte, std::uint64_t length) {
        previous_ = code;
        previousFirst_ = firstByte;
        previousLength_ = length;
    }

    int nextFree() {
        while (free_ < kCodeCount && parent_[free_] != kFree) ++free_;
        return free_;
    }

    void addEntry(int parent, std::uint8_t byte) {
        const int code = nextFree();
        if (code >= kCodeCount) return;
        parent_[code] = static_cast<std::uint16_t>(parent);
        value_[code] = byte;
        ++free_;
    }

    // Frees every built code that is no other built code's prefix.
    void partialClear() {
        std::vector<bool> isPrefix(kCodeCount, false);
        for (int code = kFirstBuilt; code < kCodeCount; ++code) {
            if (parent_[code] != kFree && parent_[code] >= kFirstBuilt) isPrefix[parent_[code]] = true;
        }
        for (int code = kFirstBuilt; code < kCodeCount; ++code) {
            if (!isPrefix[code]) parent_[code] = kFree;
        }
        free_ = kFirstBuilt;
    }

    unsigned width_ = kFirstWidth;
    std::vector<std::uint16_t> parent_;
    std::vector<std::uint8_t> value_;
    std::vector<std::uint8_t> stack_;
    int free_ = kFirstBuilt;
    int previous_ = -1;
    std::uint8_t previousFirst_ = 0;
    std::uint64_t previousLength_ = 0;
};

}  // namespace

std::unique_ptr<Decoder> makeUnshrinkDecoder(std::uint64_t limit, OutputSink& sink) {
    return std::unique_ptr<Decoder>(new UnshrinkDecoder(limit, sink));
}

}  // namespace zip
