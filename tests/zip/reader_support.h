#pragma once
// Helpers of the reader tests: archives assembled record by record (for names, methods and
// offsets no tool would write), folder trees read back for comparison, and a reader run.
#include <zlib.h>

// Members are written with designated initializers that name only the fields a test cares about.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "zip/records.h"
#include "zip/unzip.h"
#include "zip_test_support.h"

namespace readertest {

namespace fs = std::filesystem;

inline std::string deflateRaw(const std::string& data, int level = 6) {
    z_stream s{};
    deflateInit2(&s, level, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
    std::string out(deflateBound(&s, data.size()) + 16, '\0');
    s.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    s.avail_in = static_cast<uInt>(data.size());
    s.next_out = reinterpret_cast<Bytef*>(out.data());
    s.avail_out = static_cast<uInt>(out.size());
    deflate(&s, Z_FINISH);
    out.resize(s.total_out);
    deflateEnd(&s);
    return out;
}

// A raw deflate stream of `data` that is not finished: it ends on a byte boundary after a sync flush.
inline std::string deflateFlushed(const std::string& data) {
    z_stream s{};
    deflateInit2(&s, 6, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
    std::string out(deflateBound(&s, data.size()) + 16, '\0');
    s.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    s.avail_in = static_cast<uInt>(data.size());
    s.next_out = reinterpret_cast<Bytef*>(out.data());
    s.avail_out = static_cast<uInt>(out.size());
    deflate(&s, Z_SYNC_FLUSH);
    out.resize(s.total_out);
    deflateEnd(&s);
    return out;
}

// One member of an assembled archive. `packed` overrides the data written after the local header;
// `declaredSize` overrides the uncompressed size in both headers.
struct Member {
    std::string name;
    std::string data;
    std::uint16_t method = 0;
    std::uint32_t attributes = 0x20;
    std::uint16_t flag = 0;
    std::uint16_t versionMadeBy = 20;
    std::string extra;
    std::string packed;
    long long declaredSize = -1;
    std::uint32_t dosDateTime = 0x5A8C6A0F;  // 2025-04-12 13:16:30
};

inline std::string packedData(const Member& m) {
    if (!m.packed.empty()) return m.packed;
    return m.method == 8 ? deflateRaw(m.data) : m.data;
}

inline void append(std::string& out, const auto& record) { out.append(record.begin(), record.end()); }

// Local headers with data, then (unless `withCentral` is false) the central directory and the end
// record, with `comment` as archive comment.
inline std::string assemble(const std::vector<Member>& members, bool withCentral = true,
                            const std::string& comment = {}) {
    std::string out;
    std::vector<zip::CentralFileHeader> central;
    for (const Member& m : members) {
        const std::string packed = packedData(m);
        zip::LocalFileHeader local;
        local.flag = m.flag;
        local.method = m.method;
        local.setDosDateTime(m.dosDateTime);
        local.crc32 = zip::crc32Of(m.data);
        local.compressedSize = static_cast<std::uint32_t>(packed.size());
        local.uncompressedSize = static_cast<std::uint32_t>(m.declaredSize >= 0 ? m.declaredSize : m.data.size());
        local.nameLength = static_cast<std::uint16_t>(m.name.size());
        local.extraLength = static_cast<std::uint16_t>(m.extra.size());
        zip::CentralFileHeader c =
            zip::CentralFileHeader::fromLocal(local, m.attributes, static_cast<std::uint32_t>(out.size()));
        c.versionMadeBy = m.versionMadeBy;
        c.extraLength = local.extraLength;
        central.push_back(c);
        append(out, local.encode());
        out += m.name + m.extra + packed;
    }
    if (!withCentral) return out;
    zip::EndRecord end;
    end.centralDirectoryOffset = static_cast<std::uint32_t>(out.size());
    for (std::size_t i = 0; i < members.size(); ++i) {
        append(out, central[i].encode());
        out += members[i].name + members[i].extra;
    }
    end.entriesOnDisk = end.totalEntries = static_cast<std::uint16_t>(members.size());
    end.centralDirectorySize = static_cast<std::uint32_t>(out.size() - end.centralDirectoryOffset);
    end.commentLength = static_cast<std::uint16_t>(comment.size());
    append(out, end.encode());
    return out + comment;
}

// Every regular file below `root` by relative path, with its bytes.
inline std::map<std::string, std::string> readTree(const fs::path& root) {
    std::map<std::string, std::string> files;
    if (!fs::exists(root)) return files;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        if (entry.is_regular_file())
            files[fs::relative(entry.path(), root).string()] = ziptest::readFile(entry.path().string());
    }
    return files;
}

// Names with size and CRC-32 instead of the bytes, for readable failure messages.
inline std::map<std::string, std::string> summary(const std::map<std::string, std::string>& files) {
    std::map<std::string, std::string> out;
    for (const auto& [name, bytes] : files) {
        out[name] = std::to_string(bytes.size()) + " bytes, crc " + std::to_string(zip::crc32Of(bytes));
    }
    return out;
}

// Problem numbers of the reader's last run.
inline std::vector<int> problemNumbers(const zip::TUnZIP& reader) {
    std::vector<int> numbers;
    for (const auto& p : reader.Problems()) numbers.push_back(p.Number);
    return numbers;
}

// A reader with the editor's settings, extracting `archive` into `folder`.
struct Extraction {
    zip::TUnZIP reader;
    std::uint32_t count = 0;

    explicit Extraction(const std::string& archive, const std::string& folder,
                        std::vector<std::string> passwords = {}) {
        reader.FileSpec = {"*.*"};
        reader.ConfirmOverwrites = false;
        reader.SetZipCmntBufSize(2000);
        reader.Passwords = std::move(passwords);
        reader.SetArchiveFile(archive);
        reader.SetExtractDir(folder);
        count = reader.ExtractFiles();
    }
    std::vector<int> problems() const { return problemNumbers(reader); }
};

}  // namespace readertest
