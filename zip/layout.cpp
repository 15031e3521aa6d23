#include "zip/layout.h"

#include <algorithm>
#include <vector>

#include "zip/stream.h"

namespace zip {
namespace {

bool centralHeaderAt(FileStream& file, std::uint64_t offset) {
    std::uint8_t bytes[4];
    return file.readAt(offset, bytes, sizeof bytes) == sizeof bytes && hasSignature(bytes, kCentralHeaderSignature);
}

// The ZIP64 end record named by a locator right before the end record, if there is one.
std::optional<CentralDirectory> readZip64End(FileStream& file, std::uint64_t endOffset) {
    if (endOffset < kZip64LocatorSize) return std::nullopt;
    std::uint8_t locator[kZip64LocatorSize];
    if (file.readAt(endOffset - kZip64LocatorSize, locator, sizeof locator) != sizeof locator) return std::nullopt;
    ByteCursor in{std::span<const std::uint8_t>(locator)};
    if (in.get32() != kZip64LocatorSignature) return std::nullopt;
    in.skip(4);  // disk with the ZIP64 end record
    std::uint64_t recordOffset = in.get32();
    recordOffset |= std::uint64_t{in.get32()} << 32;

    std::uint8_t record[kZip64EndRecordSize];
    // The record normally stands right before the locator; its recorded offset may lack a stub's length.
    const std::uint64_t expected = endOffset - kZip64LocatorSize - kZip64EndRecordSize;
    for (const std::uint64_t at : {recordOffset, expected}) {
        if (at > expected || file.readAt(at, record, sizeof record) != sizeof record) continue;
        ByteCursor r{std::span<const std::uint8_t>(record)};
        if (r.get32() != kZip64EndRecordSignature) continue;
        r.skip(8 + 2 + 2 + 4 + 4 + 8);  // record size, versions, disks, entries on this disk
        CentralDirectory cd;
        cd.zip64 = true;
        cd.entries = r.get32() | (std::uint64_t{r.get32()} << 32);
        cd.size = r.get32() | (std::uint64_t{r.get32()} << 32);
        cd.recordedOffset = r.get32() | (std::uint64_t{r.get32()} << 32);
        if (cd.size > at) return std::nullopt;
        cd.offset = at - cd.size;
        return cd;
    }
    return std::nullopt;
}

std::uint64_t get64(ByteCursor& in) {
    const std::uint64_t low = in.get32();
    return low | (std::uint64_t{in.get32()} << 32);
}

}  // namespace

std::optional<std::size_t> findEndRecordSignature(std::span<const std::uint8_t> window, std::size_t lowest,
                                                  std::size_t highest) {
    for (std::size_t p = std::min(highest, window.size()) + 1; p-- > lowest;)
        if (hasSignature(window.subspan(p), kEndRecordSignature)) return p;
    return std::nullopt;
}

std::optional<CentralDirectory> locateCentralDirectory(FileStream& file, std::uint64_t endOffset,
                                                       const EndRecord& end) {
    std::optional<CentralDirectory> cd = readZip64End(file, endOffset);
    if (!cd) {
        if (end.centralDirectorySize > endOffset) return std::nullopt;
        cd = CentralDirectory{};
        cd->recordedOffset = end.centralDirectoryOffset;
        cd->size = end.centralDirectorySize;
        cd->entries = end.totalEntries;
        cd->offset = endOffset - cd->size;
    }
    // A sound archive has its central directory where it says; else one shifted by a stub.
    if (cd->recordedOffset < endOffset && centralHeaderAt(file, cd->recordedOffset)) {
        cd->offset = cd->recordedOffset;
        return cd;
    }
    if (cd->recordedOffset < cd->offset && cd->size > 0 && centralHeaderAt(file, cd->offset)) return cd;
    return std::nullopt;
}

std::optional<std::span<const std::uint8_t>> findExtraField(std::span<const std::uint8_t> extra, std::uint16_t id) {
    ByteCursor in(extra);
    while (in.remaining() >= 4) {
        const std::uint16_t fieldId = in.get16();
        const auto data = in.bytes(in.get16());
        if (!in.ok()) break;
        if (fieldId == id) return data;
    }
    return std::nullopt;
}

MemberSizes widenSizes(std::uint32_t uncompressed, std::uint32_t compressed, std::uint32_t offset,
                       std::span<const std::uint8_t> extra) {
    MemberSizes sizes{uncompressed, compressed, offset, false};
    const auto data = findExtraField(extra, kZip64ExtraId);
    if (!data) return sizes;
    sizes.zip64 = true;
    ByteCursor field(*data);
    // A value is taken only when the field holds it whole.
    auto widen = [&field](std::uint64_t& value, std::uint32_t recorded) {
        if (recorded != kSaturated32 || field.remaining() < 8) return;
        value = get64(field);
    };
    widen(sizes.uncompressed, uncompressed);
    widen(sizes.compressed, compressed);
    widen(sizes.offset, offset);
    return sizes;
}

std::optional<DataDescriptor> matchDataDescriptor(std::span<const std::uint8_t> bytes,
                                                  const DescriptorExpectation& expected) {
    const bool wide[2] = {expected.zip64, !expected.zip64};
    for (const bool signature : {true, false}) {
        if (!signature && !expected.crc32) break;
        for (const bool is64 : wide) {
            ByteCursor in(bytes);
            if (signature && in.get32() != kDataDescriptorSignature) continue;
            DataDescriptor d;
            d.crc32 = in.get32();
            d.compressed = is64 ? get64(in) : in.get32();
            d.uncompressed = is64 ? get64(in) : in.get32();
            if (!in.ok() || d.compressed != expected.compressed) continue;
            if (expected.crc32 && d.crc32 != *expected.crc32) continue;
            if (expected.uncompressed && d.uncompressed != *expected.uncompressed) continue;
            d.length = in.position();
            return d;
        }
    }
    return std::nullopt;
}

}  // namespace zip
