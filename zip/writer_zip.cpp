// TZip: the ZIP-specific steps of the writer (members, old archive, central directory, the move
// of the finished archive onto the target).
#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <vector>

#include "platform/errors.h"
#include "platform/files.h"
#include "platform/tempfile.h"
#include "zip/deflater.h"
#include "zip/layout.h"
#include "zip/stream.h"
#include "zip/writer.h"

namespace zip {

namespace {

constexpr std::uint64_t kMax32 = 0xFFFFFFFFu;
constexpr std::size_t kMaxMembers = 0xFFFF;  // the end record counts in 16 bits
constexpr std::size_t kEndSearchWindow = 32768;

// Extensions of data that is compressed already: such members are stored.
constexpr std::array<const char*, 18> kStoredExtensions = {".UUE", ".XXE", ".ENC", ".TAR", ".Z",   ".GZ",
                                                           ".ZIP", ".ZOO", ".LHA", ".LZH", ".ARC", ".ARJ",
                                                           ".BH",  ".PAK", ".CAB", ".RAR", ".JAR", ".ACE"};

std::string upperAscii(std::string s) {
    for (auto& c : s)
        if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
    return s;
}

// The message for a file or archive beyond what records without ZIP64 fields can describe.
std::string beyondLimit(const std::string& what, const std::string& limit) {
    return what + " exceeds " + limit +
           ", the limit of ZIP records without ZIP64 fields (which this writer does not write)";
}
const std::string kSizeLimit = "4294967295 bytes (4 GiB - 1)";

std::vector<std::uint8_t> readAt(FileStream& in, std::uint64_t offset, std::size_t count) {
    std::vector<std::uint8_t> buffer(count);
    buffer.resize(in.readAt(offset, buffer.data(), count));
    return buffer;
}

}  // namespace

TZip::~TZip() = default;

bool TZip::StoresByExtension(const std::string& storedName) const {
    const std::string extension = platform::extensionOf(platform::fileNamePart(storedName));
    if (extension.empty()) return false;
    const std::string ext = upperAscii("." + extension);
    if (ext == ".EXE") return false;
    return std::find(kStoredExtensions.begin(), kStoredExtensions.end(), ext) != kStoredExtensions.end();
}

void TZip::WriteMember(TEntry& entry) {
    auto source = FileStream::openRead(entry.Key);
    if (!source) throw platform::EFOpenError(entry.Key);

    bool extract = true;
    if (OnBegin) OnBegin(*this, entry.Key, written_ + 1, extract);
    if (!extract) {
        entry.State = esFailed;  // not written: no central directory header either
        return;
    }
    if (OnRenameCompressedFile) {
        std::string name = storedNameToUtf8(entry.StoredName, entry.Utf8Name ? kFlagUtf8Name : 0);
        OnRenameCompressedFile(*this, name);
        const StoredName renamed = storedNameFromUtf8(name);
        entry.StoredName = renamed.bytes;
        entry.Utf8Name = renamed.utf8;
    }

    const std::uint64_t size = source->size();
    const std::uint64_t offset = temp_->position();
    if (offset > kMax32)
        RaiseError(kMsgWriteError, archiveFile_, beyondLimit("The archive " + archiveFile_, kSizeLimit));
    if (size > kMax32 || entry.StoredName.size() > 0xFFFF || entry.StoredName.empty()) {
        const std::string text =
            size > kMax32 ? beyondLimit("The file " + entry.Key, kSizeLimit) : messageText(kMsgWriteError);
        entry.State = esFailed;
        ++failed_;
        Record({kMsgWriteError, text, entry.Key}, true);
        return;
    }

    LocalFileHeader local;
    local.versionNeeded = 20;
    local.method = kMethodDeflated;
    local.flag = entry.Utf8Name ? kFlagUtf8Name : 0;
    local.setDosDateTime(entry.DateTime);
    local.uncompressedSize = static_cast<std::uint32_t>(size);
    local.nameLength = static_cast<std::uint16_t>(entry.StoredName.size());
    WriteBlock(*temp_, local.encode());
    WriteBlock(*temp_, entry.StoredName.data(), entry.StoredName.size());

    if (size == 0) {
        local.method = kMethodStored;
    } else {
        WriteMemberData(entry, *source, local, offset);
        if (entry.State == esFailed) return;
    }

    if (temp_->writeAt(offset, local.encode().data(), kLocalHeaderSize) != kLocalHeaderSize)
        throw platform::E_RAISE(kMsgWriteError, messageText(kMsgWriteError));
    entry.Header = CentralFileHeader::fromLocal(local, entry.Attributes, static_cast<std::uint32_t>(offset));
    entry.Comment.clear();
    if (OnEnd) OnEnd(*this, entry.Key, true);
}

MemberWriter& TZip::memberWriter() {
    if (!memberWriter_) memberWriter_ = std::make_unique<MemberWriter>();
    return *memberWriter_;
}

void TZip::WriteMemberData(TEntry& entry, FileStream& source, LocalFileHeader& local, std::uint64_t headerOffset) {
    const bool store =
        CompressMethod() == cmStore || (StoreAlreadyCompressedFiles && StoresByExtension(entry.StoredName));
    ProcessMessages();
    const std::uint64_t doneBefore = progressDone_;
    const std::uint64_t memberSize = local.uncompressedSize;
    const auto afterBlock = [this, doneBefore, memberSize](std::uint64_t read) {
        progressDone_ = doneBefore + read;
        if (OnProgress)
            OnProgress(*this, memberSize ? read * 100 / memberSize : 100,
                       totalSize_ ? std::min<std::uint64_t>(progressDone_ * 100 / totalSize_, 100) : 100);
        ProcessMessages();
    };
    try {
        MemberData data;
        if (store) {
            data = memberWriter().store(source, local.uncompressedSize, *temp_, afterBlock);
            local.method = kMethodStored;
        } else {
            data = memberWriter().deflate(source, local.uncompressedSize, *temp_, DeflateLevel(), afterBlock);
            local.method = data.stored ? kMethodStored : kMethodDeflated;
            local.flag |= DeflateFlagBits();
        }
        if (data.compressedSize > kMax32)
            throw platform::E_RAISE(kMsgWriteError, beyondLimit("The compressed data of " + entry.Key, kSizeLimit));
        local.crc32 = data.crc32;
        local.compressedSize = static_cast<std::uint32_t>(data.compressedSize);
    } catch (const std::exception&) {
        // Only this member is dropped: its partial bytes are cut off again and the run goes on.
        RecordCaught(entry.Key, true, true);
        entry.State = esFailed;
        ++failed_;
        temp_->truncate(headerOffset);
        temp_->seek(headerOffset);
    }
}

void TZip::RefuseUpdate(const std::string& reason) {
    RaiseError(kMsgUnsupportedArchive, archiveFile_,
               "Cannot update " + archiveFile_ + ": " + reason + "; the file is left unchanged");
}

std::size_t TZip::OldDescriptorLength(const TEntry& entry, const LocalFileHeader& local, std::uint64_t length) {
    if (!(local.flag & kFlagDataDescriptor)) return 0;
    const auto extra = readAt(*oldArchive_, entry.OldOffset + kLocalHeaderSize + local.nameLength, local.extraLength);
    const auto bytes = readAt(*oldArchive_, entry.OldOffset + length, 24);
    const auto descriptor = matchDataDescriptor(
        bytes, {entry.Header.crc32, entry.Header.compressedSize, entry.Header.uncompressedSize, hasZip64Extra(extra)});
    if (!descriptor) RefuseUpdate("the data descriptor of member " + entry.StoredName + " does not match its record");
    return descriptor->length;
}

void TZip::CopyKeptMember(TEntry& entry) {
    const auto headerBytes = readAt(*oldArchive_, entry.OldOffset, kLocalHeaderSize);
    ByteCursor cursor{std::span<const std::uint8_t>(headerBytes)};
    const auto local = LocalFileHeader::decode(cursor);
    if (!local || local->signature != kLocalHeaderSignature) RaiseError(kMsgInconsistentLocalHeader, archiveFile_);

    // The whole local entry: header, name, extra field, data and its data descriptor as it stands.
    std::uint64_t length = kLocalHeaderSize + local->nameLength + local->extraLength + entry.Header.compressedSize;
    length += OldDescriptorLength(entry, *local, length);
    const std::uint64_t newOffset = temp_->position();
    if (newOffset > kMax32)
        RaiseError(kMsgWriteError, archiveFile_, beyondLimit("The archive " + archiveFile_, kSizeLimit));

    CopyOldBytes(entry.OldOffset, length);
    entry.Header.localHeaderOffset = static_cast<std::uint32_t>(newOffset);
}

void TZip::CopyOldBytes(std::uint64_t position, std::uint64_t left) {
    std::vector<std::uint8_t> buffer(kBlockSize);
    while (left > 0) {
        const std::size_t count = std::size_t(std::min<std::uint64_t>(left, buffer.size()));
        if (oldArchive_->readAt(position, buffer.data(), count) != count) RaiseError(kMsgWriteError, archiveFile_);
        WriteBlock(*temp_, buffer.data(), count);
        position += count;
        left -= count;
    }
}

void TZip::OpenOldArchive() {
    const std::uint64_t size = oldArchive_->size();
    const std::size_t width = std::size_t(std::min<std::uint64_t>(size, kEndSearchWindow));
    const std::uint64_t windowStart = size - width;
    const auto window = readAt(*oldArchive_, windowStart, width);
    if (window.size() < kEndRecordSize) RaiseError(kMsgUnsupportedArchive, archiveFile_);
    if (const auto p = findEndRecordSignature(window, 0, window.size() - kEndRecordSize)) {
        ByteCursor cursor{std::span<const std::uint8_t>(window).subspan(*p)};
        const auto end = EndRecord::decode(cursor);
        const auto cd = locateCentralDirectory(*oldArchive_, windowStart + *p, *end);
        // A ZIP64 end record that only repeats what the end record holds is not needed.
        const bool saturated = end->centralDirectoryOffset == kSaturated32 ||
                               end->centralDirectorySize == kSaturated32 || end->totalEntries == 0xFFFF;
        if (saturated) RefuseUpdate("it uses ZIP64 records, which this writer does not write");
        if (!cd)
            RefuseUpdate("no central directory stands where its end record says (not a ZIP archive, or a damaged one)");
        oldEnd_ = *end;
        oldPosition_ = cd->offset;
        oldCentralEnd_ = cd->offset + cd->size;
        oldEntries_ = cd->entries;
        oldShift_ = cd->shift();
        return;
    }
    RaiseError(kMsgUnsupportedArchive, archiveFile_);
}

bool TZip::ReadNextHeader() {
    const auto bytes = readAt(*oldArchive_, oldPosition_, kCentralHeaderSize);
    ByteCursor cursor{std::span<const std::uint8_t>(bytes)};
    const auto header = CentralFileHeader::decode(cursor);
    if (!header || header->signature != kCentralHeaderSignature) return false;
    const std::size_t tail = std::size_t(header->nameLength) + header->extraLength + header->commentLength;
    const auto tailBytes = readAt(*oldArchive_, oldPosition_ + kCentralHeaderSize, tail);
    ByteCursor tailCursor{std::span<const std::uint8_t>(tailBytes)};
    oldName_ = std::string(tailCursor.text(header->nameLength));
    oldExtra_ = std::string(tailCursor.text(header->extraLength));
    oldComment_ = std::string(tailCursor.text(header->commentLength));
    if (!tailCursor.ok()) return false;
    oldHeader_ = *header;
    oldPosition_ += kCentralHeaderSize + tail;
    return true;
}

void TZip::ReadOldArchive() {
    OpenOldArchive();
    // A stub in front of the archive stays in front of it.
    if (temp_ && oldShift_ > 0) CopyOldBytes(0, oldShift_);
    std::uint32_t number = 0;
    while (ReadNextHeader()) {
        ++number;
        if (oldHeader_.compressedSize == kSaturated32 || oldHeader_.uncompressedSize == kSaturated32 ||
            oldHeader_.localHeaderOffset == kSaturated32)
            RefuseUpdate("it uses ZIP64 records, which this writer does not write");
        if (Switch == swRead) {
            if (OnRead) OnRead(*this, oldHeader_.localHeaderOffset, number);
            continue;
        }
        if (Switch == swDelete) {
            const std::string name = storedNameToUtf8(oldName_, oldHeader_.flag);
            const bool named = std::any_of(FileSpec.begin(), FileSpec.end(), [&](const std::string& line) {
                const std::string pattern = StoredDirNames == sdNone ? platform::fileNamePart(line) : line;
                return !pattern.empty() && platform::wildcardMatch(name, pattern, true);
            });
            if (named) continue;  // dropped: the offsets of later members follow from the copy
        }
        TEntry entry;
        entry.Key = oldName_;
        entry.State = esKept;
        entry.Size = oldHeader_.compressedSize;
        entry.OldOffset = oldHeader_.localHeaderOffset + oldShift_;
        entry.DateTime = oldHeader_.dosDateTime();
        entry.Attributes = oldHeader_.externalAttributes;
        entry.Header = oldHeader_;
        entry.StoredName = oldName_;
        entry.Utf8Name = (oldHeader_.flag & kFlagUtf8Name) != 0;
        entry.Extra = oldExtra_;
        entry.Comment = oldComment_;
        entries_.append(std::move(entry));
    }
    if (oldPosition_ != oldCentralEnd_ || number % 0x10000 != oldEntries_ % 0x10000)
        RefuseUpdate("its central directory is damaged (" + std::to_string(number) + " of " +
                     std::to_string(oldEntries_) + " records readable)");
}

void TZip::Finish() {
    if (entries_.empty()) {
        oldArchive_.reset();
        if (update_) platform::deleteFile(archiveFile_);  // an update that leaves no member
        DropTemporaryFile();
        return;
    }
    const std::uint64_t centralOffset = temp_->position();
    std::size_t count = 0;
    for (const TEntry& entry : entries_.items()) {
        if (entry.State == esFailed) continue;
        CentralFileHeader header = entry.Header;
        header.nameLength = static_cast<std::uint16_t>(entry.StoredName.size());
        header.extraLength = static_cast<std::uint16_t>(entry.Extra.size());
        header.commentLength = static_cast<std::uint16_t>(entry.Comment.size());
        WriteBlock(*temp_, header.encode());
        WriteBlock(*temp_, entry.StoredName.data(), entry.StoredName.size());
        WriteBlock(*temp_, entry.Extra.data(), entry.Extra.size());
        WriteBlock(*temp_, entry.Comment.data(), entry.Comment.size());
        ++count;
    }
    const std::uint64_t centralSize = temp_->position() - centralOffset;
    if (count > kMaxMembers)
        RaiseError(kMsgWriteError, archiveFile_,
                   beyondLimit("The member count of " + archiveFile_ + " (" + std::to_string(count) + ")", "65535"));
    if (centralOffset > kMax32 || centralSize > kMax32)
        RaiseError(kMsgWriteError, archiveFile_, beyondLimit("The archive " + archiveFile_, kSizeLimit));
    EndRecord end;
    end.entriesOnDisk = end.totalEntries = static_cast<std::uint16_t>(count);
    end.centralDirectorySize = static_cast<std::uint32_t>(centralSize);
    end.centralDirectoryOffset = static_cast<std::uint32_t>(centralOffset);
    WriteBlock(*temp_, end.encode());

    temp_.reset();
    oldArchive_.reset();
    ReplaceArchive();
}

void TZip::ReplaceArchive() {
    const bool replace = Switch == swDelete ? processed_ > 0 : written_ > 0;
    if (!replace) {
        DropTemporaryFile();  // nothing new: the archive stays as it was
        return;
    }
    // The temporary file is private (0600); the archive gets the mode of the file it replaces.
    if (!platform::replaceFile(tempPath_, archiveFile_)) RaiseError(kMsgWriteError, archiveFile_);
    tempPath_.clear();
    archiveWritten_ = true;
}

void TZip::Report() {
    if (!OnRead) return;
    std::uint32_t number = 0;
    for (const TEntry& entry : entries_.items()) {
        ++number;
        if (entry.State == esNew) OnRead(*this, entry.Header.localHeaderOffset, number);
    }
}

}  // namespace zip
