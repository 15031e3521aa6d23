// TCompBase: the writer's run and its properties.
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <exception>

#include "platform/errors.h"
#include "platform/files.h"
#include "platform/tempfile.h"
#include "zip/stream.h"
#include "zip/writer.h"

namespace zip {

namespace {

// Attribute bits that make an existing archive not writeable: read-only, hidden, system,
// volume label, folder.
constexpr std::uint32_t kNonWriteableBits = 0x01 | 0x02 | 0x04 | 0x08 | 0x10;

std::string lowerAscii(std::string s) {
    for (auto& c : s)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    return s;
}

// Position of the extension's "." in the last component, or npos when there is no extension.
std::size_t extensionStart(const std::string& path) {
    const std::string extension = platform::extensionOf(path);
    return extension.empty() ? std::string::npos : path.size() - extension.size() - 1;
}

std::uint64_t regularFileSize(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return 0;
    return static_cast<std::uint64_t>(st.st_size);
}

std::string withExtension(std::string path, const std::string& ext) {
    if (!path.empty() && path.back() == '.') path.pop_back();
    return path + ext;
}

}  // namespace

TCompBase::TCompBase() : DefaultDir(platform::currentFolder()) {
    SetDefaultExt(".ZIP");
    recognition_.arcType = atZip;
}

TCompBase::~TCompBase() = default;

void TCompBase::SetArchiveFile(const std::string& name) {
    archiveFile_ = name;
    if (name.empty()) {
        recognition_.arcType = atNA;
        return;
    }
    recognition_.arcType = atZip;
    if (extensionStart(archiveFile_) == std::string::npos) archiveFile_ = withExtension(archiveFile_, defaultExt_);
}

void TCompBase::SetDefaultExt(const std::string& value) {
    std::string ext;
    if (value.empty() || value == ".") {
        ext = ".ZIP";
    } else {
        ext = value.find('.') == std::string::npos ? "." + value : value;
        ext = lowerAscii(ext.substr(0, 4));
    }
    const std::string previous = defaultExt_;
    defaultExt_ = ext;
    if (archiveFile_.empty()) return;
    const std::size_t dot = extensionStart(archiveFile_);
    if (dot == std::string::npos)
        archiveFile_ = withExtension(archiveFile_, ext);
    else if (lowerAscii(archiveFile_.substr(dot)) == lowerAscii(previous))
        archiveFile_ = archiveFile_.substr(0, dot) + ext;
}

int TCompBase::DeflateLevel() const {
    switch (deflateType_) {
        case dtDeflateS: return 1;
        case dtDeflateF: return 2;
        case dtDeflateN: return 7;
        case dtDeflateX: return 9;
    }
    return 7;
}

std::uint16_t TCompBase::DeflateFlagBits() const {
    switch (deflateType_) {
        case dtDeflateS: return 6;
        case dtDeflateF: return 4;
        case dtDeflateN: return 0;
        case dtDeflateX: return 2;
    }
    return 0;
}

void TCompBase::SetCompressMethod(TCompressMethod method) {
    if (method == cmStore || method == cmDeflate) compressMethod_ = method;
}

std::uint32_t TCompBase::Compress() {
    BeginRun();
    entries_.clear();
    written_ = failed_ = processed_ = 0;
    archiveWritten_ = false;
    totalSize_ = 0;
    progressDone_ = 0;
    update_ = false;
    writtenPaths_.clear();
    currentFile_ = archiveFile_;
    if (archiveFile_.empty()) return 0;

    const auto started = std::chrono::steady_clock::now();
    try {
        Run();
    } catch (...) {
        RecordCaught(currentFile_, true, true);
    }

    // Whatever happened: close the streams, drop the list, remove a temporary file left over.
    oldArchive_.reset();
    DropTemporaryFile();
    entries_.clear();
    try {
        if (Switch == swMove && archiveWritten_) DeleteMovedFiles();
        if (OnDeactivate) OnDeactivate(*this);
        const std::chrono::duration<double> spent = std::chrono::steady_clock::now() - started;
        if (OnElapsedTime) OnElapsedTime(*this, spent.count());
    } catch (...) {
        // Errors after the archive is in place do not change the run's result.
    }
    return written_;
}

void TCompBase::Run() {
    const std::uint32_t attributes = platform::fileAttributes(archiveFile_);
    const bool exists = attributes != platform::kNoFile;
    // An existing empty file holds no archive: it is simply replaced.
    const bool update = exists && !FreshArchive && regularFileSize(archiveFile_) > 0;

    if (Switch == swRead) {
        if (update) {
            update_ = true;
            oldArchive_ = FileStream::openRead(archiveFile_);
            if (!oldArchive_) throw platform::EFOpenError(archiveFile_);
            ReadOldArchive();
            Report();
        }
        return;
    }
    if (Switch == swDelete && !update) RaiseError(kMsgNothingToDo, archiveFile_);

    if (exists && (attributes & kNonWriteableBits)) {
        bool writeToFile = false;
        if (OnNonWriteableArchive) OnNonWriteableArchive(*this, archiveFile_, writeToFile);
        if (!writeToFile || !platform::setFileAttributes(archiveFile_, platform::kAttrArchive))
            RaiseError(kMsgWriteError, archiveFile_);
    }

    // The "oxr" prefix marks the writer's temporary archives: a leftover of a run that was killed
    // is told apart from other temporary files by it (and the tests look for such leftovers).
    try {
        tempPath_ = platform::createTempFile("oxr");
    } catch (const platform::Error&) {
        throw platform::E_RAISE(kMsgOpenError, messageText(kMsgOpenError));
    }
    temp_ = FileStream::openWriteTruncate(tempPath_);
    if (!temp_) throw platform::EFCreateError(tempPath_);

    update_ = update;
    if (update_) {
        oldArchive_ = FileStream::openRead(archiveFile_);
        if (!oldArchive_) throw platform::EFOpenError(archiveFile_);
    }
    if (OnActivate) OnActivate(*this);

    if (update_) ReadOldArchive();
    if (Switch != swDelete) ExpandFileSpec();
    ProcessEntries();
    Finish();
    Report();
}

void TCompBase::ProcessEntries() {
    for (TEntry& entry : entries_.items()) {
        switch (entry.State) {
            case esNew:
            case esReplace:
                if (Cancel) {
                    entry.State = esFailed;
                    break;
                }
                currentFile_ = entry.Key;
                WriteMember(entry);
                if (entry.State != esFailed) {
                    ++written_;
                    writtenPaths_.push_back(entry.Key);
                    entry.Key = entry.StoredName;
                }
                break;
            case esKept:
                // Kept members are copied even after a cancel: dropping them would lose them.
                currentFile_ = archiveFile_;
                CopyKeptMember(entry);
                break;
            case esFailed: break;
        }
        ++processed_;
    }
    currentFile_ = archiveFile_;
}

void TCompBase::DeleteMovedFiles() {
    if (VerifyBeforeDelete) {
        for (const std::string& path : writtenPaths_) platform::deleteFile(path);
        return;
    }
    update_ = false;
    entries_.clear();
    ExpandFileSpec();
    for (const TEntry& entry : entries_.items()) platform::deleteFile(entry.Key);
    entries_.clear();
}

void TCompBase::DropTemporaryFile() {
    temp_.reset();
    if (!tempPath_.empty()) platform::deleteFile(tempPath_);
    tempPath_.clear();
}

}  // namespace zip
