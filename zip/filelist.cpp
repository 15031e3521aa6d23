// The entry list and the expansion of FileSpec lines into entries.
#include "zip/filelist.h"

#include "platform/files.h"
#include "zip/writer.h"

namespace zip {

namespace {

std::string foldAscii(std::string_view s) {
    std::string out(s);
    for (auto& c : out)
        if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
    return out;
}

std::string withTrailingSlash(std::string folder) {
    if (folder.empty() || folder.back() != '/') folder += '/';
    return folder;
}

}  // namespace

void TEntryList::clear() {
    items_.clear();
    byPath_.clear();
    byStoredName_.clear();
}

TEntry& TEntryList::append(TEntry entry) {
    const std::size_t index = items_.size();
    if (entry.State == esKept)
        byStoredName_.emplace(foldAscii(entry.Key), index);
    else
        byPath_.emplace(entry.Key, index);
    items_.push_back(std::move(entry));
    return items_.back();
}

TEntry* TEntryList::findPath(const std::string& fullPath) {
    const auto it = byPath_.find(fullPath);
    return it == byPath_.end() ? nullptr : &items_[it->second];
}

TEntry* TEntryList::findStoredName(std::string_view storedBytes) {
    const auto it = byStoredName_.find(foldAscii(storedBytes));
    return it == byStoredName_.end() ? nullptr : &items_[it->second];
}

std::string storedPath(const std::string& fullPath, const std::string& startFolder, TStoredDirNames mode) {
    const bool underStart = fullPath.compare(0, startFolder.size(), startFolder) == 0;
    switch (mode) {
        case sdNone: return platform::fileNamePart(fullPath);
        case sdAbsolute:
        case sdAbsoluteNoDrv:  // no drives here: both keep the whole path
            return fullPath;
        case sdRelative: return underStart ? fullPath.substr(startFolder.size()) : fullPath;
        case sdRelativeStoreStart: {
            if (!underStart) return fullPath;
            const std::string relative = fullPath.substr(startFolder.size());
            if (startFolder == "/") return "/" + relative;
            std::string start = startFolder.substr(0, startFolder.size() - 1);
            return platform::fileNamePart(start) + "/" + relative;
        }
    }
    return platform::fileNamePart(fullPath);
}

void TCompBase::ExpandFileSpec() {
    for (const std::string& line : FileSpec) {
        ProcessMessages();
        if (Cancel) return;
        ExpandLine(line);
    }
}

void TCompBase::ExpandLine(const std::string& line) {
    if (line.empty()) return;
    const std::string path = platform::absolutePath(line);
    const std::string folder = withTrailingSlash(platform::folderPart(path));
    const std::string pattern = platform::fileNamePart(path);
    if (pattern.empty()) return;
    SearchFolder(folder, pattern, folder);
}

void TCompBase::SearchFolder(const std::string& folder, const std::string& pattern, const std::string& startFolder) {
    for (const platform::FoundFile& found : platform::findFiles(folder, pattern, FileAttribute.ftFileAttr())) {
        ProcessMessages();
        if (Cancel) return;
        if (!FileAttribute.accepts(found.attr)) continue;
        if (FilesOnly && (found.attr & platform::kAttrDirectory)) continue;
        const std::string fullPath = folder + found.name;
        const std::string stored = storedPath(fullPath, startFolder, StoredDirNames);
        if (stored.empty() || stored.front() == '.') continue;
        if (Excluded(stored)) continue;
        AddEntry(fullPath, stored, found.size, found.attr, found.dosTime);
    }
    if (!RecurseDirs) return;
    for (const platform::FoundFile& sub : platform::findFiles(folder, "*", platform::kAttrDirectory)) {
        if (Cancel) return;
        if (sub.name.front() == '.' || !(sub.attr & platform::kAttrDirectory)) continue;
        const std::string subFolder = folder + sub.name + "/";
        if (OnRecurseDir) OnRecurseDir(*this, subFolder);
        SearchFolder(subFolder, pattern, startFolder);
    }
}

bool TCompBase::Excluded(const std::string& stored) const {
    for (const std::string& pattern : ExcludeSpec) {
        const std::string form = StoredDirNames == sdNone ? platform::fileNamePart(pattern) : pattern;
        if (!form.empty() && platform::wildcardMatch(stored, form, true)) return true;
    }
    return false;
}

void TCompBase::AddEntry(const std::string& fullPath, const std::string& stored, std::uint64_t size, std::uint32_t attr,
                         std::uint32_t dosTime) {
    const StoredName name = storedNameFromUtf8(stored);
    if (update_) {
        if (TEntry* member = entries_.findStoredName(name.bytes); member && member->State == esKept) {
            // A member stays unless a handler asks for the file to replace it.
            bool replace = false;
            if (OnReplaceFile)
                OnReplaceFile(*this, member->Key, fullPath, member->DateTime, dosTime, member->Header.uncompressedSize,
                              size, member->Attributes, attr, replace);
            if (!replace) return;
            member->State = esReplace;
            member->Key = fullPath;
            member->Size = size;
            member->DateTime = dosTime;
            member->Attributes = attr;
            member->StoredName = name.bytes;
            member->Utf8Name = name.utf8;
            totalSize_ += size;
            return;
        }
    }
    if (entries_.findPath(fullPath)) return;  // named twice: stored once, where first named
    TEntry entry;
    entry.Key = fullPath;
    entry.State = esNew;
    entry.Size = size;
    entry.DateTime = dosTime;
    entry.Attributes = attr;
    entry.StoredName = name.bytes;
    entry.Utf8Name = name.utf8;
    entries_.append(std::move(entry));
    totalSize_ += size;
}

}  // namespace zip
