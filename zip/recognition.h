#pragma once
// Recognition: decides from a file's bytes whether and where a ZIP archive lies in it.
//
// recognizeArchive() never fails on damaged or foreign data: it reports a kind (TArcType), the
// offset of the first record the reader walks from, and the chain flags saying how much of the
// central directory chain was found. Only a device error while reading escapes, as
// platform::Error. The file is opened and closed inside the call.
#include <cstdint>
#include <string>

#include "zip/records.h"

namespace zip {

class FileStream;

// Archive kinds; the ordinal values are fixed. The ZIP kinds are atZip, atZipExe, atZipMV, atJar.
enum TArcType : std::uint8_t {
    atNA = 0,  // no archive, or not recognised
    atUnsupported = 1,
    atFileOpenErr = 2,  // cannot be opened, or shorter than 20 bytes
    atUnknown = 3,
    atHa = 10,
    atMsGZ = 12,
    atJar = 14,
    atPak = 20,
    atPakExe = 21,
    atZip = 26,
    atZipExe = 27,  // ZIP data behind a leading stub
    atZipMV = 28,   // multi-part archive
};

bool isZipKind(TArcType type);
const char* arcTypeName(TArcType type);  // "atZip", ...

// Chain flags: what of the chain end record -> central header -> local header was found.
constexpr std::uint8_t kChainEndRecord = 1;
constexpr std::uint8_t kChainCentralHeader = 8;
constexpr std::uint8_t kChainLocalHeader = 16;
constexpr std::uint8_t kChainComplete = kChainEndRecord | kChainCentralHeader | kChainLocalHeader;  // 25

// ZipCmntBufSize: 0 until set; a set value is kept between these limits.
constexpr int kZipCmntBufSizeMin = 2000;
constexpr int kZipCmntBufSizeMax = 32767;
int clampZipCmntBufSize(int value);

// Files shorter than this are atFileOpenErr whatever they hold.
constexpr std::uint64_t kMinArchiveSize = 20;

struct Recognition {
    TArcType arcType = atNA;
    std::uint64_t firstRecordOffset = 0;
    std::uint8_t chainFlags = 0;
    std::uint64_t archiveSize = 0;
    // Added to every offset the central directory records: the length of a stub put in front of
    // the archive without adjusting its offsets (0 for a sound archive).
    std::uint64_t offsetShift = 0;
    // The last records read (valid as far as the chain flags say).
    EndRecord endRecord;
    CentralFileHeader centralHeader;
    LocalFileHeader localHeader;
};

// Runs the whole recognition on `path`. An empty path gives atNA.
Recognition recognizeArchive(const std::string& path, int zipCmntBufSize);

// The end record search alone over an open file of `size` bytes: returns the offset where the
// central directory starts when the full chain was found, else 0; sets chain flags, records and
// offsetShift. A ZIP64 end record and an unadjusted stub are followed.
std::uint64_t findEndRecord(FileStream& file, std::uint64_t size, int zipCmntBufSize, Recognition& state);

}  // namespace zip
