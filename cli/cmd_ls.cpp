// skarvel-cli ls: the recognition of an archive and the members a run would select.
#include <CLI/CLI.hpp>

#include <iostream>
#include <memory>
#include <string>

#include "cli/common.h"
#include "zip/component.h"
#include "zip/unzip.h"

namespace cli {

namespace {

void runLs(const std::string& archive) {
    zip::TUnZIP reader;
    reader.SetZipCmntBufSize(2000);
    reader.FileSpec = {"*.*"};
    reader.SetArchiveFile(archive);
    std::cout << "{\"arctype\":" << jsonString(zip::arcTypeName(reader.ArcType()))
              << ",\"first_offset\":" << reader.FirstRecordOffset()
              << ",\"chain\":" << static_cast<int>(reader.ChainFlags()) << "}\n";
    std::cout.flush();
    if (!zip::isZipKind(reader.ArcType())) fail(zip::messageText(zip::kMsgUnsupportedArchive), 1);

    for (const zip::TMemberRecord& m : reader.ListMembers()) {
        std::cout << "{\"name\":" << jsonString(m.Name) << ",\"method\":" << m.Method << ",\"flag\":" << m.Flag
                  << ",\"crc\":" << m.Crc32 << ",\"csize\":" << m.CompressedSize << ",\"usize\":" << m.UncompressedSize
                  << ",\"time\":" << m.DosDateTime << ",\"attr\":" << m.Attributes
                  << ",\"offset\":" << m.LocalHeaderOffset << "}\n";
    }
    std::cout.flush();
    if (!reader.LastError().empty()) fail(reader.LastError().Text, 1);
}

}  // namespace

void registerLs(CLI::App& app) {
    auto archive = std::make_shared<std::string>();
    auto* command = app.add_subcommand("ls", "Recognise an archive and list the members an extraction would select");
    command->footer("Exit codes: 0 listed; 1 failure (no archive of a usable kind, or a read error); 2 usage error.");
    command->add_option("ARCHIVE", *archive, "Archive to examine")->required();
    command->callback([archive] { runLs(*archive); });
}

}  // namespace cli
