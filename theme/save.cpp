#include "theme/save.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <vector>

#include "platform/errors.h"
#include "platform/files.h"
#include "platform/tempfile.h"
#include "resources/embedded.h"
#include "theme/descriptor.h"
#include "theme/portable_names.h"
#include "zip/writer.h"

namespace theme {

namespace {

constexpr const char* kPackageExtension = ".nth";

void writeFile(const std::string& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) throw platform::EFCreateError(path);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) throw platform::EFCreateError(path);
}

// A named file must be a regular file that can be opened and read.
void requireReadable(const std::string& path) {
    if (!platform::fileExists(path)) throw platform::EFOpenError(path);
    std::ifstream in(path, std::ios::binary);
    char probe;
    if (!in || (in.read(&probe, 1), in.bad())) throw platform::EFOpenError(path);
}

// Permissions for the new package: those of the package it replaces, else what the umask allows
// (the writer's temporary file is private to its owner).
mode_t packageMode(const std::string& target) {
    struct stat info;
    if (stat(target.c_str(), &info) == 0) return info.st_mode & 07777;
    const mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

// Writes the files Save supplies itself into `workFolder` and returns every file of the package
// in member order, the descriptor last.
std::vector<std::string> prepareFiles(const ThemeView& view, const Descriptor& descriptor,
                                      const std::string& workFolder) {
    std::vector<std::string> files;
    for (const auto& named : descriptor.files) {
        std::string path = named.path;
        if (named.origin == FileOrigin::Field) {
            requireReadable(path);
        } else if (named.origin == FileOrigin::DefaultScreensaver) {
            path = workFolder + "/" + std::string(kDefaultScreensaverName);
            // The screensaver picture as loaded; the built-in one when there is no picture.
            const auto picture = view.screensaverPicture();
            writeFile(path, picture ? std::string_view(*picture) : resources::defaultScreensaver());
        } else {
            path = workFolder + "/" + std::string(kDefaultRingtoneName);
            writeFile(path, resources::defaultRingtone());
        }
        files.push_back(path);
    }
    const auto descriptorPath = workFolder + "/" + std::string(kDescriptorName);
    writeFile(descriptorPath, descriptor.text);
    files.push_back(descriptorPath);
    return files;
}

// A private folder beside the target, on the target's file system, for the finished archive
// until it is renamed onto the target. Removed with its contents when it goes out of scope.
class StagingFolder {
public:
    explicit StagingFolder(const std::string& target) {
        std::string pattern = platform::folderPart(target) + ".skarvel-save-XXXXXX";
        if (!mkdtemp(pattern.data())) throw platform::EFCreateError(target);
        path_ = pattern;
    }
    ~StagingFolder() { platform::removeTree(path_); }
    StagingFolder(const StagingFolder&) = delete;
    StagingFolder& operator=(const StagingFolder&) = delete;
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

std::string writerError(const zip::TProblem& error) {
    return error.File.empty() ? error.Text : error.Text + ": " + error.File;
}

}  // namespace

std::string packageNameFor(const std::string& chosenName) {
    zip::TZip writer;
    writer.SetDefaultExt(kPackageExtension);
    writer.SetArchiveFile(chosenName);
    return writer.ArchiveFile();
}

std::string SaveWorkflow::run(const ThemeView& view, const std::string& chosenName) {
    platform::TempFolder work("skarvel-save");
    std::unique_ptr<ThemeFields> portable;
    if (portableNames) portable = withPortableNames(view, work.path() + "/portable");
    const ThemeView& saved = portable ? *portable : view;
    const Descriptor descriptor = composeDescriptor(saved);
    const auto files = prepareFiles(saved, descriptor, work.path());

    const std::string target = packageNameFor(chosenName);
    const mode_t mode = packageMode(target);
    // A fresh archive beside the target, renamed onto it only when complete and holding every
    // file: a failed run leaves the old package as it was.
    StagingFolder staging(target);
    const std::string staged = staging.path() + "/package.nth";

    zip::TZip Zip1;
    Zip1.SetArcType(zip::atZip);
    Zip1.SetCompressMethod(zip::cmDeflate);
    Zip1.SetDefaultExt(kPackageExtension);
    Zip1.Switch = zip::swAdd;
    Zip1.StoredDirNames = zip::sdNone;
    Zip1.RecurseDirs = false;
    Zip1.FileAttribute.SetftFileAttr(zip::TAttributeFilter::kAnyFileMask);
    Zip1.FreshArchive = true;
    Zip1.FileSpec = files;
    if (onProgress)
        // The writer reports the share of the whole run in percent.
        Zip1.OnProgress = [this](zip::TZipCommon&, std::uint64_t, std::uint64_t percentOfRun) {
            onProgress(static_cast<int>(std::min<std::uint64_t>(percentOfRun, 100)));
        };
    Zip1.SetArchiveFile(staged);

    Zip1.Compress();
    if (!Zip1.LastError().empty()) throw platform::Error(writerError(Zip1.LastError()));
    if (!Zip1.ArchiveWritten() || Zip1.FailedCount() != 0) {
        const auto& problems = Zip1.Problems();
        throw platform::Error(problems.empty() ? "Cannot create file " + target : writerError(problems.front()));
    }
    chmod(staged.c_str(), mode);
    if (std::rename(staged.c_str(), target.c_str()) != 0) throw platform::EFCreateError(target);
    return target;
}

}  // namespace theme
