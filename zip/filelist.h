#pragma once
// The writer's entry list: one entry per file to store or member to keep, in archive order.
//
// Keys: a file found by the expansion is keyed by its full path (compared exactly, as the file
// system does); a member read from an existing archive is keyed by its stored name (compared
// with ASCII letter case ignored). Stored names are formed by storedPath() under TStoredDirNames.
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "zip/records.h"

namespace zip {

enum TEntryState : std::uint8_t { esNew = 0, esReplace = 1, esKept = 2, esFailed = 3 };

enum TStoredDirNames { sdNone, sdAbsolute, sdAbsoluteNoDrv, sdRelative, sdRelativeStoreStart };

struct TEntry {
    std::string Key;  // full path, or stored name for kept members
    TEntryState State = esNew;
    std::uint64_t Size = 0;      // file size; for a kept member its compressed size
    std::uint32_t DateTime = 0;  // DOS date-time word
    std::uint32_t Attributes = 0;
    std::uint64_t OldOffset = 0;  // kept member: local header offset in the old archive
    CentralFileHeader Header;     // filled when written (or copied from the old archive)
    std::string StoredName;       // name bytes as they stand in the archive
    bool Utf8Name = false;        // StoredName is UTF-8 (general purpose bit 11)
    std::string Extra;            // kept member: its central extra field, copied unchanged
    std::string Comment;
};

class TEntryList {
public:
    std::vector<TEntry>& items() { return items_; }
    const std::vector<TEntry>& items() const { return items_; }
    bool empty() const { return items_.empty(); }
    std::size_t size() const { return items_.size(); }
    void clear();

    TEntry& append(TEntry entry);
    TEntry* findPath(const std::string& fullPath);
    TEntry* findStoredName(std::string_view storedBytes);

private:
    std::vector<TEntry> items_;
    std::unordered_map<std::string, std::size_t> byPath_;
    std::unordered_map<std::string, std::size_t> byStoredName_;  // folded
};

// The stored name (UTF-8, "/" separating folders) of `fullPath` found while expanding a line
// whose folder is `startFolder` (with its trailing "/").
std::string storedPath(const std::string& fullPath, const std::string& startFolder, TStoredDirNames mode);

}  // namespace zip
