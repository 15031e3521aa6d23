// Extraction of one member: local header, overwrite decision, password, decoding into the output
// file, time stamp and attributes, CRC check.
#include <algorithm>
#include <functional>
#include <map>
#include <string>
#include <optional>
#include <vector>

#include "platform/dostime.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "zip/crypt.h"
#include "zip/decoders/decoder.h"
#include "zip/stream.h"
#include "zip/unzip.h"
#include "zip/unzip_output.h"

namespace zip {
namespace {

// Hands decoded blocks to a function (the output file, the CRC and the progress events).
class CallbackSink : public OutputSink {
public:
    explicit CallbackSink(std::function<void(const std::uint8_t*, std::size_t)> write) : write_(std::move(write)) {}
    void write(const std::uint8_t* data, std::size_t size) override { write_(data, size); }

private:
    std::function<void(const std::uint8_t*, std::size_t)> write_;
};

// An output path given by OnRenameCompressedFile is taken only when it stays below `folder`.
bool staysBelow(const std::string& path, const std::string& folder) {
    if (path.size() <= folder.size() || path.compare(0, folder.size(), folder) != 0) return false;
    const MemberPath rest = memberOutputPath(path.substr(folder.size()), true);
    return rest.kind == MemberPath::File && rest.relative == path.substr(folder.size());
}

constexpr std::uint32_t kMethodAes = 99;

// "Unsupported compression method N (name)" for the methods other tools write.
std::string unsupportedMethodText(std::uint32_t method) {
    static const std::map<std::uint32_t, const char*> names = {
        {7, "tokenizing"},
        {9, "Deflate64"},
        {10, "PKWARE DCL implode"},
        {12, "bzip2"},
        {14, "LZMA"},
        {18, "IBM TERSE"},
        {19, "IBM LZ77"},
        {93, "Zstandard"},
        {95, "XZ"},
        {96, "JPEG"},
        {97, "WavPack"},
        {98, "PPMd"},
        {kMethodAes, "AES encryption"},
    };
    const auto it = names.find(method);
    return messageText(kMsgUnsupportedMethod) + " " + std::to_string(method) +
           (it == names.end() ? std::string() : std::string(" (") + it->second + ")");
}

}  // namespace

void TUnZIP::ExtractMember(FileStream& archive, const TMemberRecord& member) {
    outputPath_ = member.Name;
    const std::uint64_t headerOffset = member.LocalHeaderOffset;
    std::uint8_t raw[kLocalHeaderSize];
    ByteCursor cursor(std::span<const std::uint8_t>(raw, archive.readAt(headerOffset, raw, sizeof raw)));
    const std::optional<LocalFileHeader> local = LocalFileHeader::decode(cursor);
    if (!local || local->signature != kLocalHeaderSignature) return Warning(kMsgInconsistentLocalHeader, member.Name);

    const std::uint64_t dataStart = headerOffset + kLocalHeaderSize + local->nameLength + local->extraLength;
    const std::uint64_t dataEnd = dataStart + member.CompressedSize;
    if (OverlapsExtracted(headerOffset, dataEnd)) return Warning(kMsgInconsistentLocalHeader, member.Name);

    // The output path comes from the local header's name.
    std::vector<std::uint8_t> nameAndExtra(std::size_t{local->nameLength} + local->extraLength);
    nameAndExtra.resize(archive.readAt(headerOffset + kLocalHeaderSize, nameAndExtra.data(), nameAndExtra.size()));
    const std::size_t nameSize = std::min<std::size_t>(local->nameLength, nameAndExtra.size());
    const std::string_view stored(reinterpret_cast<const char*>(nameAndExtra.data()), nameSize);
    const std::string localName =
        memberNameToUtf8(stored, local->flag, member.VersionMadeBy, std::span(nameAndExtra).subspan(nameSize));
    const std::string& name = localName.empty() ? member.Name : localName;
    const MemberPath target = FormOutputPath(localName);
    if (target.kind == MemberPath::Folder) return;
    if (target.kind == MemberPath::Unusable) return Warning(kMsgOpenError, name);
    outputPath_ = target.relative;

    // Overwrite decision.
    const bool exists = outputExists(outputPath_);
    if (ConfirmOverwrites && exists) {
        if (OnFileExists) {
            OnFileExists(*this, outputPath_, platform::fromDosDateTime(local->dosDateTime()), OverwriteMode);
        } else {
            OverwriteMode = omSkip;
        }
    }
    if (!exists || (OverwriteMode == omOverwrite && !Cancel)) {
        ++extractionCount_;
        bool extract = true;
        if (OnBegin) OnBegin(*this, outputPath_, extractionCount_, extract);
        if (OnRenameCompressedFile) {
            std::string renamed = outputPath_;
            OnRenameCompressedFile(*this, renamed);
            if (staysBelow(renamed, ExtractDir())) outputPath_ = renamed;
        }
        if (Cancel || !extract) return;
    }
    if (exists && OverwriteMode == omSkip) return;
    extracted_[headerOffset] = dataEnd;

    std::uint64_t dataPosition = dataStart;
    std::uint64_t dataSize = member.CompressedSize;
    std::optional<TraditionalDecryptor> decryptor;
    if (member.Method == kMethodAes)
        return Warning(kMsgUnsupportedMethod, name, {}, unsupportedMethodText(member.Method));
    if (local->flag & kFlagEncrypted) {
        const std::uint8_t check = encryptionCheckByte(local->flag, member.Crc32, local->lastModTime);
        decryptor = UnlockMember(archive, dataPosition, check, name);
        if (!decryptor) return;
        dataPosition += kEncryptionHeaderSize;
        dataSize -= std::min<std::uint64_t>(dataSize, kEncryptionHeaderSize);
    }

    MemberFile file;
    Crc32 crc;
    bool surplus = false;
    try {
        if (!OpenOutputFile(outputPath_, file, archive)) RaiseError(kMsgOpenError, name);
        surplus = DecodeMember(archive, member, local->flag, dataPosition, dataSize, decryptor, file, crc, name);
        ++filesWritten_;
    } catch (...) {
        // The member keeps what was written.
        RecordCaught(name, false);
    }
    if (file.isOpen()) FinishOutputFile(file, outputPath_, local->dosDateTime(), member.Attributes);

    const bool crcPass = crc.value() == member.Crc32 && !surplus;
    if (OnEnd) {
        OnEnd(*this, outputPath_, crcPass);
    } else if (!crcPass) {
        Warning(kMsgCrcFailed, name);
    }
}

std::optional<TraditionalDecryptor> TUnZIP::UnlockMember(FileStream& archive, std::uint64_t position,
                                                         std::uint8_t checkByte, const std::string& name) {
    std::uint8_t header[kEncryptionHeaderSize] = {};
    archive.readAt(position, header, sizeof header);
    auto attempt = [&](const std::string& password) -> std::optional<TraditionalDecryptor> {
        if (password.empty()) return std::nullopt;
        TraditionalDecryptor decryptor(password);
        if (!decryptor.acceptHeader(header, checkByte)) return std::nullopt;
        Password = password;
        return decryptor;
    };
    if (auto unlocked = attempt(Password)) return unlocked;
    bool tried = !Password.empty();
    for (const std::string& line : Passwords) {
        if (auto unlocked = attempt(line)) return unlocked;
        tried = tried || !line.empty();
    }
    if (!OnGetPassword) {
        Warning(kMsgEventNotAssigned, name, "OnGetPassword",
                tried ? "Wrong password: no password given opens this encrypted member"
                      : "Password missing: this member is encrypted and no password was given");
        return std::nullopt;
    }
    for (int i = 0; i < PasswordAttempts; ++i) {
        std::string password;
        bool tryAgain = true;
        OnGetPassword(*this, name, password, tryAgain);
        if (auto unlocked = attempt(password)) return unlocked;
        Warning(kMsgInvalidPassword, name);
        if (!tryAgain) break;
    }
    RaiseError(kMsgPasswordFailed, name);
}

bool TUnZIP::DecodeMember(FileStream& archive, const TMemberRecord& member, std::uint16_t localFlag,
                          std::uint64_t position, std::uint64_t size, std::optional<TraditionalDecryptor>& decryptor,
                          MemberFile& file, Crc32& crc, const std::string& name) {
    std::uint64_t written = 0;
    CallbackSink sink([&](const std::uint8_t* data, std::size_t count) {
        if (!file.write(data, count)) RaiseError(kMsgWriteError, name);
        crc.update(data, count);
        written += count;
        ProcessMessages();
        if (OnProgress) OnProgress(*this, written, position);
    });
    const std::unique_ptr<Decoder> decoder =
        makeDecoder(static_cast<int>(member.Method), localFlag, member.UncompressedSize, sink);
    if (!decoder) RaiseError(kMsgUnsupportedMethod, name, unsupportedMethodText(member.Method));

    std::vector<std::uint8_t> block(kBlockSize);
    DecodeStatus status = DecodeStatus::NeedInput;
    while (status == DecodeStatus::NeedInput && !Cancel) {
        const auto wanted = static_cast<std::size_t>(std::min<std::uint64_t>(size, block.size()));
        const std::size_t got = archive.readAt(position, block.data(), wanted);
        position += got;
        size -= got;
        if (decryptor) decryptor->decrypt(block.data(), got);
        status = decoder->feed({block.data(), got}, size == 0 || got < wanted);
    }
    if (status == DecodeStatus::Error) RaiseError(decoder->errorNumber(), name);
    return decoder->surplus();
}

}  // namespace zip
