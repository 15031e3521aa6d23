#include "zip/decoders/decoder.h"

#include <algorithm>

namespace zip {

bool Decoder::emit(const std::uint8_t* data, std::size_t size) {
    const auto allowed = static_cast<std::size_t>(std::min<std::uint64_t>(size, remaining()));
    if (allowed < size) surplus_ = true;
    if (allowed > 0) {
        produced_ += allowed;
        sink_.write(data, allowed);
    }
    return !full();
}

std::unique_ptr<Decoder> makeDecoder(int method, std::uint16_t flags, std::uint64_t limit, OutputSink& sink) {
    switch (method) {
        case 0: return makeStoredDecoder(limit, sink);
        case 1: return makeUnshrinkDecoder(limit, sink);
        case 2:
        case 3:
        case 4:
        case 5: return makeExpandDecoder(method - 1, limit, sink);
        case 6: return makeExplodeDecoder((flags & 2) != 0, (flags & 4) != 0, limit, sink);
        case 8: return makeInflateDecoder(limit, sink);
        default: return nullptr;
    }
}

}  // namespace zip
