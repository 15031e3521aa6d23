// Method 0: the data is the member's bytes; exactly the declared size is copied.
#include <algorithm>

#include "zip/decoders/decoder.h"

namespace zip {
namespace {

class StoredDecoder : public Decoder {
public:
    StoredDecoder(std::uint64_t limit, OutputSink& sink) : Decoder(limit, sink) {}

    DecodeStatus feed(std::span<const std::uint8_t> input, bool last) override {
        if (done_) return DecodeStatus::Done;
        while (!input.empty() && !full()) {
            const auto size =
                static_cast<std::size_t>(std::min<std::uint64_t>({input.size(), remaining(), kOutputBlock}));
            emit(input.data(), size);
            input = input.subspan(size);
        }
        done_ = last || full();
        return done_ ? DecodeStatus::Done : DecodeStatus::NeedInput;
    }

private:
    bool done_ = false;
};

}  // namespace

std::unique_ptr<Decoder> makeStoredDecoder(std::uint64_t limit, OutputSink& sink) {
    return std::unique_ptr<Decoder>(new StoredDecoder(limit, sink));
}

}  // namespace zip
