#include "zip/records.h"

#include <zlib.h>

#include "platform/codepage.h"

namespace zip {

bool ByteCursor::take(std::size_t count) {
    if (!ok_ || count > data_.size() - position_) {
        ok_ = false;
        return false;
    }
    return true;
}

std::uint8_t ByteCursor::get8() {
    if (!take(1)) return 0;
    return data_[position_++];
}

std::uint16_t ByteCursor::get16() {
    if (!take(2)) return 0;
    const std::uint16_t v = std::uint16_t(data_[position_] | (data_[position_ + 1] << 8));
    position_ += 2;
    return v;
}

std::uint32_t ByteCursor::get32() {
    if (!take(4)) return 0;
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | data_[position_ + i];
    position_ += 4;
    return v;
}

std::span<const std::uint8_t> ByteCursor::bytes(std::size_t count) {
    if (!take(count)) return {};
    auto run = data_.subspan(position_, count);
    position_ += count;
    return run;
}

std::string_view ByteCursor::text(std::size_t count) {
    auto run = bytes(count);
    return {reinterpret_cast<const char*>(run.data()), run.size()};
}

void ByteWriter::put16(std::uint16_t v) {
    data_ += char(v & 0xFF);
    data_ += char(v >> 8);
}

void ByteWriter::put32(std::uint32_t v) {
    for (int i = 0; i < 4; ++i) data_ += char((v >> (8 * i)) & 0xFF);
}

void ByteWriter::putBytes(std::span<const std::uint8_t> b) {
    data_.append(reinterpret_cast<const char*>(b.data()), b.size());
}

namespace {

template <std::size_t N>
std::array<std::uint8_t, N> toArray(const ByteWriter& w) {
    std::array<std::uint8_t, N> out{};
    const std::string& d = w.data();
    for (std::size_t i = 0; i < N && i < d.size(); ++i) out[i] = static_cast<std::uint8_t>(d[i]);
    return out;
}

}  // namespace

void LocalFileHeader::setDosDateTime(std::uint32_t dos) {
    lastModTime = std::uint16_t(dos & 0xFFFF);
    lastModDate = std::uint16_t(dos >> 16);
}

std::array<std::uint8_t, kLocalHeaderSize> LocalFileHeader::encode() const {
    ByteWriter w;
    w.put32(signature);
    w.put16(versionNeeded);
    w.put16(flag);
    w.put16(method);
    w.put16(lastModTime);
    w.put16(lastModDate);
    w.put32(crc32);
    w.put32(compressedSize);
    w.put32(uncompressedSize);
    w.put16(nameLength);
    w.put16(extraLength);
    return toArray<kLocalHeaderSize>(w);
}

std::optional<LocalFileHeader> LocalFileHeader::decode(ByteCursor& in) {
    LocalFileHeader h;
    h.signature = in.get32();
    h.versionNeeded = in.get16();
    h.flag = in.get16();
    h.method = in.get16();
    h.lastModTime = in.get16();
    h.lastModDate = in.get16();
    h.crc32 = in.get32();
    h.compressedSize = in.get32();
    h.uncompressedSize = in.get32();
    h.nameLength = in.get16();
    h.extraLength = in.get16();
    if (!in.ok()) return std::nullopt;
    return h;
}

void CentralFileHeader::setDosDateTime(std::uint32_t dos) {
    lastModTime = std::uint16_t(dos & 0xFFFF);
    lastModDate = std::uint16_t(dos >> 16);
}

std::array<std::uint8_t, kCentralHeaderSize> CentralFileHeader::encode() const {
    ByteWriter w;
    w.put32(signature);
    w.put16(versionMadeBy);
    w.put16(versionNeeded);
    w.put16(flag);
    w.put16(method);
    w.put16(lastModTime);
    w.put16(lastModDate);
    w.put32(crc32);
    w.put32(compressedSize);
    w.put32(uncompressedSize);
    w.put16(nameLength);
    w.put16(extraLength);
    w.put16(commentLength);
    w.put16(diskNumberStart);
    w.put16(internalAttributes);
    w.put32(externalAttributes);
    w.put32(localHeaderOffset);
    return toArray<kCentralHeaderSize>(w);
}

std::optional<CentralFileHeader> CentralFileHeader::decode(ByteCursor& in) {
    CentralFileHeader h;
    h.signature = in.get32();
    h.versionMadeBy = in.get16();
    h.versionNeeded = in.get16();
    h.flag = in.get16();
    h.method = in.get16();
    h.lastModTime = in.get16();
    h.lastModDate = in.get16();
    h.crc32 = in.get32();
    h.compressedSize = in.get32();
    h.uncompressedSize = in.get32();
    h.nameLength = in.get16();
    h.extraLength = in.get16();
    h.commentLength = in.get16();
    h.diskNumberStart = in.get16();
    h.internalAttributes = in.get16();
    h.externalAttributes = in.get32();
    h.localHeaderOffset = in.get32();
    if (!in.ok()) return std::nullopt;
    return h;
}

CentralFileHeader CentralFileHeader::fromLocal(const LocalFileHeader& local, std::uint32_t externalAttributes,
                                               std::uint32_t localHeaderOffset) {
    CentralFileHeader h;
    h.flag = local.flag;
    h.method = local.method;
    h.lastModTime = local.lastModTime;
    h.lastModDate = local.lastModDate;
    h.crc32 = local.crc32;
    h.compressedSize = local.compressedSize;
    h.uncompressedSize = local.uncompressedSize;
    h.nameLength = local.nameLength;
    h.externalAttributes = externalAttributes;
    h.localHeaderOffset = localHeaderOffset;
    return h;
}

std::array<std::uint8_t, kEndRecordSize> EndRecord::encode() const {
    ByteWriter w;
    w.put32(signature);
    w.put16(diskNumber);
    w.put16(centralDirectoryDisk);
    w.put16(entriesOnDisk);
    w.put16(totalEntries);
    w.put32(centralDirectorySize);
    w.put32(centralDirectoryOffset);
    w.put16(commentLength);
    return toArray<kEndRecordSize>(w);
}

std::optional<EndRecord> EndRecord::decode(ByteCursor& in) {
    EndRecord r;
    r.signature = in.get32();
    r.diskNumber = in.get16();
    r.centralDirectoryDisk = in.get16();
    r.entriesOnDisk = in.get16();
    r.totalEntries = in.get16();
    r.centralDirectorySize = in.get32();
    r.centralDirectoryOffset = in.get32();
    r.commentLength = in.get16();
    if (!in.ok()) return std::nullopt;
    return r;
}

bool hasSignature(std::span<const std::uint8_t> data, std::uint32_t signature) {
    ByteCursor in(data);
    const std::uint32_t found = in.get32();
    return in.ok() && found == signature;
}

void Crc32::update(const void* data, std::size_t size) {
    const auto* bytes = static_cast<const Bytef*>(data);
    // zlib takes at most a uInt per call.
    while (size > 0) {
        const uInt chunk = size > 0x40000000u ? 0x40000000u : static_cast<uInt>(size);
        value_ = static_cast<std::uint32_t>(::crc32(value_, bytes, chunk));
        bytes += chunk;
        size -= chunk;
    }
}

std::uint32_t crc32Of(std::string_view data) {
    Crc32 crc;
    crc.update(data);
    return crc.value();
}

std::uint32_t crc32Step(std::uint32_t reg, std::uint8_t byte) {
    static const auto* table = ::get_crc_table();
    return static_cast<std::uint32_t>(table[(reg ^ byte) & 0xFF]) ^ (reg >> 8);
}

std::uint16_t dosTimeWord(int hour, int minute, int second) {
    return std::uint16_t((hour << 11) | (minute << 5) | (second / 2));
}

std::uint16_t dosDateWord(int year, int month, int day) {
    return std::uint16_t(((year - 1980) << 9) | (month << 5) | day);
}

std::uint32_t dosDateTimeWord(const DosDateTime& t) {
    return (std::uint32_t(dosDateWord(t.year, t.month, t.day)) << 16) | dosTimeWord(t.hour, t.minute, t.second);
}

DosDateTime splitDosDateTime(std::uint32_t word) {
    DosDateTime t;
    const std::uint32_t date = word >> 16, time = word & 0xFFFF;
    t.year = 1980 + int(date >> 9);
    t.month = int((date >> 5) & 0x0F);
    t.day = int(date & 0x1F);
    t.hour = int(time >> 11);
    t.minute = int((time >> 5) & 0x3F);
    t.second = int(time & 0x1F) * 2;
    return t;
}

StoredName storedNameFromUtf8(std::string_view name) {
    if (auto oem = platform::ansiToOem(name)) return {std::move(*oem), false};
    if (platform::isValidUtf8(name)) return {std::string(name), true};
    return {std::string(name), false};
}

std::string storedNameToUtf8(std::string_view bytes, std::uint16_t flag) {
    if (flag & kFlagUtf8Name) return std::string(bytes);
    return platform::oemToAnsi(bytes);
}

}  // namespace zip
