#include "theme/open.h"

#include <algorithm>

#include "platform/errors.h"
#include "theme/descriptor.h"
#include "theme/progress.h"
#include "theme/unpack_folder.h"
#include "xml/tree.h"
#include "zip/unzip.h"

namespace theme {

namespace {

constexpr int kZipCommentWindow = 2000;

// The problems the reader recorded; after a refused run without the error that ended it (that
// one is thrown, and the reader records it last).
std::vector<PackageProblem> problemsOf(const zip::TUnZIP& reader, bool refused) {
    std::vector<PackageProblem> problems;
    for (const auto& problem : reader.Problems()) problems.push_back({problem.Number, problem.Text, problem.File});
    if (refused && !reader.LastError().empty()) problems.pop_back();
    return problems;
}

}  // namespace

void OpenWorkflow::addOutsideNames(const std::vector<std::string>& names) {
    for (const auto& name : names) problems_.push_back({0, std::string(kOutsideUnpackFolder), name});
}

bool OpenWorkflow::run(const std::string& package, const std::string& chosenFolder, ThemeView& view) {
    problems_.clear();
    unpackFolder_ = unpackFolderFor(chosenFolder);
    createUnpackFolder(unpackFolder_);
    if (holdsFiles(unpackFolder_)) {
        if (!confirmEmptying || !confirmEmptying(std::string(kUnpackWarning))) return false;
        emptyFolder(unpackFolder_, package);
    }

    zip::TUnZIP UnZIP1;
    UnZIP1.FileSpec = {"*.*"};
    UnZIP1.ConfirmOverwrites = false;
    UnZIP1.CpuType = zip::cptAuto;
    UnZIP1.SetZipCmntBufSize(kZipCommentWindow);
    if (onProgress)
        UnZIP1.OnProgress = [this, &UnZIP1](zip::TZipCommon&, std::uint64_t, std::uint64_t byArchive) {
            onProgress(percentOf(byArchive, UnZIP1.ArchiveSize()));
        };
    try {
        UnZIP1.SetArchiveFile(package);
        UnZIP1.SetExtractDir(unpackFolder_);
        UnZIP1.ExtractFiles();
    } catch (...) {
        problems_ = problemsOf(UnZIP1, true);
        throw;
    }
    problems_ = problemsOf(UnZIP1, false);

    view.resetElements();
    try {
        // Native decoding: names are read back as the UTF-8 Save wrote, or converted from the
        // Windows-1251 bytes older tools wrote.
        xml::TQXMLParser parser;
        parser.NativeDecoding = true;
        parser.LoadFromFile(*findInUnpackFolder(unpackFolder_, kDescriptorName));
        std::vector<std::string> outside;
        try {
            interpretDescriptor(parser, unpackFolder_, view, &outside);
        } catch (...) {
            addOutsideNames(outside);
            throw;
        }
        addOutsideNames(outside);
    } catch (...) {
        view.updatePreview();
        throw;
    }
    view.updatePreview();
    return true;
}

std::string damagedMessage(const std::string& package, const std::vector<PackageProblem>& problems) {
    std::string message = "Пакет темы " + package + " повреждён:";
    for (const auto& problem : problems) {
        message += "\n";
        message += problem.member.empty() ? "(пакет)" : problem.member;
        message += " — " + problem.text;
    }
    return message;
}

}  // namespace theme
