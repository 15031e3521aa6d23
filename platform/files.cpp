#include "platform/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <memory>

#include "platform/dostime.h"
#include "platform/errors.h"

namespace platform {

namespace {

// The bits a search mask filters on: hidden, system, volume and folder.
constexpr std::uint32_t kMaskedBits = kAttrHidden | kAttrSystem | kAttrVolumeId | kAttrDirectory;

// Closes a descriptor on every path out.
class ClosedOnExit {
public:
    explicit ClosedOnExit(int fd) : fd_(fd) {}
    ~ClosedOnExit() { ::close(fd_); }
    ClosedOnExit(const ClosedOnExit&) = delete;
    ClosedOnExit& operator=(const ClosedOnExit&) = delete;

private:
    int fd_;
};

std::uint32_t attributesOf(const struct stat& st, std::string_view name) {
    std::uint32_t attr = 0;
    if (S_ISLNK(st.st_mode))
        attr = kAttrSymlink;
    else if (S_ISDIR(st.st_mode))
        attr = kAttrDirectory;
    else if (S_ISREG(st.st_mode))
        attr = kAttrArchive;
    if (!(st.st_mode & S_IWUSR)) attr |= kAttrReadOnly;
    if (!name.empty() && name.front() == '.') attr |= kAttrHidden;
    return attr;
}

std::string_view withoutTrailingSlashes(std::string_view path) {
    while (path.size() > 1 && path.back() == '/') path.remove_suffix(1);
    return path;
}

std::string joinPath(const std::string& folder, const std::string& name) {
    if (folder.empty()) return name;
    if (folder.back() == '/') return folder + name;
    return folder + "/" + name;
}

char foldAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

struct DirCloser {
    void operator()(DIR* dir) const { ::closedir(dir); }
};

}  // namespace

std::vector<FoundFile> findFiles(const std::string& folder, const std::string& pattern, std::uint32_t mask) {
    std::vector<FoundFile> found;
    const std::string base = folder.empty() ? std::string(".") : folder;
    std::unique_ptr<DIR, DirCloser> dir(::opendir(base.c_str()));
    if (!dir) return found;
    while (const dirent* entry = ::readdir(dir.get())) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..") continue;
        if (!wildcardMatch(name, pattern)) continue;
        struct stat st {};
        if (::lstat(joinPath(base, name).c_str(), &st) != 0) continue;  // vanished meanwhile
        const std::uint32_t attr = attributesOf(st, name);
        if ((attr & kMaskedBits & ~mask) != 0) continue;
        FoundFile file;
        file.name = name;
        file.size = S_ISREG(st.st_mode) ? static_cast<std::uint64_t>(st.st_size) : 0;
        file.mtime = st.st_mtime;
        file.dosTime = toDosDateTime(st.st_mtime);
        file.attr = attr;
        found.push_back(std::move(file));
    }
    std::sort(found.begin(), found.end(), [](const FoundFile& a, const FoundFile& b) { return a.name < b.name; });
    return found;
}

// Greedy matching with one back-tracking point (the last "*"): linear in practice, never exponential.
bool wildcardMatch(std::string_view name, std::string_view pattern, bool ignoreCase) {
    auto same = [ignoreCase](char a, char b) { return ignoreCase ? foldAscii(a) == foldAscii(b) : a == b; };
    std::size_t n = 0, p = 0;
    std::size_t starPattern = std::string_view::npos, starName = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            starPattern = p++;
            starName = n;
        } else if (p < pattern.size() && (pattern[p] == '?' || same(pattern[p], name[n]))) {
            ++p;
            ++n;
        } else if (starPattern != std::string_view::npos) {
            p = starPattern + 1;
            n = ++starName;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

std::uint32_t fileAttributes(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) return kNoFile;
    return attributesOf(st, fileNamePart(withoutTrailingSlashes(path)));
}

bool setFileAttributes(const std::string& path, std::uint32_t attr) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return false;
    mode_t mode = st.st_mode & 07777;
    if (attr & kAttrReadOnly)
        mode &= ~static_cast<mode_t>(S_IWUSR | S_IWGRP | S_IWOTH);
    else
        mode |= S_IWUSR;
    return ::chmod(path.c_str(), mode) == 0;
}

bool fileExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool folderExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool isSymlink(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

std::string fileNamePart(std::string_view path) {
    const auto slash = path.rfind('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string folderPart(std::string_view path) {
    const auto slash = path.rfind('/');
    return slash == std::string_view::npos ? std::string() : std::string(path.substr(0, slash + 1));
}

std::string extensionOf(std::string_view path) {
    const auto dot = path.rfind('.');
    if (dot == std::string_view::npos || path.find('/', dot) != std::string_view::npos) return {};
    return std::string(path.substr(dot + 1));
}

std::string currentFolder() {
    std::string buffer(256, '\0');
    while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
        if (errno != ERANGE) return ".";
        buffer.resize(buffer.size() * 2);
    }
    buffer.resize(buffer.find('\0'));
    return buffer;
}

std::string absolutePath(std::string_view path) {
    std::string full =
        (!path.empty() && path.front() == '/') ? std::string(path) : currentFolder() + "/" + std::string(path);
    std::vector<std::string_view> parts;
    std::string_view rest = full;
    while (!rest.empty()) {
        const auto slash = rest.find('/');
        const std::string_view part = rest.substr(0, slash);
        rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash + 1);
        if (part.empty() || part == ".") continue;
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();  // ".." at the root stays at the root
            continue;
        }
        parts.push_back(part);
    }
    if (parts.empty()) return "/";
    std::string result;
    for (std::string_view part : parts) {
        result += '/';
        result += part;
    }
    return result;
}

std::string programFolder() {
    std::string buffer(4096, '\0');
    const ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (length <= 0 || static_cast<std::size_t>(length) >= buffer.size()) return currentFolder() + "/";
    buffer.resize(static_cast<std::size_t>(length));
    return folderPart(buffer);
}

bool createFolders(const std::string& path) {
    if (path.empty()) return false;
    std::size_t pos = 0;
    while (pos != std::string::npos) {
        pos = path.find('/', pos + 1);
        const std::string prefix = path.substr(0, pos);
        if (::mkdir(prefix.c_str(), 0777) != 0 && errno != EEXIST) return false;
    }
    return folderExists(path);
}

bool deleteFile(const std::string& path) { return ::unlink(path.c_str()) == 0; }

int openRegularFile(const std::string& path, std::uint64_t* size) {
    // O_NONBLOCK keeps the open itself from waiting for a FIFO's writer.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return -1;
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return -1;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    if (size) *size = static_cast<std::uint64_t>(info.st_size);
    return fd;
}

std::string readWholeFile(const std::string& path, std::uint64_t maxBytes) {
    std::uint64_t size = 0;
    const int fd = openRegularFile(path, &size);
    if (fd < 0) throw EFOpenError(path);
    const ClosedOnExit closer(fd);
    if (size > maxBytes) throw EFileTooLarge(path);
    std::string bytes(static_cast<std::size_t>(size), '\0');
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t got = ::read(fd, bytes.data() + done, bytes.size() - done);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) throw EReadError();
        done += static_cast<std::size_t>(got);
    }
    return bytes;
}

}  // namespace platform
