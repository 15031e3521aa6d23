#pragma once
// Member data decoders: state machines fed by blocks of compressed input.
//
// A decoder is made for one member with the member's declared uncompressed size as its output
// limit. The caller feeds the compressed bytes in blocks (`last` marks the final block); the decoder
// consumes every byte it is given (keeping at most a few bytes of an unfinished step) and hands
// its output to the sink in blocks of at most kOutputBlock bytes. It never produces more than the
// limit: output beyond it is dropped and noted as surplus. Memory stays bounded whatever the sizes.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

#include "zip/component.h"

namespace zip {

// Receives decoded data; may throw to end the decoding (for example on a failed write).
class OutputSink {
public:
    virtual ~OutputSink() = default;
    virtual void write(const std::uint8_t* data, std::size_t size) = 0;
};

enum class DecodeStatus {
    NeedInput,  // every byte given was consumed; feed the next block
    Done,       // the member is complete (limit reached, stream ended or input used up)
    Error,      // corrupt data; errorNumber() tells which message
};

// Largest block handed to the sink.
constexpr std::size_t kOutputBlock = 32768;

// DecodeStatus::Error carries one of the decoding message numbers of zip/component.h:
// kMsgBadBlock, kMsgIncompleteCodeSet, kMsgBadLengths (inflating), kMsgAmbiguousTree (exploding),
// kMsgStackOverflow (unshrinking) or kMsgOutOfMemory.

class Decoder {
public:
    virtual ~Decoder() = default;

    // Consumes `input`; `last` says that no more input follows. After Done or Error further
    // calls return the same status without consuming anything.
    virtual DecodeStatus feed(std::span<const std::uint8_t> input, bool last) = 0;

    std::uint64_t produced() const { return produced_; }
    // True when the data would have produced more than the declared size.
    bool surplus() const { return surplus_; }
    int errorNumber() const { return errorNumber_; }

protected:
    Decoder(std::uint64_t limit, OutputSink& sink) : limit_(limit), sink_(sink) {}

    // Passes decoded bytes on, cutting them at the limit; returns false once the limit is reached.
    bool emit(const std::uint8_t* data, std::size_t size);
    DecodeStatus fail(int number) {
        errorNumber_ = number;
        return DecodeStatus::Error;
    }
    bool full() const { return produced_ >= limit_; }
    std::uint64_t remaining() const { return limit_ - produced_; }
    void noteSurplus() { surplus_ = true; }

private:
    std::uint64_t limit_;
    OutputSink& sink_;
    std::uint64_t produced_ = 0;
    bool surplus_ = false;
    int errorNumber_ = 0;
};

// Decoder for a compression method, or nullptr when the method is not supported. `flags` is the
// general purpose bit flag of the member (bits 1 and 2 choose the implode variant).
std::unique_ptr<Decoder> makeDecoder(int method, std::uint16_t flags, std::uint64_t limit, OutputSink& sink);

// The individual decoders.
std::unique_ptr<Decoder> makeStoredDecoder(std::uint64_t limit, OutputSink& sink);
std::unique_ptr<Decoder> makeInflateDecoder(std::uint64_t limit, OutputSink& sink);
std::unique_ptr<Decoder> makeUnshrinkDecoder(std::uint64_t limit, OutputSink& sink);
std::unique_ptr<Decoder> makeExpandDecoder(int factor, std::uint64_t limit, OutputSink& sink);
std::unique_ptr<Decoder> makeExplodeDecoder(bool bigWindow, bool literalTree, std::uint64_t limit, OutputSink& sink);

}  // namespace zip
