// skarvel-cli unzip: one extraction run with the editor's settings.
#include <CLI/CLI.hpp>

#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "cli/common.h"
#include "zip/unzip.h"

namespace cli {

namespace {

constexpr int kExitProblems = 3;

struct UnzipOptions {
    std::vector<std::string> passwords;
    std::vector<std::string> files;
    std::string archive;
    std::string folder;
};

void runUnzip(const UnzipOptions& options) {
    zip::TUnZIP reader;
    reader.FileSpec = options.files.empty() ? std::vector<std::string>{"*.*"} : options.files;
    reader.ConfirmOverwrites = false;
    reader.SetZipCmntBufSize(2000);
    reader.Passwords = options.passwords;
    reader.SetArchiveFile(options.archive);
    reader.SetExtractDir(options.folder);

    reader.ExtractFiles();
    std::cout << reader.FilesWritten() << '\n';
    std::cout.flush();
    for (const zip::TProblem& problem : reader.Problems()) {
        std::cerr << "warning " << problem.Number << ' ' << problem.Text << ": " << problem.File << '\n';
    }
    if (!reader.Problems().empty()) throw ExitCode{kExitProblems};
}

}  // namespace

void registerUnzip(CLI::App& app) {
    auto options = std::make_shared<UnzipOptions>();
    auto* command = app.add_subcommand("unzip", "Extract an archive into a folder, as the editor's Open does");
    command->footer(
        "Prints the number of files written. Exit codes: 0 every selected member was extracted; "
        "1 failure (no archive of a usable kind, or it cannot be opened); 2 usage error; "
        "3 problems recorded (each on standard error; some members missing or damaged).");
    command->add_option("--password", options->passwords, "Password to try on encrypted members")
        ->allow_extra_args(false);
    command->add_option("--files", options->files, "Name pattern of the members to extract")->allow_extra_args(false);
    command->add_option("ARCHIVE", options->archive, "Archive to read")->required();
    command->add_option("DIR", options->folder, "Folder to extract into")->required();
    command->callback([options] { runUnzip(*options); });
}

}  // namespace cli
