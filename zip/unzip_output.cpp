#include "zip/unzip_output.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/files.h"
#include "zip/stream.h"

namespace zip {

void makeFoldersBelow(const std::string& base, const std::string& relativeFolder) {
    std::string path = base;
    std::size_t start = 0;
    while (start < relativeFolder.size()) {
        std::size_t end = relativeFolder.find('/', start);
        if (end == std::string::npos) end = relativeFolder.size();
        path += relativeFolder.substr(start, end - start);
        if (platform::isSymlink(path)) platform::deleteFile(path);
        if (!platform::folderExists(path)) ::mkdir(path.c_str(), 0777);
        path += '/';
        start = end + 1;
    }
}

bool outputExists(const std::string& path) {
    struct stat info;
    return ::lstat(path.c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

bool MemberFile::open(const std::string& path, const FileStream* keep) {
    close();
    if (platform::isSymlink(path)) platform::deleteFile(path);
    if (keep && keep->isFileAt(path)) return false;
    const std::uint32_t attributes = platform::fileAttributes(path);
    if (attributes != platform::kNoFile && (attributes & platform::kAttrReadOnly)) {
        platform::setFileAttributes(path, attributes & ~platform::kAttrReadOnly);
    }
    // O_NONBLOCK keeps a planted FIFO from blocking the open; only a regular file is accepted.
    fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK, 0666);
    if (fd_ < 0) return false;
    struct stat info;
    if (::fstat(fd_, &info) != 0 || !S_ISREG(info.st_mode) || ::ftruncate(fd_, 0) != 0) {
        close();
        return false;
    }
    ::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) & ~O_NONBLOCK);
    return true;
}

bool MemberFile::write(const void* data, std::size_t size) {
    const auto* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = ::write(fd_, bytes, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        bytes += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

void MemberFile::close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

}  // namespace zip
