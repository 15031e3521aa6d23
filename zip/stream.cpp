#include "zip/stream.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/errors.h"

namespace zip {

namespace {

[[noreturn]] void throwIoError(const std::string& path) {
    throw platform::Error("Input/output error " + std::string(std::strerror(errno)) + ": " + path);
}

}  // namespace

std::unique_ptr<FileStream> FileStream::openRead(const std::string& path) {
    // O_NONBLOCK keeps a FIFO from blocking the open; such files are refused right after.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return nullptr;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return nullptr;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return std::unique_ptr<FileStream>(new FileStream(fd, path));
}

std::unique_ptr<FileStream> FileStream::openWriteTruncate(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDWR | O_TRUNC | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) return nullptr;
    return std::unique_ptr<FileStream>(new FileStream(fd, path));
}

FileStream::~FileStream() { ::close(fd_); }

std::size_t FileStream::readAt(std::uint64_t offset, void* buffer, std::size_t count) {
    auto* out = static_cast<char*>(buffer);
    std::size_t done = 0;
    while (done < count) {
        const ssize_t n = ::pread(fd_, out + done, count - done, static_cast<off_t>(offset + done));
        if (n < 0) {
            if (errno == EINTR) continue;
            throwIoError(path_);
        }
        if (n == 0) break;
        done += static_cast<std::size_t>(n);
    }
    return done;
}

std::size_t FileStream::writeAt(std::uint64_t offset, const void* buffer, std::size_t count) {
    const auto* in = static_cast<const char*>(buffer);
    std::size_t done = 0;
    while (done < count) {
        const ssize_t n = ::pwrite(fd_, in + done, count - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<std::size_t>(n);
    }
    return done;
}

std::size_t FileStream::read(void* buffer, std::size_t count) {
    const std::size_t n = readAt(position_, buffer, count);
    position_ += n;
    return n;
}

std::size_t FileStream::write(const void* buffer, std::size_t count) {
    const std::size_t n = writeAt(position_, buffer, count);
    position_ += n;
    return n;
}

std::uint64_t FileStream::size() const {
    struct stat st {};
    if (::fstat(fd_, &st) != 0) return 0;
    return static_cast<std::uint64_t>(st.st_size);
}

bool FileStream::isFileAt(const std::string& path) const {
    struct stat mine {
    }, there{};
    return ::fstat(fd_, &mine) == 0 && ::lstat(path.c_str(), &there) == 0 && mine.st_dev == there.st_dev &&
           mine.st_ino == there.st_ino;
}

bool FileStream::truncate(std::uint64_t size) { return ::ftruncate(fd_, static_cast<off_t>(size)) == 0; }

}  // namespace zip
