#pragma once
// Archive layout as other tools write it: where the central directory stands (ZIP64 end record,
// archives behind a stub whose offsets were not adjusted), the ZIP64 extended information extra
// field, and data descriptors. Our writer writes none of these; the reader and the update read them.
#include <cstdint>
#include <optional>
#include <span>

#include "zip/records.h"

namespace zip {

class FileStream;

constexpr std::uint32_t kZip64EndRecordSignature = 0x06064B50;  // "PK" 6 6
constexpr std::uint32_t kZip64LocatorSignature = 0x07064B50;    // "PK" 6 7
constexpr std::size_t kZip64LocatorSize = 20;
constexpr std::size_t kZip64EndRecordSize = 56;
constexpr std::uint16_t kZip64ExtraId = 0x0001;
constexpr std::uint32_t kSaturated32 = 0xFFFFFFFF;  // "the value stands in the ZIP64 field"

// The central directory described by the end record at `endOffset`.
struct CentralDirectory {
    std::uint64_t recordedOffset = 0;  // as the end record (or ZIP64 end record) gives it
    std::uint64_t offset = 0;          // where it really starts in the file
    std::uint64_t size = 0;
    std::uint64_t entries = 0;
    bool zip64 = false;  // a ZIP64 end record and locator describe it
    // What to add to every recorded offset: the length of a stub put in front of the archive
    // without adjusting its offsets (0 for a sound archive).
    std::uint64_t shift() const { return offset - recordedOffset; }
};

// The end record search over `window`, the last bytes of a file: the position of the last end
// record signature between `lowest` and `highest` (positions in the window), or nothing.
std::optional<std::size_t> findEndRecordSignature(std::span<const std::uint8_t> window, std::size_t lowest,
                                                  std::size_t highest);

// Finds the central directory of the end record `end` standing at `endOffset`: at its recorded
// offset, or else right before the end records (an archive behind a stub). Nothing when no
// central directory file header stands at either place.
std::optional<CentralDirectory> locateCentralDirectory(FileStream& file, std::uint64_t endOffset, const EndRecord& end);

// Sizes and offset of a member, widened by the ZIP64 extra field: each value whose 32-bit field
// is saturated is read from the field, in the order uncompressed size, compressed size, offset.
struct MemberSizes {
    std::uint64_t uncompressed = 0;
    std::uint64_t compressed = 0;
    std::uint64_t offset = 0;
    bool zip64 = false;  // the extra field supplied a value (or is present at all)
};
MemberSizes widenSizes(std::uint32_t uncompressed, std::uint32_t compressed, std::uint32_t offset,
                       std::span<const std::uint8_t> extra);

// The data of the first field with header ID `id` in an extra field block, or nothing.
std::optional<std::span<const std::uint8_t>> findExtraField(std::span<const std::uint8_t> extra, std::uint16_t id);

// True when `extra` holds a ZIP64 extended information field.
inline bool hasZip64Extra(std::span<const std::uint8_t> extra) {
    return findExtraField(extra, kZip64ExtraId).has_value();
}

// A data descriptor read after a member's data.
struct DataDescriptor {
    std::uint32_t crc32 = 0;
    std::uint64_t compressed = 0;
    std::uint64_t uncompressed = 0;
    std::size_t length = 0;  // 12, 16 (with signature), 20 or 24 (ZIP64, with signature)
};

// What a data descriptor must say. A value that is not known is taken as it stands; a descriptor
// without its signature is accepted only when the CRC-32 is known.
struct DescriptorExpectation {
    std::optional<std::uint32_t> crc32;
    std::uint64_t compressed = 0;
    std::optional<std::uint64_t> uncompressed;
    bool zip64 = false;  // 64-bit sizes are tried first
};

// Reads the descriptor at `bytes` (24 bytes, or what the file still holds) in the first of its
// forms (with or without signature, 32- or 64-bit sizes) that says what is expected.
std::optional<DataDescriptor> matchDataDescriptor(std::span<const std::uint8_t> bytes,
                                                  const DescriptorExpectation& expected);

}  // namespace zip
