#include "theme/save.h"

#include <algorithm>
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
    // A fresh archive in the work folder, put onto the target only when complete and holding
    // every file: a failed run leaves the old package as it was.
    const std::string finished = work.path() + "/package.nth";

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
    Zip1.SetArchiveFile(finished);

    Zip1.Compress();
    if (!Zip1.LastError().empty()) throw platform::Error(writerError(Zip1.LastError()));
    if (!Zip1.ArchiveWritten() || Zip1.FailedCount() != 0) {
        const auto& problems = Zip1.Problems();
        throw platform::Error(problems.empty() ? "Cannot create file " + target : writerError(problems.front()));
    }
    if (!platform::replaceFile(finished, target)) throw platform::EFCreateError(target);
    return target;
}

}  // namespace theme
