#include "zip/unzip_base.h"

#include <chrono>

#include "platform/dostime.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "zip/recognition.h"
#include "zip/stream.h"
#include "zip/unzip_names.h"
#include "zip/unzip_output.h"

namespace zip {
namespace {

// Kinds that a run refuses with 25242; every other kind goes on (only the ZIP kinds have members).
bool refusedKind(TArcType type) {
    switch (type) {
        case atNA:
        case atUnsupported:
        case atFileOpenErr:
        case atUnknown:
        case atHa:
        case atMsGZ:
        case atPak:
        case atPakExe: return true;
        default: return false;
    }
}

}  // namespace

void TUnBase::SetExtractDir(const std::string& dir) {
    if (dir.empty()) {
        extractDir_ = ArchiveFile().empty() ? std::string() : platform::folderPart(ArchiveFile());
        return;
    }
    extractDir_ = dir;
    if (extractDir_.back() != '/') extractDir_ += '/';
}

void TUnBase::Walk(FileStream&) {}

std::unique_ptr<FileStream> TUnBase::OpenArchiveForRun() {
    try {
        if (ArchiveFile().empty()) RaiseError(kMsgFileNotFound, {});
        if (refusedKind(ArcType())) RaiseError(kMsgUnsupportedArchive, ArchiveFile());
        auto archive = FileStream::openRead(ArchiveFile());
        if (!archive) RaiseError(kMsgOpenError, ArchiveFile());
        return archive;
    } catch (const platform::E_RAISE&) {
        RecordCaught(ArchiveFile(), true);
        throw;
    }
}

std::uint32_t TUnBase::ExtractFiles() {
    BeginRun();
    extractionCount_ = 0;
    filesWritten_ = 0;
    members_.clear();
    maxFileDate_ = 0;
    ProcessMessages();
    if (CpuType == cpt80486) CpuType = cptAuto;
    const auto started = std::chrono::steady_clock::now();

    const std::unique_ptr<FileStream> archive = OpenArchiveForRun();
    if (OnActivate) OnActivate(*this);
    Password.clear();
    outputPath_.clear();
    try {
        Walk(*archive);
    } catch (...) {
        RecordCaught(outputPath_, true);
    }
    if (OnElapsedTime) {
        OnElapsedTime(*this, std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count());
    }
    if (OnDeactivate) OnDeactivate(*this);
    return extractionCount_;
}

MemberPath TUnBase::FormOutputPath(const std::string& memberName) {
    if (ExtractDir().empty()) SetExtractDir({});
    if (ExtractDir().empty()) SetExtractDir(platform::currentFolder());
    MemberPath path = memberOutputPath(memberName, UseStoredDirs);
    if (path.kind == MemberPath::Folder && !path.relative.empty()) {
        platform::createFolders(ExtractDir());
        makeFoldersBelow(ExtractDir(), path.relative);
    }
    if (path.kind != MemberPath::Unusable) path.relative = ExtractDir() + path.relative;
    return path;
}

bool TUnBase::OpenOutputFile(const std::string& path, MemberFile& file, const FileStream& archive) {
    if (path.empty()) return false;
    platform::createFolders(ExtractDir());
    const std::string relative = path.substr(ExtractDir().size());
    makeFoldersBelow(ExtractDir(), platform::folderPart(relative));
    return file.open(path, &archive);
}

void TUnBase::FinishOutputFile(MemberFile& file, const std::string& path, std::uint32_t dosDateTime,
                               std::uint32_t attributes) {
    file.close();
    if (DateAttribute == daFileDate) {
        platform::setFileDosDateTime(path, dosDateTime);
    } else if (DateAttribute == daMaxFileDate) {
        platform::setFileDosDateTime(path, static_cast<std::uint32_t>(maxFileDate_));
    }
    if (RestoreFileAttr && attributes != platform::kAttrArchive) platform::setFileAttributes(path, attributes);
}

}  // namespace zip
