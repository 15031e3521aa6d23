#pragma once
// TAttributeFilter: which files the writer's expansion accepts, by attribute word.
//
// The mask ftFileAttr goes to the directory search; the eight flags decide in accepts(). The
// setters keep mask and flags in step: any file means mask 0x93F (2367) and every flag set.
#include <array>
#include <cstdint>

namespace zip {

class TAttributeFilter {
public:
    static constexpr std::uint32_t kAnyFileMask = 0x93F;  // 2367

    TAttributeFilter() { SetftFileAttr(0); }

    std::uint32_t ftFileAttr() const { return fileAttr_; }
    void SetftFileAttr(std::uint32_t value);

    bool ftArchive() const { return flag(kArchive); }
    bool ftHidden() const { return flag(kHidden); }
    bool ftReadOnly() const { return flag(kReadOnly); }
    bool ftSysFile() const { return flag(kSysFile); }
    bool ftCompressed() const { return flag(kCompressed); }
    bool ftDirectory() const { return flag(kDirectory); }
    bool ftVolumeID() const { return flag(kVolumeID); }
    bool ftTemporary() const { return flag(kTemporary); }
    bool ftAnyFile() const { return anyFile_; }

    void SetftArchive(bool v) { setFlag(kArchive, v); }
    void SetftHidden(bool v) { setFlag(kHidden, v); }
    void SetftReadOnly(bool v) { setFlag(kReadOnly, v); }
    void SetftSysFile(bool v) { setFlag(kSysFile, v); }
    void SetftCompressed(bool v) { setFlag(kCompressed, v); }
    void SetftDirectory(bool v) { setFlag(kDirectory, v); }
    void SetftVolumeID(bool v) { setFlag(kVolumeID, v); }
    void SetftTemporary(bool v) { setFlag(kTemporary, v); }
    void SetftAnyFile(bool v);

    // The filter applied to the low 16 bits of a match's attribute word. The folder and volume
    // bits are not examined here: the search mask decides about them.
    bool accepts(std::uint32_t attributes) const;

private:
    enum Index { kArchive, kHidden, kReadOnly, kSysFile, kCompressed, kDirectory, kVolumeID, kTemporary, kCount };
    static constexpr std::array<std::uint32_t, kCount> kBits = {0x20, 0x02, 0x01, 0x04, 0x800, 0x10, 0x08, 0x100};

    bool flag(Index i) const { return flags_[i]; }
    void setFlag(Index i, bool v);
    void recompute();

    std::uint32_t fileAttr_ = 0;
    std::array<bool, kCount> flags_{};
    bool anyFile_ = false;
};

}  // namespace zip
