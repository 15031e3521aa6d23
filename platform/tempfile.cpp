#include "platform/tempfile.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "platform/errors.h"
#include "platform/files.h"

namespace platform {

namespace {

constexpr std::size_t kCopyBufferSize = 64 * 1024;

std::string withoutTrailingSlash(std::string folder) {
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    return folder;
}

// Creates a file exclusively from a "...XXXXXX" template; returns its descriptor or -1.
int makeTempFile(std::string& path) { return ::mkostemp(path.data(), O_CLOEXEC); }

bool writeAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

// Copies the contents, permissions and times of `from` into the open file `to`.
bool copyInto(const std::string& from, int to) {
    const int source = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (source < 0) return false;
    bool ok = true;
    std::vector<char> buffer(kCopyBufferSize);
    for (;;) {
        const ssize_t got = ::read(source, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) ok = false;
        if (got <= 0) break;
        if (!writeAll(to, buffer.data(), static_cast<std::size_t>(got))) {
            ok = false;
            break;
        }
    }
    struct stat st {};
    if (ok && ::fstat(source, &st) == 0) {
        ::fchmod(to, st.st_mode & 07777);
        const struct timespec times[2] = {st.st_atim, st.st_mtim};
        ::futimens(to, times);
    }
    ::close(source);
    return ok && ::fsync(to) == 0;
}

// The cross-file-system move: copy beside the target, rename into place, then drop the source.
bool copyThenRename(const std::string& from, const std::string& to) {
    const std::string folder = folderPart(to);
    std::string temp = (folder.empty() ? std::string("./") : folder) + "." + fileNamePart(to) + ".XXXXXX";
    const int fd = makeTempFile(temp);
    if (fd < 0) return false;
    const bool copied = copyInto(from, fd);
    const bool closed = ::close(fd) == 0;
    if (!copied || !closed || ::rename(temp.c_str(), to.c_str()) != 0) {
        ::unlink(temp.c_str());
        return false;
    }
    ::unlink(from.c_str());  // the target already holds the data; a leftover source is harmless
    return true;
}

// The permissions a file put onto `target` gets: those of the regular file there, else those a
// newly created file gets under the umask.
mode_t modeForReplacing(const std::string& target) {
    struct stat st {};
    if (::stat(target.c_str(), &st) == 0 && S_ISREG(st.st_mode)) return st.st_mode & 07777;
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

// Makes a folder writable and searchable by its owner so that its entries can be removed.
void openUpFolder(const std::string& path, const struct stat& st) {
    if ((st.st_mode & S_IRWXU) != S_IRWXU) ::chmod(path.c_str(), (st.st_mode & 07777) | S_IRWXU);
}

void removeEntry(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) return;
    if (!S_ISDIR(st.st_mode)) {
        ::unlink(path.c_str());  // files and symbolic links; a link's target is never touched
        return;
    }
    openUpFolder(path, st);
    std::vector<std::string> names;
    if (DIR* dir = ::opendir(path.c_str())) {
        while (const dirent* entry = ::readdir(dir)) {
            const std::string name = entry->d_name;
            if (name != "." && name != "..") names.push_back(name);
        }
        ::closedir(dir);
    }
    for (const std::string& name : names) removeEntry(path + "/" + name);
    ::rmdir(path.c_str());
}

}  // namespace

std::string tempFolder() {
    const char* tmpdir = std::getenv("TMPDIR");
    if (tmpdir && *tmpdir) return withoutTrailingSlash(tmpdir);
    return "/tmp";
}

std::string createTempFile(const std::string& prefix, const std::string& folder) {
    std::string path = withoutTrailingSlash(folder.empty() ? tempFolder() : folder);
    if (path != "/") path += '/';
    path += prefix + "XXXXXX";
    const int fd = makeTempFile(path);
    if (fd < 0) throw EFCreateError(path);
    ::close(fd);
    return path;
}

std::string createTempFolder(const std::string& prefix) {
    std::string path = tempFolder();
    if (path != "/") path += '/';
    path += prefix + "XXXXXX";
    if (!::mkdtemp(path.data())) throw EFCreateError(path);
    return path;
}

bool moveFile(const std::string& from, const std::string& to) {
    if (::rename(from.c_str(), to.c_str()) == 0) return true;
    if (errno != EXDEV) return false;
    struct stat st {};
    if (::lstat(from.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    return copyThenRename(from, to);
}

bool replaceFile(const std::string& from, const std::string& target) {
    ::chmod(from.c_str(), modeForReplacing(target));
    return moveFile(from, target);
}

void removeTree(const std::string& path) {
    if (!path.empty()) removeEntry(withoutTrailingSlash(path));
}

}  // namespace platform
