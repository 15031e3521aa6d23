#include "theme/unpack_folder.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "platform/files.h"
#include "xml/casefold.h"

namespace theme {

namespace {

// Folder entries without "." and "..", each with its lstat result (links are not followed).
struct Entry {
    std::string path;
    std::string name;
    struct stat info;
};

std::vector<Entry> listEntries(const std::string& folder) {
    std::vector<Entry> entries;
    std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(folder.c_str()), closedir);
    if (!dir) return entries;
    const std::string prefix = folder.empty() || folder.back() == '/' ? folder : folder + "/";
    while (const dirent* found = readdir(dir.get())) {
        const std::string name = found->d_name;
        if (name == "." || name == "..") continue;
        Entry entry{prefix + name, name, {}};
        if (lstat(entry.path.c_str(), &entry.info) != 0) continue;
        entries.push_back(std::move(entry));
    }
    return entries;
}

bool isRealFolder(const struct stat& info) { return S_ISDIR(info.st_mode); }

// The file to keep, recognised by device and inode (any path to it) and by its absolute path.
class KeptFile {
public:
    explicit KeptFile(const std::string& path) : path_(path.empty() ? path : platform::absolutePath(path)) {
        struct stat info;
        if (!path.empty() && stat(path.c_str(), &info) == 0) {
            known_ = true;
            device_ = info.st_dev;
            inode_ = info.st_ino;
        }
    }

    bool is(const Entry& entry) const {
        if (known_ && entry.info.st_dev == device_ && entry.info.st_ino == inode_) return true;
        return !path_.empty() && platform::absolutePath(entry.path) == path_;
    }

private:
    std::string path_;
    bool known_ = false;
    dev_t device_ = 0;
    ino_t inode_ = 0;
};

void emptyFolderTree(const std::string& folder, const KeptFile& keep) {
    for (const auto& entry : listEntries(folder)) {
        if (entry.name.front() == '.') continue;
        if (isRealFolder(entry.info)) {
            emptyFolderTree(entry.path, keep);
        } else if (!keep.is(entry)) {
            unlink(entry.path.c_str());
        }
    }
}

}  // namespace

std::string unpackFolderFor(std::string_view chosenFolder) {
    std::string folder(chosenFolder);
    if (folder.empty() || folder.back() != '/') folder += '/';
    return folder + "files/";
}

void createUnpackFolder(const std::string& unpackFolder) { platform::createFolders(unpackFolder); }

bool holdsFiles(const std::string& folder) {
    for (const auto& entry : listEntries(folder))
        if (!isRealFolder(entry.info)) return true;
    return false;
}

void emptyFolder(const std::string& folder, const std::string& keep) {
    struct stat info;
    if (lstat(folder.c_str(), &info) != 0) return;
    // A link standing for the unpack folder itself is followed once, as a path the user chose.
    if (!S_ISDIR(info.st_mode) && !platform::folderExists(folder)) return;
    emptyFolderTree(folder, KeptFile(keep));
}

namespace {

std::vector<std::string_view> componentsOf(std::string_view name) {
    std::vector<std::string_view> components;
    size_t start = 0;
    for (;;) {
        const size_t slash = name.find('/', start);
        components.push_back(name.substr(start, slash == std::string_view::npos ? slash : slash - start));
        if (slash == std::string_view::npos) return components;
        start = slash + 1;
    }
}

// Whether the ".." components of a name climb above the folder it is read in.
bool climbsOut(const std::vector<std::string_view>& components) {
    long depth = 0;
    for (std::string_view component : components) {
        if (component.empty() || component == ".") continue;
        depth += component == ".." ? -1 : 1;
        if (depth < 0) return true;
    }
    return false;
}

bool exists(const std::string& path) {
    struct stat info;
    return lstat(path.c_str(), &info) == 0;
}

// The first name in byte order of the folder that equals `component` ignoring letter case.
std::optional<std::string> matchIgnoringCase(const std::vector<std::string>& names, std::string_view component) {
    for (const auto& name : names)
        if (xml::SameTextNoCase(name, component)) return name;
    return std::nullopt;
}

}  // namespace

const std::vector<std::string>& FolderListings::namesIn(const std::string& folder) {
    auto [at, added] = names_.try_emplace(folder);
    if (added) {
        for (const auto& entry : listEntries(folder)) at->second.push_back(entry.name);
        std::sort(at->second.begin(), at->second.end());
    }
    return at->second;
}

std::optional<std::string> findInUnpackFolder(const std::string& unpackFolder, std::string_view name,
                                              FolderListings* listings) {
    FolderListings ownListings;
    if (!listings) listings = &ownListings;
    const auto components = componentsOf(name);
    if (climbsOut(components)) return std::nullopt;
    const std::string exact = unpackFolder + std::string(name);
    if (exists(exact)) return exact;
    // Walk the name, replacing each missing component by its spelling in the folder.
    std::vector<std::string> found;
    auto pathOf = [&] {
        std::string path = unpackFolder;
        for (const auto& part : found) path += part + "/";
        return path;
    };
    for (std::string_view component : components) {
        if (component.empty() || component == ".") continue;
        if (component == "..") {
            found.pop_back();
            continue;
        }
        const std::string folder = pathOf();
        if (exists(folder + std::string(component))) {
            found.emplace_back(component);
        } else if (auto match = matchIgnoringCase(listings->namesIn(folder), component)) {
            found.push_back(std::move(*match));
        } else {
            return exact;  // nothing matches: the name as written, for the reader to report
        }
    }
    if (found.empty()) return exact;
    std::string path = pathOf();
    path.pop_back();
    return path;
}

}  // namespace theme
