#pragma once
// The three ZIP records (local file header, central directory file header, end of central
// directory record), the CRC-32, DOS date-time words and the form of stored member names.
//
// Contract:
// - encode() gives exactly the fixed-size record (30, 46, 22 bytes), little-endian, packed;
//   the variable parts (name, extra field, comment) follow it and are the caller's.
// - decode() reads through a ByteCursor: it returns nothing when fewer bytes than the fixed size
//   are available. It does not check the signature; the caller compares `signature` with the
//   k...Signature constant, because a wrong signature and a short record mean different things.
// - Archive data is only ever read through ByteCursor (bounds-checked, sticky failure).
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace zip {

constexpr std::uint32_t kLocalHeaderSignature = 0x04034B50;     // "PK" 3 4
constexpr std::uint32_t kCentralHeaderSignature = 0x02014B50;   // "PK" 1 2
constexpr std::uint32_t kEndRecordSignature = 0x06054B50;       // "PK" 5 6
constexpr std::uint32_t kDataDescriptorSignature = 0x08074B50;  // "PK" 7 8

constexpr std::size_t kLocalHeaderSize = 30;
constexpr std::size_t kCentralHeaderSize = 46;
constexpr std::size_t kEndRecordSize = 22;

// General purpose bit flag bits.
constexpr std::uint16_t kFlagEncrypted = 0x0001;
constexpr std::uint16_t kFlagDataDescriptor = 0x0008;
constexpr std::uint16_t kFlagUtf8Name = 0x0800;  // the stored name is UTF-8

// Compression methods the writer produces.
constexpr std::uint16_t kMethodStored = 0;
constexpr std::uint16_t kMethodDeflated = 8;

// Reads little-endian integers and byte runs from a byte span. Every read checks the remaining
// length; after the first short read the cursor is failed for good and returns zeros / empty
// spans, so a caller checks ok() once after a whole record.
class ByteCursor {
public:
    explicit ByteCursor(std::span<const std::uint8_t> data) : data_(data) {}
    explicit ByteCursor(std::string_view data)
        : data_(reinterpret_cast<const std::uint8_t*>(data.data()), data.size()) {}

    std::uint8_t get8();
    std::uint16_t get16();
    std::uint32_t get32();
    std::span<const std::uint8_t> bytes(std::size_t count);
    std::string_view text(std::size_t count);  // bytes() as characters
    void skip(std::size_t count) { bytes(count); }

    bool ok() const { return ok_; }
    std::size_t position() const { return position_; }
    std::size_t remaining() const { return ok_ ? data_.size() - position_ : 0; }

private:
    bool take(std::size_t count);  // false (and failed) when fewer than count bytes remain

    std::span<const std::uint8_t> data_;
    std::size_t position_ = 0;
    bool ok_ = true;
};

// Appends little-endian integers to a byte buffer.
class ByteWriter {
public:
    void put16(std::uint16_t v);
    void put32(std::uint32_t v);
    void putBytes(std::span<const std::uint8_t> b);
    const std::string& data() const { return data_; }

private:
    std::string data_;
};

// Local file header (30 bytes). The time and date fields together form the DOS date-time word
// (time in the low half, date in the high half).
struct LocalFileHeader {
    std::uint32_t signature = kLocalHeaderSignature;
    std::uint16_t versionNeeded = 20;
    std::uint16_t flag = 0;
    std::uint16_t method = kMethodDeflated;
    std::uint16_t lastModTime = 0;
    std::uint16_t lastModDate = 0;
    std::uint32_t crc32 = 0;
    std::uint32_t compressedSize = 0;
    std::uint32_t uncompressedSize = 0;
    std::uint16_t nameLength = 0;
    std::uint16_t extraLength = 0;

    std::uint32_t dosDateTime() const { return (std::uint32_t(lastModDate) << 16) | lastModTime; }
    void setDosDateTime(std::uint32_t dos);
    std::array<std::uint8_t, kLocalHeaderSize> encode() const;
    static std::optional<LocalFileHeader> decode(ByteCursor& in);
};

// Central directory file header (46 bytes).
struct CentralFileHeader {
    std::uint32_t signature = kCentralHeaderSignature;
    std::uint16_t versionMadeBy = 20;
    std::uint16_t versionNeeded = 9;
    std::uint16_t flag = 0;
    std::uint16_t method = kMethodDeflated;
    std::uint16_t lastModTime = 0;
    std::uint16_t lastModDate = 0;
    std::uint32_t crc32 = 0;
    std::uint32_t compressedSize = 0;
    std::uint32_t uncompressedSize = 0;
    std::uint16_t nameLength = 0;
    std::uint16_t extraLength = 0;
    std::uint16_t commentLength = 0;
    std::uint16_t diskNumberStart = 0;
    std::uint16_t internalAttributes = 1;
    std::uint32_t externalAttributes = 0;
    std::uint32_t localHeaderOffset = 0;

    std::uint32_t dosDateTime() const { return (std::uint32_t(lastModDate) << 16) | lastModTime; }
    void setDosDateTime(std::uint32_t dos);
    std::array<std::uint8_t, kCentralHeaderSize> encode() const;
    static std::optional<CentralFileHeader> decode(ByteCursor& in);

    // The header the writer puts in the central directory for a member whose local header is
    // `local`: version made by 20, version needed 9, internal attributes 1.
    static CentralFileHeader fromLocal(const LocalFileHeader& local, std::uint32_t externalAttributes,
                                       std::uint32_t localHeaderOffset);
};

// End of central directory record (22 bytes).
struct EndRecord {
    std::uint32_t signature = kEndRecordSignature;
    std::uint16_t diskNumber = 0;
    std::uint16_t centralDirectoryDisk = 0;
    std::uint16_t entriesOnDisk = 0;
    std::uint16_t totalEntries = 0;
    std::uint32_t centralDirectorySize = 0;
    std::uint32_t centralDirectoryOffset = 0;
    std::uint16_t commentLength = 0;

    std::array<std::uint8_t, kEndRecordSize> encode() const;
    static std::optional<EndRecord> decode(ByteCursor& in);
};

// Four little-endian bytes at `data` equal `signature` (false when fewer than 4 bytes).
bool hasSignature(std::span<const std::uint8_t> data, std::uint32_t signature);

// CRC-32 of the ZIP format (reflected, polynomial 0xEDB88320, preset and final xor 0xFFFFFFFF),
// computed by zlib. Feed the uncompressed bytes block by block; value() of no data is 0.
class Crc32 {
public:
    void update(const void* data, std::size_t size);
    void update(std::string_view data) { update(data.data(), data.size()); }
    std::uint32_t value() const { return value_; }
    void reset() { value_ = 0; }

private:
    std::uint32_t value_ = 0;
};

std::uint32_t crc32Of(std::string_view data);

// One raw register step of the table-driven CRC (no preset, no final xor):
// table[(reg ^ byte) & 0xFF] ^ (reg >> 8). The traditional encryption keys use it.
std::uint32_t crc32Step(std::uint32_t reg, std::uint8_t byte);

// DOS date and time words. dosTime rounds odd seconds down; dosDate counts years from 1980.
struct DosDateTime {
    int year = 1980, month = 1, day = 1, hour = 0, minute = 0, second = 0;
};
std::uint16_t dosTimeWord(int hour, int minute, int second);
std::uint16_t dosDateWord(int year, int month, int day);
std::uint32_t dosDateTimeWord(const DosDateTime& t);  // date high, time low
DosDateTime splitDosDateTime(std::uint32_t word);

// A member name as it stands in the archive. Names the OEM code page (CP866) can represent are
// stored in it; other valid UTF-8 names are stored as UTF-8 and need general purpose bit 11;
// bytes that are not valid UTF-8 are stored as they are, without bit 11.
struct StoredName {
    std::string bytes;
    bool utf8 = false;
    std::uint16_t flag() const { return utf8 ? kFlagUtf8Name : 0; }
};
StoredName storedNameFromUtf8(std::string_view name);

// The system's (UTF-8) form of a stored name: taken as it is with bit 11, else from CP866.
std::string storedNameToUtf8(std::string_view bytes, std::uint16_t flag);

}  // namespace zip
