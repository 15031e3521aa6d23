#pragma once
// TUnBase: the frame of an extraction run, shared by the archive readers.
//
// ExtractFiles() runs one extraction. Three failures found before the walk reach the caller as
// platform::E_RAISE: no ArchiveFile (25172 "File not found"), an archive of no usable kind (25242)
// and an archive that cannot be opened (25235). Everything that goes wrong later goes to OnError
// and to Problems() only; the run then yields fewer, empty or incomplete files.
//
// Output stays inside ExtractDir whatever the stored names say, no symbolic link is followed or
// made, every output file is at most its member's declared size, and the archive itself is never
// overwritten (a member whose output path is the archive fails with 25235).
#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "zip/component.h"
#include "zip/unzip_names.h"

namespace zip {

class FileStream;
class MemberFile;

enum TOverwriteMode { omOverwrite, omSkip };
enum TDateAttribute { daFileDate, daSysDate, daMaxFileDate };
enum TCpuType { cptAuto, cpt80286, cpt80386, cpt80486 };

// One selected member, in walk order. The first seven fields are those of the walk's header
// (sizes and offset widened by a ZIP64 extra field; for a streamed member found by the local walk,
// CRC-32 and sizes come from its data descriptor); Attributes are the external file attributes
// in a central walk and 0x20 in a local walk.
struct TMemberRecord {
    std::uint16_t Flag = 0;
    std::uint32_t Method = 0;
    std::uint64_t LocalHeaderOffset = 0;
    std::uint64_t CompressedSize = 0;
    std::uint64_t UncompressedSize = 0;
    std::uint32_t Crc32 = 0;
    std::uint32_t Attributes = 0;
    // Also kept: the converted name, the DOS date-time word and "version made by" (0 in a local walk).
    std::string Name;
    std::uint32_t DosDateTime = 0;
    std::uint16_t VersionMadeBy = 0;
};

class TUnBase : public TZipCommon {
public:
    using TFileExistsEvent = std::function<void(TZipCommon& Sender, const std::string& FN, std::time_t FileDate,
                                                TOverwriteMode& OverwriteMode)>;

    // With a trailing "/". Setting "" takes the folder of ArchiveFile (or stays empty without one).
    const std::string& ExtractDir() const { return extractDir_; }
    void SetExtractDir(const std::string& dir);

    bool ConfirmOverwrites = true;
    TOverwriteMode OverwriteMode = omOverwrite;
    TDateAttribute DateAttribute = daFileDate;
    bool RestoreFileAttr = true;
    bool UseStoredDirs = true;
    TCpuType CpuType = cptAuto;  // no effect; a run turns cpt80486 into cptAuto

    TFileExistsEvent OnFileExists;

    // Runs one extraction and returns the number of members whose extraction was begun.
    std::uint32_t ExtractFiles();
    // Files the last run wrote in full (decoded to their end; a CRC failure is a recorded problem
    // of its own). Members skipped for a password or a method, or cut short, are not counted.
    std::uint32_t FilesWritten() const { return filesWritten_; }

    // The member list of the last run, in walk order.
    const std::vector<TMemberRecord>& Members() const { return members_; }

protected:
    // The walk and the extraction of its members; empty here.
    virtual void Walk(FileStream& archive);

    // Opens the archive for a run after the checks that reach the caller.
    std::unique_ptr<FileStream> OpenArchiveForRun();

    // Where a member goes: `relative` becomes the full output path below ExtractDir. Folder
    // entries make their folders here.
    MemberPath FormOutputPath(const std::string& memberName);
    // Opens the output file (making its folders); false when it cannot be created or when it is
    // the archive being read.
    bool OpenOutputFile(const std::string& path, MemberFile& file, const FileStream& archive);
    // Sets the time stamp by DateAttribute and, when asked, the attribute word; then closes.
    void FinishOutputFile(MemberFile& file, const std::string& path, std::uint32_t dosDateTime,
                          std::uint32_t attributes);

    std::vector<TMemberRecord> members_;
    std::uint32_t extractionCount_ = 0;
    std::uint32_t filesWritten_ = 0;
    std::int32_t maxFileDate_ = 0;
    std::string outputPath_;

private:
    std::string extractDir_;
};

}  // namespace zip
