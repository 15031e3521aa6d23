#pragma once
// Temporary files and atomic moves.
#include <string>

namespace platform {

// The system's temporary folder ($TMPDIR, else /tmp), without trailing "/".
std::string tempFolder();

// Creates a new empty file exclusively (mkstemp) in `folder` (default: the temporary folder)
// whose name begins with `prefix`, and returns its path. Throws EFCreateError on failure.
std::string createTempFile(const std::string& prefix, const std::string& folder = {});

// Creates a private folder (mode 0700) in the temporary folder and returns its path.
// Throws EFCreateError on failure.
std::string createTempFolder(const std::string& prefix = "skarvel");

// Moves `from` onto `to`, replacing it atomically (rename); across file systems the file is
// copied next to `to` and renamed into place, then `from` is removed. Returns false on failure
// (with `from` left in place and `to` untouched).
bool moveFile(const std::string& from, const std::string& to);

// Puts the finished file `from` onto `target` atomically (moveFile), with the permissions of the
// file it replaces, or for a new file those the umask allows (0666 less the umask). Returns false
// on failure, with `target` untouched and no temporary copy left; `from` then stays in place.
bool replaceFile(const std::string& from, const std::string& target);

// Removes a folder and everything in it; symbolic links are removed, never followed.
void removeTree(const std::string& path);

// Removes a folder tree when it goes out of scope.
class TempFolder {
public:
    explicit TempFolder(const std::string& prefix = "skarvel") : path_(createTempFolder(prefix)) {}
    ~TempFolder() { removeTree(path_); }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

}  // namespace platform
