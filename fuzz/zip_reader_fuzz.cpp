// Arbitrary bytes as an archive: recognition, the member listing and a full extraction into the
// temporary folder that holds the archive itself. Besides the sanitizers it checks that nothing
// appears outside the target folder, that no symbolic link is made and that the archive is left
// as it was, whatever its members are called.
#include <dirent.h>
#include <sys/stat.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/errors.h"
#include "platform/files.h"
#include "platform/tempfile.h"
#include "zip/unzip.h"

namespace {

// Removed again when the fuzzer exits normally.
const std::string& workFolder() {
    static const platform::TempFolder folder("zipfuzz");
    return folder.path();
}

// Names in `folder` other than "." and "..".
int entryCount(const std::string& folder) {
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return 0;
    int count = 0;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..") ++count;
    }
    ::closedir(dir);
    return count;
}

bool hasSymlink(const std::string& folder) {
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return false;
    bool found = false;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..") continue;
        struct stat info;
        const std::string path = folder + "/" + name;
        if (::lstat(path.c_str(), &info) != 0) continue;
        if (S_ISLNK(info.st_mode) || (S_ISDIR(info.st_mode) && hasSymlink(path))) found = true;
    }
    ::closedir(dir);
    return found;
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string out = workFolder() + "/out";
    platform::createFolders(out);
    const std::string archive = out + "/in.zip";
    if (FILE* f = std::fopen(archive.c_str(), "wb")) {
        std::fwrite(data, 1, size, f);
        std::fclose(f);
    }
    zip::TUnZIP reader;
    reader.FileSpec = {"*.*"};
    reader.ConfirmOverwrites = false;
    reader.SetZipCmntBufSize(2000);
    reader.Passwords = {"secret"};
    try {
        reader.SetArchiveFile(archive);
        reader.ListMembers();
        reader.SetExtractDir(out);
        reader.ExtractFiles();
    } catch (const platform::Error&) {
        // The three errors of a run that reach the caller.
    }
    if (entryCount(workFolder()) > 1 || hasSymlink(out)) std::abort();
    if (readFile(archive) != std::string(reinterpret_cast<const char*>(data), size)) std::abort();
    platform::removeTree(out);
    return 0;
}
