#pragma once
// Output files of the reader. Nothing is ever written through a symbolic link: links found at an
// output path or at a folder below the extraction folder are removed first, and files are opened
// with O_NOFOLLOW. The archive being read is never an output: a member whose output path names it
// (an archive unpacked into its own folder holding a member of its own name) cannot be opened.
#include <cstddef>
#include <string>

namespace zip {

class FileStream;

// Makes the folders of `relativeFolder` ("a/b", "/"-separated, already free of "." and "..")
// below `base` (which ends in "/"), removing symbolic links that stand where a folder should be.
// Failures are not reported here; opening the file below them fails instead.
void makeFoldersBelow(const std::string& base, const std::string& relativeFolder);

// True when something other than a folder stands at `path` (a file or a link, dangling or not).
bool outputExists(const std::string& path);

// An output file opened for writing; closed by the destructor.
class MemberFile {
public:
    // Creates or truncates the regular file at `path`. A link there is removed first; an existing
    // read-only file loses its read-only attribute so that it can be replaced. False, with the
    // file untouched, when `path` is the file that `keep` reads.
    bool open(const std::string& path, const FileStream* keep = nullptr);
    // Writes everything; false on a short write.
    bool write(const void* data, std::size_t size);
    void close();
    bool isOpen() const { return fd_ >= 0; }

    MemberFile() = default;
    ~MemberFile() { close(); }
    MemberFile(const MemberFile&) = delete;
    MemberFile& operator=(const MemberFile&) = delete;

private:
    int fd_ = -1;
};

}  // namespace zip
