// TUnZIP's walk: the member list from the central directory or the local headers.
#include "zip/unzip.h"

#include <algorithm>
#include <optional>

#include "platform/errors.h"
#include "platform/files.h"
#include "zip/layout.h"
#include "zip/stream.h"
#include "zip/streamed.h"
#include "zip/unzip_names.h"

namespace zip {
namespace {

// The fields a walk needs, from a central directory file header or a local file header.
struct WalkHeader {
    std::uint16_t flag = 0;
    std::uint16_t method = 0;
    std::uint32_t dosDateTime = 0;
    std::uint32_t crc32 = 0;
    std::uint32_t compressedSize = 0;
    std::uint32_t uncompressedSize = 0;
    std::uint16_t nameLength = 0;
    std::uint16_t extraLength = 0;
    std::uint16_t commentLength = 0;
    std::uint32_t attributes = platform::kAttrArchive;
    std::uint32_t localHeaderOffset = 0;
    std::uint16_t versionMadeBy = 0;
};

std::optional<WalkHeader> parseWalkRecord(const std::uint8_t* record, std::size_t size, bool central) {
    ByteCursor in(std::span<const std::uint8_t>(record, size));
    WalkHeader h;
    if (central) {
        const auto c = CentralFileHeader::decode(in);
        if (!c || c->signature != kCentralHeaderSignature) return std::nullopt;
        h = {c->flag,
             c->method,
             c->dosDateTime(),
             c->crc32,
             c->compressedSize,
             c->uncompressedSize,
             c->nameLength,
             c->extraLength,
             c->commentLength,
             c->externalAttributes,
             c->localHeaderOffset,
             c->versionMadeBy};
    } else {
        const auto l = LocalFileHeader::decode(in);
        if (!l || l->signature != kLocalHeaderSignature) return std::nullopt;
        h = {l->flag,
             l->method,
             l->dosDateTime(),
             l->crc32,
             l->compressedSize,
             l->uncompressedSize,
             l->nameLength,
             l->extraLength,
             0,
             platform::kAttrArchive,
             0,
             0};
    }
    return h;
}

// Folder (0x10) and volume label (0x08) entries of the central directory are passed over.
constexpr std::uint32_t kSkippedAttributes = platform::kAttrDirectory | platform::kAttrVolumeId;

}  // namespace

std::vector<TMemberRecord> TUnZIP::ListMembers() {
    BeginRun();
    members_.clear();
    const std::unique_ptr<FileStream> archive = OpenArchiveForRun();
    try {
        WalkMembers(*archive);
    } catch (...) {
        RecordCaught(ArchiveFile(), true);
    }
    return members_;
}

void TUnZIP::Walk(FileStream& archive) {
    extracted_.clear();
    if (!WalkMembers(archive)) return;
    for (const TMemberRecord& member : members_) {
        if (Cancel) break;
        ExtractMember(archive, member);
    }
}

bool TUnZIP::WalkMembers(FileStream& archive) {
    members_.clear();
    const std::uint8_t chain = ChainFlags();
    if (OnCorruptZipHeader && (chain & kChainComplete) != kChainComplete) {
        bool cancel = true;
        OnCorruptZipHeader(*this, chain, cancel);
        if (cancel) return false;
    }
    const bool central = (chain & kChainCentralHeader) != 0;
    if (!central) recognition_.chainFlags = kChainLocalHeader;
    const std::size_t recordSize = central ? kCentralHeaderSize : kLocalHeaderSize;

    std::uint64_t position = FirstRecordOffset();
    const std::uint64_t end = ArchiveSize();
    if (position > archive.size()) RaiseError(kMsgSeekError, ArchiveFile());
    const bool singlePattern = FileSpec.empty() || (FileSpec.size() == 1 && FileSpec[0].find('*') == std::string::npos);

    std::uint8_t record[kCentralHeaderSize];
    std::size_t got = archive.readAt(position, record, recordSize);
    position += got;
    while (position < end) {
        const std::optional<WalkHeader> h = parseWalkRecord(record, got, central);
        if (!h || Cancel) break;
        // The name and the extra field, read together.
        std::string tail(std::size_t{h->nameLength} + h->extraLength, '\0');
        tail.resize(archive.readAt(position, tail.data(), tail.size()));
        const std::string_view stored = std::string_view(tail).substr(0, h->nameLength);
        const auto extra =
            std::span(reinterpret_cast<const std::uint8_t*>(tail.data()), tail.size()).subspan(stored.size());
        const std::uint64_t headerOffset = position - kLocalHeaderSize;
        position += std::uint64_t{h->nameLength} + h->extraLength;

        const MemberSizes sizes = widenSizes(h->uncompressedSize, h->compressedSize, h->localHeaderOffset, extra);
        TMemberRecord member;
        member.Flag = h->flag;
        member.Method = h->method;
        member.LocalHeaderOffset = central ? sizes.offset + OffsetShift() : headerOffset;
        member.CompressedSize = sizes.compressed;
        member.UncompressedSize = sizes.uncompressed;
        member.Crc32 = h->crc32;
        member.Attributes = h->attributes;
        member.DosDateTime = h->dosDateTime;
        member.VersionMadeBy = h->versionMadeBy;
        if (!stored.empty()) member.Name = memberNameToUtf8(stored, h->flag, h->versionMadeBy, extra);

        std::uint64_t next = position + (central ? h->commentLength : member.CompressedSize);
        if (!central && (h->flag & kFlagDataDescriptor)) {
            // Streamed: the data itself tells where the member ends.
            const std::optional<DataDescriptor> d =
                delimitStreamedMember(archive, position, end, h->method, (h->flag & kFlagEncrypted) != 0, sizes.zip64);
            if (!d) {
                Warning(kMsgInconsistentLocalHeader, member.Name, {},
                        "the end of this streamed member cannot be found (data cut off, or no data descriptor "
                        "that matches it); it was not extracted");
                break;
            }
            member.Crc32 = d->crc32;
            member.CompressedSize = d->compressed;
            member.UncompressedSize = d->uncompressed;
            next = position + d->compressed + d->length;
        }
        const bool skipped = central && (h->attributes & kSkippedAttributes);
        if (!skipped && !member.Name.empty() &&
            std::any_of(FileSpec.begin(), FileSpec.end(),
                        [&](const std::string& line) { return fileSpecSelects(line, member.Name); })) {
            maxFileDate_ = std::max(maxFileDate_, static_cast<std::int32_t>(h->dosDateTime));
            members_.push_back(std::move(member));
            if (singlePattern) break;
        }
        position = next;
        got = archive.readAt(position, record, recordSize);
        position += got;
    }
    return true;
}

bool TUnZIP::OverlapsExtracted(std::uint64_t start, std::uint64_t end) const {
    auto after = extracted_.upper_bound(start);
    if (after != extracted_.end() && after->first < end) return true;
    if (after == extracted_.begin()) return false;
    return std::prev(after)->second > start;
}

}  // namespace zip
