#include "zip/attributes.h"

#include <algorithm>

namespace zip {

void TAttributeFilter::SetftFileAttr(std::uint32_t value) {
    if (value == 0 || (value & 0x3F) == 0x3F || (value & 0x80)) {
        anyFile_ = true;
    } else {
        // A specific mask ends "any file"; otherwise the flags taken from it would be overruled.
        anyFile_ = false;
        for (int i = 0; i < kCount; ++i) flags_[i] = (value & kBits[i]) != 0;
    }
    recompute();
}

void TAttributeFilter::setFlag(Index i, bool v) {
    flags_[i] = v;
    const bool allEqual = std::all_of(flags_.begin(), flags_.end(), [&](bool f) { return f == flags_[0]; });
    if (allEqual)
        anyFile_ = true;
    else if (!v)
        anyFile_ = false;
    recompute();
}

void TAttributeFilter::SetftAnyFile(bool v) {
    anyFile_ = v;
    recompute();
}

void TAttributeFilter::recompute() {
    if (anyFile_) {
        fileAttr_ = kAnyFileMask;
    } else {
        fileAttr_ = 0;
        for (int i = 0; i < kCount; ++i)
            if (flags_[i]) fileAttr_ += kBits[i];
    }
    for (int i = 0; i < kCount; ++i) flags_[i] = (fileAttr_ & kBits[i]) != 0;
}

bool TAttributeFilter::accepts(std::uint32_t attributes) const {
    const std::uint32_t a = attributes & 0xFFFF;
    constexpr std::uint32_t kAllDosBits = 0x01 | 0x02 | 0x04 | 0x08 | 0x10 | 0x20 | 0x80;
    if ((a & kAllDosBits) == kAllDosBits) return true;
    bool ok = !(a & 0x20) || ftArchive();
    if (a & 0x01) ok = ok && ftReadOnly();
    if (a & 0x02) ok = ok && ftHidden();
    if (a & 0x04) ok = ok && ftSysFile();
    if (a & 0x800) ok = ok && ftCompressed();
    if (a & 0x100) return ok && ftTemporary();
    return ok;
}

}  // namespace zip
