#include "zip/recognition.h"

#include <algorithm>
#include <array>
#include <optional>
#include <vector>

#include "platform/files.h"
#include "zip/layout.h"
#include "zip/stream.h"

namespace zip {

namespace {

// Offsets where self-extracting stubs of known sizes end and their ZIP data begins.
constexpr std::array<std::uint64_t, 3> kStubOffsets = {7612, 15770, 25661};
constexpr std::size_t kLeadingBytes = 32767;

using Bytes = std::vector<std::uint8_t>;

Bytes readBytes(FileStream& file, std::uint64_t offset, std::size_t count) {
    Bytes buffer(count);
    buffer.resize(file.readAt(offset, buffer.data(), count));
    return buffer;
}

std::uint64_t windowWidth(int bufSize, std::uint64_t size) {
    const std::uint64_t wanted = std::uint64_t(std::max(bufSize, 0)) + 23;
    if (wanted <= size) return wanted;
    if (bufSize == 0) return 23;
    if (size > 32768) return 32768;
    return size == 0 ? 0 : size - 1;
}

// For a file that begins with a local header: the central directory's offset, or 0 with chain
// flags 16 alone when the local headers are to be walked from the first byte.
std::uint64_t centralDirectoryProbe(FileStream& file, std::uint64_t size, int bufSize, Recognition& state) {
    state.arcType = atUnknown;
    const std::uint64_t offset = findEndRecord(file, size, bufSize, state);
    if (offset > 0) return offset;
    // An end record without a usable central directory: every member has its local header, and
    // the first stands at the start of the file.
    if (state.chainFlags & kChainEndRecord) state.chainFlags = kChainLocalHeader;
    return 0;
}

bool zipProbe(FileStream& file, std::uint64_t size, int bufSize, Recognition& state) {
    state.arcType = atZipExe;
    bool found = false;
    if (size > 4) {
        if (hasSignature(readBytes(file, 0, 4), kLocalHeaderSignature)) {
            state.firstRecordOffset = centralDirectoryProbe(file, size, bufSize, state);
            if (state.firstRecordOffset > 0 || state.chainFlags == kChainLocalHeader) {
                state.arcType = atZip;
                found = true;
            }
        } else {
            for (std::size_t i = 0; i < kStubOffsets.size() && !found; ++i) {
                const std::uint64_t offset = kStubOffsets[i];
                if (size < offset + 5) continue;
                if (!hasSignature(readBytes(file, offset, 4), kLocalHeaderSignature)) continue;
                state.firstRecordOffset = offset;
                if (i < 2) state.chainFlags = kChainLocalHeader;
                found = true;
            }
        }
    }
    if (!found) state.arcType = atNA;
    return found;
}

// Leading zero bytes, then "PK" and two bytes that are neither 1 2 (a central header) nor "G4".
bool classifyLeadingBytes(FileStream& file, std::uint64_t size, int bufSize, Recognition& state) {
    const Bytes head = readBytes(file, 0, kLeadingBytes);
    if (head.size() >= 2 && head[0] == 'M' && head[1] == 'Z') return false;  // executables: not handled
    std::size_t zeros = 0;
    while (zeros < head.size() && head[zeros] == 0) ++zeros;
    if (zeros + 4 > head.size()) return false;
    const std::uint8_t b2 = head[zeros + 2], b3 = head[zeros + 3];
    if (head[zeros] != 'P' || head[zeros + 1] != 'K') return false;
    if ((b2 == 1 && b3 == 2) || (b2 == 'G' && b3 == '4')) return false;
    state.arcType = atZip;
    state.firstRecordOffset = findEndRecord(file, size, bufSize, state);
    if (state.firstRecordOffset == 0) {
        state.firstRecordOffset = zeros;
        state.chainFlags |= kChainLocalHeader;
    }
    return true;
}

bool hasJarExtension(const std::string& path) {
    std::string ext = platform::extensionOf(path);
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::toupper(c); });
    return ext == "JAR";
}

}  // namespace

bool isZipKind(TArcType type) { return type == atZip || type == atZipExe || type == atZipMV || type == atJar; }

const char* arcTypeName(TArcType type) {
    switch (type) {
        case atNA: return "atNA";
        case atUnsupported: return "atUnsupported";
        case atFileOpenErr: return "atFileOpenErr";
        case atUnknown: return "atUnknown";
        case atHa: return "atHa";
        case atMsGZ: return "atMsGZ";
        case atJar: return "atJar";
        case atPak: return "atPak";
        case atPakExe: return "atPakExe";
        case atZip: return "atZip";
        case atZipExe: return "atZipExe";
        case atZipMV: return "atZipMV";
    }
    return "atNA";
}

int clampZipCmntBufSize(int value) { return std::clamp(value, kZipCmntBufSizeMin, kZipCmntBufSizeMax); }

std::uint64_t findEndRecord(FileStream& file, std::uint64_t size, int bufSize, Recognition& state) {
    state.chainFlags = 0;
    state.offsetShift = 0;
    const std::uint64_t width = windowWidth(bufSize, size);
    if (size <= width) return 0;
    const std::uint64_t windowStart = size - width;
    const Bytes window = readBytes(file, windowStart, static_cast<std::size_t>(width));
    const std::size_t n = window.size();
    if (n < 22) return 0;
    // Candidates from N - 21 down to 1; the first signature found ends the scan.
    const std::optional<std::size_t> found = findEndRecordSignature(window, 1, n - 21);
    if (!found) return 0;
    const std::size_t candidate = *found;

    const Bytes endBytes = readBytes(file, windowStart + candidate, kEndRecordSize);
    ByteCursor endCursor{std::span<const std::uint8_t>(endBytes)};
    const auto end = EndRecord::decode(endCursor);
    if (!end || end->signature != kEndRecordSignature) return 0;
    state.endRecord = *end;
    state.chainFlags |= kChainEndRecord;

    const std::optional<CentralDirectory> cd = locateCentralDirectory(file, windowStart + candidate, *end);
    if (!cd) return 0;
    const Bytes centralBytes = readBytes(file, cd->offset, kCentralHeaderSize);
    ByteCursor centralCursor{std::span<const std::uint8_t>(centralBytes)};
    const auto central = CentralFileHeader::decode(centralCursor);
    if (!central || central->signature != kCentralHeaderSignature) return 0;
    state.centralHeader = *central;
    state.chainFlags |= kChainCentralHeader;

    const Bytes extra = readBytes(file, cd->offset + kCentralHeaderSize + central->nameLength, central->extraLength);
    const MemberSizes sizes =
        widenSizes(central->uncompressedSize, central->compressedSize, central->localHeaderOffset, extra);
    const Bytes localBytes = readBytes(file, sizes.offset + cd->shift(), kLocalHeaderSize);
    ByteCursor localCursor{std::span<const std::uint8_t>(localBytes)};
    const auto local = LocalFileHeader::decode(localCursor);
    if (!local || local->signature != kLocalHeaderSignature) return 0;
    state.localHeader = *local;
    state.chainFlags |= kChainLocalHeader;
    state.offsetShift = cd->shift();
    return cd->offset;
}

Recognition recognizeArchive(const std::string& path, int zipCmntBufSize) {
    Recognition state;
    if (path.empty()) return state;
    state.arcType = atFileOpenErr;
    auto file = FileStream::openRead(path);
    if (!file) return state;
    state.firstRecordOffset = 1;
    state.archiveSize = file->size();
    if (state.archiveSize < kMinArchiveSize) return state;

    state.chainFlags = 0;
    if (!zipProbe(*file, state.archiveSize, zipCmntBufSize, state)) {
        if (!classifyLeadingBytes(*file, state.archiveSize, zipCmntBufSize, state)) {
            const std::uint64_t offset = findEndRecord(*file, state.archiveSize, zipCmntBufSize, state);
            if (offset > 0) {
                state.firstRecordOffset = offset;
                state.arcType = atZip;
            }
        }
    }
    if (state.arcType == atZip && hasJarExtension(path)) state.arcType = atJar;
    return state;
}

}  // namespace zip
