#pragma once
// The archive writer: TCompBase (the run, the file list) and TZip (the ZIP records).
//
// Use: fill FileSpec (one full path or pattern per line), set ArchiveFile, call Compress().
// Compress() returns the number of members written in this run and never throws. The archive is
// built in a temporary file ("oxr..." in the system's temporary folder) and moved onto
// ArchiveFile at the end; when a run fails, the temporary file is removed and an existing
// archive is left as it was. LastError() tells what ended the run (empty: it completed);
// Problems() lists every error of the run, including members dropped because their data could
// not be read (such a member is left out of the archive, which is still written).
//
// Building a fresh archive for Save: set FreshArchive = true. An existing file at ArchiveFile is
// then never read or updated; the new archive replaces it atomically only when the run succeeds
// (the old file stays untouched on failure). The non-writeable check still applies: an existing
// read-only or hidden (dot-named) target is refused with 25136. Note that the ArchiveFile setter
// appends DefaultExt to a name without extension.
//
// Without FreshArchive an existing archive is updated: its members are kept (copied unchanged,
// data descriptors included) and files whose stored name is already a member are not added; a run
// that adds nothing leaves the archive byte for byte as it was. An existing empty file counts as
// no archive. An update never replaces a file it cannot read in full: a file without a central
// directory where its end record says (a document, a damaged archive) or one that uses ZIP64
// records (which this writer does not write) fails the run with 25242 and a message saying why,
// and stays as it was. An archive behind a stub whose offsets were not adjusted keeps its stub
// and every member; the updated archive records the offsets from the start of the file.
//
// OnProgress reports percentages (of the current file, of all files to add) after every block.
// Password is kept but not used: members are never encrypted. A run is not re-entrant: the
// pending-messages hook must not start another Compress on the same writer.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "zip/component.h"
#include "zip/deflater.h"
#include "zip/filelist.h"

namespace zip {

enum TSwitch { swAdd, swMove, swDelete, swRead };
enum TDeflateType { dtDeflateS, dtDeflateF, dtDeflateN, dtDeflateX };  // levels 1, 2, 7, 9
enum TCompressMethod { cmStore, cmShrink, cmImplode, cmDeflate, cmDeflate64 };

class FileStream;

class TCompBase : public TZipCommon {
public:
    using TNonWriteableEvent =
        std::function<void(TZipCommon& Sender, const std::string& ArchiveFile, bool& WriteToFile)>;
    using TReplaceEvent =
        std::function<void(TZipCommon& Sender, const std::string& OldFN, const std::string& FN, std::uint32_t OldDate,
                           std::uint32_t NewDate, std::uint64_t OldFileSize, std::uint64_t NewFileSize,
                           std::uint32_t OldAttr, std::uint32_t NewAttr, bool& Replace)>;
    using TReadEvent = std::function<void(TZipCommon& Sender, std::uint64_t Offset, std::uint32_t Filenum)>;
    using TRecurseDirEvent = std::function<void(TZipCommon& Sender, const std::string& Directory)>;

    TCompBase();
    ~TCompBase() override;

    // Empty: clears the name and sets ArcType atNA. Else stores it, ArcType atZip, and appends
    // DefaultExt when the last component has no extension. No recognition runs.
    void SetArchiveFile(const std::string& name) override;

    const std::string& DefaultExt() const { return defaultExt_; }
    void SetDefaultExt(const std::string& value);

    TDeflateType DeflateType() const { return deflateType_; }
    void SetDeflateType(TDeflateType type) { deflateType_ = type; }
    int DeflateLevel() const;
    std::uint16_t DeflateFlagBits() const;  // general purpose bits 1-2 of the level

    TCompressMethod CompressMethod() const { return compressMethod_; }
    void SetCompressMethod(TCompressMethod method);  // only cmStore and cmDeflate are taken

    TSwitch Switch = swAdd;
    TStoredDirNames StoredDirNames = sdRelative;
    bool StoreAlreadyCompressedFiles = true;
    bool VerifyBeforeDelete = true;
    std::string DefaultDir;
    bool FreshArchive = false;
    // Pass over folders that a pattern matches instead of taking them as entries (which fail the
    // run when their turn comes); RecurseDirs still searches them.
    bool FilesOnly = false;

    TNonWriteableEvent OnNonWriteableArchive;
    TReplaceEvent OnReplaceFile;
    TReadEvent OnRead;
    TRecurseDirEvent OnRecurseDir;

    // Runs one write; returns the number of members written. Never throws.
    std::uint32_t Compress();

    // Figures of the last run.
    std::uint32_t WrittenCount() const { return written_; }
    std::uint32_t FailedCount() const { return failed_; }
    bool ArchiveWritten() const { return archiveWritten_; }
    std::uint64_t TotalSize() const { return totalSize_; }

    // The entry list is filled and emptied within a run; exposed for inspection by tests.
    const TEntryList& Entries() const { return entries_; }

    // Expands FileSpec into the entry list (a run does this itself).
    void ExpandFileSpec();

protected:
    // The overridable steps of a run, in order.
    virtual void Run();
    virtual void WriteMember(TEntry& entry) = 0;
    virtual void OpenOldArchive() = 0;
    virtual bool ReadNextHeader() = 0;
    virtual void ReadOldArchive() = 0;
    virtual void ProcessEntries();
    virtual void Finish() = 0;
    virtual void Report() = 0;
    virtual void ReplaceArchive() = 0;
    virtual void CopyKeptMember(TEntry& entry) = 0;

    // The file list.
    void ExpandLine(const std::string& line);
    void SearchFolder(const std::string& folder, const std::string& pattern, const std::string& startFolder);
    bool Excluded(const std::string& stored) const;
    void AddEntry(const std::string& fullPath, const std::string& stored, std::uint64_t size, std::uint32_t attr,
                  std::uint32_t dosTime);
    void DeleteMovedFiles();
    void DropTemporaryFile();

    TEntryList entries_;
    std::unique_ptr<FileStream> oldArchive_;
    std::unique_ptr<FileStream> temp_;
    std::string tempPath_;
    bool update_ = false;
    std::uint32_t written_ = 0;
    std::uint32_t failed_ = 0;
    std::uint32_t processed_ = 0;
    bool archiveWritten_ = false;
    std::uint64_t totalSize_ = 0;
    std::uint64_t progressDone_ = 0;  // bytes of new members read so far (OnProgress)
    std::vector<std::string> writtenPaths_;
    std::string currentFile_;  // the file a failure concerns

private:
    std::string defaultExt_;
    TDeflateType deflateType_ = dtDeflateN;
    TCompressMethod compressMethod_ = cmDeflate;
};

class TZip : public TCompBase {
public:
    ~TZip() override;

protected:
    void WriteMember(TEntry& entry) override;
    void OpenOldArchive() override;
    bool ReadNextHeader() override;
    void ReadOldArchive() override;
    void Finish() override;
    void Report() override;
    void ReplaceArchive() override;
    void CopyKeptMember(TEntry& entry) override;

private:
    bool StoresByExtension(const std::string& storedName) const;
    void WriteMemberData(TEntry& entry, FileStream& source, LocalFileHeader& local, std::uint64_t headerOffset);
    MemberWriter& memberWriter();

    // Refuses the update: the old archive cannot be kept whole for `reason`.
    [[noreturn]] void RefuseUpdate(const std::string& reason);
    // Copies `count` bytes of the old archive from `position` to the end of the temporary file.
    void CopyOldBytes(std::uint64_t position, std::uint64_t count);
    // The old archive's data descriptor after `length` bytes of its member at `entry`: its length.
    std::size_t OldDescriptorLength(const TEntry& entry, const LocalFileHeader& local, std::uint64_t length);

    // The walk over the old archive's central directory.
    EndRecord oldEnd_;
    std::uint64_t oldPosition_ = 0;
    std::uint64_t oldCentralEnd_ = 0;  // where the old central directory ends
    std::uint64_t oldEntries_ = 0;     // members the old end record counts
    std::uint64_t oldShift_ = 0;       // length of a stub whose offsets were not adjusted
    CentralFileHeader oldHeader_;
    std::string oldName_, oldExtra_, oldComment_;
    std::unique_ptr<MemberWriter> memberWriter_;  // made at the first member, kept for the rest
};

}  // namespace zip
