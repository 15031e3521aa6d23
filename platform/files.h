#pragma once
// File-system helpers in place of the Windows directory search and attribute calls.
// Paths use "/" as separator; ":" and "\" are ordinary characters of a name.
#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// DOS attribute bits as this platform reports them.
constexpr std::uint32_t kAttrReadOnly = 0x01;  // the owner lacks write permission
constexpr std::uint32_t kAttrHidden = 0x02;    // the name begins with "."
constexpr std::uint32_t kAttrSystem = 0x04;
constexpr std::uint32_t kAttrVolumeId = 0x08;
constexpr std::uint32_t kAttrDirectory = 0x10;
constexpr std::uint32_t kAttrArchive = 0x20;   // every regular file
constexpr std::uint32_t kAttrSymlink = 0x400;  // a symbolic link (never followed)

struct FoundFile {
    std::string name;  // as the file system spells it
    std::uint64_t size = 0;
    std::time_t mtime = 0;      // last write
    std::uint32_t dosTime = 0;  // last write as DOS date-time, local time
    std::uint32_t attr = 0;     // DOS attribute word
};

// Lists `folder` for names matching `pattern` ("*" and "?", case-sensitive). A match is
// reported only when its hidden, system, volume and folder bits (0x1E) all lie within `mask`.
// "." and ".." are never reported. A missing folder gives an empty list. Sorted by name bytes.
// Entries are examined with lstat: a symbolic link is reported as 0x400 (never as what it points
// to), and other special files (pipes, sockets, devices) carry neither 0x10 nor 0x20.
// `size` is set for regular files only.
std::vector<FoundFile> findFiles(const std::string& folder, const std::string& pattern, std::uint32_t mask);

// Wildcard match of "*" and "?"; `ignoreCase` folds ASCII letters only.
bool wildcardMatch(std::string_view name, std::string_view pattern, bool ignoreCase = false);

// Attribute word of a path as findFiles would report it (links not followed); kNoFile when missing.
constexpr std::uint32_t kNoFile = 0xFFFFFFFFu;
std::uint32_t fileAttributes(const std::string& path);

// Bit 0x01 removes every write permission; its absence restores the owner's. Other bits ignored.
bool setFileAttributes(const std::string& path, std::uint32_t attr);

bool fileExists(const std::string& path);    // a regular file (links followed)
bool folderExists(const std::string& path);  // a folder (links followed)
bool isSymlink(const std::string& path);

// The file-name part: what follows the last "/" (the whole path when there is none).
std::string fileNamePart(std::string_view path);
// The folder part including its trailing "/" (empty when there is none).
std::string folderPart(std::string_view path);
// The extension: the text after the last "." of the file-name part (empty when there is none).
std::string extensionOf(std::string_view path);

std::string currentFolder();  // without trailing "/"
// Absolute form of a path against the current folder, "." and ".." resolved lexically.
std::string absolutePath(std::string_view path);
// The folder of the running executable, with a trailing "/".
std::string programFolder();

// Opens a regular file for reading, never blocking on a FIFO or a device: such files, folders
// and missing files give -1. On success the descriptor reads in blocking mode and `size` (when
// given) holds the file's size.
int openRegularFile(const std::string& path, std::uint64_t* size = nullptr);

// The whole of a regular file, opened as openRegularFile does. Throws EFOpenError when it cannot
// be opened or is no regular file, EFileTooLarge when it holds more than `maxBytes`, EReadError
// when reading fails or the file shrinks meanwhile.
std::string readWholeFile(const std::string& path, std::uint64_t maxBytes = UINT64_MAX);

// Creates a folder and its parents; returns false on failure.
bool createFolders(const std::string& path);
// Deletes a file or a symbolic link (never its target); returns false on failure.
bool deleteFile(const std::string& path);

}  // namespace platform
