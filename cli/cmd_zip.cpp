// skarvel-cli zip: one archive writer run with the editor's settings.
#include <CLI/CLI.hpp>

#include <iostream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "cli/common.h"
#include "zip/writer.h"

namespace cli {

namespace {

struct ZipOptions {
    int level = 7;
    bool store = false;
    std::string storedDirs = "none";
    bool recurse = false;
    std::vector<std::string> excludes;
    std::string archive;
    std::vector<std::string> specs;
};

zip::TDeflateType deflateTypeFor(int level) {
    switch (level) {
        case 1: return zip::dtDeflateS;
        case 2: return zip::dtDeflateF;
        case 9: return zip::dtDeflateX;
        default: return zip::dtDeflateN;
    }
}

void runZip(const ZipOptions& options) {
    static const std::map<std::string, zip::TStoredDirNames> kStoredDirs = {
        {"none", zip::sdNone},
        {"relative", zip::sdRelative},
        {"relative-start", zip::sdRelativeStoreStart},
        {"absolute", zip::sdAbsolute},
        {"absolute-nodrive", zip::sdAbsoluteNoDrv},
    };
    zip::TZip writer;
    writer.SetDefaultExt(".nth");
    writer.StoredDirNames = kStoredDirs.at(options.storedDirs);
    writer.SetDeflateType(deflateTypeFor(options.level));
    if (options.store) writer.SetCompressMethod(zip::cmStore);
    writer.Switch = zip::swAdd;
    writer.RecurseDirs = options.recurse;
    writer.FilesOnly = true;  // a pattern such as dir/* takes the files and passes over the folders
    writer.ExcludeSpec = options.excludes;
    writer.FileSpec = options.specs;
    writer.SetArchiveFile(options.archive);

    const std::uint32_t written = writer.Compress();
    std::cout << written << '\n';
    std::cout.flush();
    if (!writer.LastError().empty()) fail(writer.LastError().Text, 1);
}

}  // namespace

void registerZip(CLI::App& app) {
    auto options = std::make_shared<ZipOptions>();
    auto* command = app.add_subcommand("zip", "Write an archive from files, as the editor's Save does");
    command->footer(
        "Exit codes: 0 the archive was written; 1 failure (the message says why; an existing archive "
        "is left unchanged); 2 usage error.");
    command->add_option("--level", options->level, "Deflate level")->check(CLI::IsMember({1, 2, 7, 9}));
    command->add_flag("--store", options->store, "Store every member without compression");
    command->add_option("--stored-dirs", options->storedDirs, "Folder names kept in stored names")
        ->check(CLI::IsMember({"none", "relative", "relative-start", "absolute", "absolute-nodrive"}));
    command->add_flag("--recurse", options->recurse, "Search subfolders for each pattern");
    command->add_option("--exclude", options->excludes, "Name pattern of files to leave out")->allow_extra_args(false);
    command->add_option("ARCHIVE", options->archive, "Archive to write")->required();
    command
        ->add_option("SPEC", options->specs,
                     "File path or pattern, one FileSpec line each; folders a pattern matches are passed over")
        ->required();
    command->callback([options] { runZip(*options); });
}

}  // namespace cli
