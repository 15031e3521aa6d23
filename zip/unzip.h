#pragma once
// TUnZIP: the ZIP extractor. Setting ArchiveFile runs the recognition; ExtractFiles() walks the
// central directory (or, without a usable one, the local file headers) from the first record
// offset, selects the members FileSpec names and extracts them under ExtractDir (see unzip_base.h
// for the run's failure rules).
//
// Members are decoded by method (0 stored, 1 shrunk, 2-5 reduced, 6 imploded, 8 deflated), read
// in blocks of at most 32 KiB and written in blocks; the CRC-32 of the written data is checked.
// A member whose local data overlaps that of a member already extracted in the run is skipped
// (25248), and data beyond a member's declared size counts as a CRC failure (25151).
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "zip/crypt.h"
#include "zip/unzip_base.h"

namespace zip {

class TUnZIP : public TUnBase {
public:
    using TGetPasswordEvent =
        std::function<void(TZipCommon& Sender, const std::string& FN, std::string& Password, bool& TryAgain)>;
    using TCorruptHeaderEvent = std::function<void(TZipCommon& Sender, std::uint8_t HeadFlag, bool& Cancel)>;
    using TDiskEvent = std::function<void(TZipCommon& Sender, bool& Cancel)>;
    using TNextDiskEvent = std::function<void(TZipCommon& Sender, const std::string& VolumeName, bool& Cancel)>;

    std::vector<std::string> Passwords;
    int PasswordAttempts = 3;

    TGetPasswordEvent OnGetPassword;
    TCorruptHeaderEvent OnCorruptZipHeader;
    // Multi-part archives are not read; these are never called.
    TDiskEvent OnGetZipFirstDisk;
    TDiskEvent OnGetZipLastDisk;
    TNextDiskEvent OnGetZipNextDisk;

    // The members a run would select, in walk order, without extracting anything. Raises the same
    // three errors as ExtractFiles(); a failure during the walk ends the list early.
    std::vector<TMemberRecord> ListMembers();

protected:
    void Walk(FileStream& archive) override;

private:
    // Fills members_; false when OnCorruptZipHeader cancelled the run.
    bool WalkMembers(FileStream& archive);
    void ExtractMember(FileStream& archive, const TMemberRecord& member);
    // Tries Password, Passwords and OnGetPassword on the encryption header at `position`.
    std::optional<TraditionalDecryptor> UnlockMember(FileStream& archive, std::uint64_t position,
                                                     std::uint8_t checkByte, const std::string& name);
    // Decodes `size` bytes of member data at `position` into `file`; true when the data would
    // have produced more than the declared size.
    bool DecodeMember(FileStream& archive, const TMemberRecord& member, std::uint16_t localFlag, std::uint64_t position,
                      std::uint64_t size, std::optional<TraditionalDecryptor>& decryptor, MemberFile& file, Crc32& crc,
                      const std::string& name);
    // Local data already extracted in this run: start -> end of [local header, end of data).
    bool OverlapsExtracted(std::uint64_t start, std::uint64_t end) const;

    std::map<std::uint64_t, std::uint64_t> extracted_;
};

}  // namespace zip
