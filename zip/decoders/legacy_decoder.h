#pragma once
// The base of the legacy decoders (shrink, reduce, implode): one decoding step at a time over the
// bit reader, output through the sliding window.
#include <cstdint>
#include <span>

#include "zip/decoders/bitstream.h"
#include "zip/decoders/window_decoder.h"

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
