#pragma once
// A plain file opened for positioned reading or writing, used by the archive components for the
// archive, the temporary archive and member files. Closing happens in the destructor.
//
// Contract: readAt/read return the number of bytes actually read (short at end of file) and throw
// platform::Error("Input/output error ...") for a device error; writeAt/write return the number of
// bytes written. Opening never blocks: only regular files can be opened for reading.
#include <cstdint>
#include <memory>
#include <string>

namespace zip {

class FileStream {
public:
    // Opens an existing regular file for reading (symbolic links followed). Nothing when the file
    // is missing, unreadable or not a regular file.
    static std::unique_ptr<FileStream> openRead(const std::string& path);
    // Opens an existing file for writing and truncates it (the temporary archive).
    static std::unique_ptr<FileStream> openWriteTruncate(const std::string& path);

    ~FileStream();
    FileStream(const FileStream&) = delete;
    FileStream& operator=(const FileStream&) = delete;

    std::size_t readAt(std::uint64_t offset, void* buffer, std::size_t count);
    std::size_t writeAt(std::uint64_t offset, const void* buffer, std::size_t count);

    // Sequential use from the current position.
    std::size_t read(void* buffer, std::size_t count);
    std::size_t write(const void* buffer, std::size_t count);
    void seek(std::uint64_t position) { position_ = position; }
    std::uint64_t position() const { return position_; }

    std::uint64_t size() const;                    // current size of the file
    bool isFileAt(const std::string& path) const;  // whether `path` names this very file
    bool truncate(std::uint64_t size);
    const std::string& path() const { return path_; }

private:
    FileStream(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}

    int fd_;
    std::string path_;
    std::uint64_t position_ = 0;
};

}  // namespace zip
