// TUnZIP against archives written by our writer and by other tools, and its settings.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "platform/dostime.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/tempfile.h"
#include "reader_support.h"
#include "zip/writer.h"

namespace {

using namespace readertest;
using ziptest::quote;
using ziptest::runCommand;

// The files every peer archive is made of.
std::map<std::string, std::string> sourceFiles() {
    return {{"a.txt", "hello\n"},
            {"empty.bin", ""},
            {"img/icon.png", ziptest::randomBytes(50000, 3)},
            {"big.dat", ziptest::textBytes(300000)},
            {"Привет.txt", "cyrillic name\n"}};
}

void writeTree(const fs::path& root, const std::map<std::string, std::string>& files) {
    for (const auto& [name, bytes] : files) {
        fs::create_directories((root / name).parent_path());
        ziptest::writeFile((root / name).string(), bytes);
    }
}

std::string sevenZip() {
    for (const char* tool : {"7z", "7zz"}) {
        if (ziptest::haveTool(tool)) return tool;
    }
    return {};
}

struct PeerCase {
    const char* name;
    const char* tool;     // skipped when missing
    const char* command;  // run in the source folder; ARCH is the archive path
    const char* password;
};

// Modes: file, file64 (ZIP64 records for every member), stream (to an unseekable pipe),
// stream64 (ZIP64 data descriptors), stored (streamed, stored members).
const char* const kPythonWriter = R"(
import sys, zipfile, os
mode = sys.argv[2]
stream = open(sys.argv[1], 'wb') if mode.startswith('file') else sys.stdout.buffer
method = zipfile.ZIP_STORED if mode == 'stored' else zipfile.ZIP_DEFLATED
with zipfile.ZipFile(stream, 'w', method) as z:
    for root, dirs, files in os.walk('.'):
        for f in sorted(files):
            path = os.path.join(root, f)[2:]
            if mode.endswith('64'):
                info = zipfile.ZipInfo.from_file(path, path)
                info.compress_type = method
                with open(path, 'rb') as src, z.open(info, 'w', force_zip64=True) as dst:
                    dst.write(src.read())
            else:
                z.write(path, path)
)";

// Cuts an archive before its central directory.
const char* const kCutCentral = R"(
import sys
data = open(sys.argv[1], 'rb').read()
open(sys.argv[1], 'wb').write(data[:data.index(b'PK\x01\x02')])
)";

const PeerCase kPeers[] = {
    {"InfoZip", "zip", "zip -qr ARCH .", nullptr},
    {"InfoZipNoFolders", "zip", "zip -qrD ARCH .", nullptr},
    {"InfoZipEncrypted", "zip", "zip -qr -P secret ARCH .", "secret"},
    {"InfoZipPipe", "zip", "zip -qr - . | cat > ARCH", nullptr},
    {"InfoZipLongComment", "zip", "zip -qr ARCH . && python3 -c 'print(\"c\" * 3000)' | zip -qz ARCH", nullptr},
    {"SevenZip", "7z", "SEVENZIP a -tzip ARCH . -bd -bso0", nullptr},
    {"PythonFile", "python3", "python3 ../writer.py ARCH file", nullptr},
    {"PythonStream", "python3", "python3 ../writer.py - stream | cat > ARCH", nullptr},
    // ZIP64 records and extra fields.
    {"InfoZipZip64", "zip", "zip -qr -fz ARCH .", nullptr},
    {"InfoZipZip64Pipe", "zip", "zip -qr -fz - . | cat > ARCH", nullptr},
    {"PythonFileZip64", "python3", "python3 ../writer.py ARCH file64", nullptr},
    // Streamed members (data descriptors) found by the walk of local headers: the central
    // directory is cut off.
    {"InfoZipPipeNoCentral", "zip", "zip -qr - . | cat > ARCH && python3 ../cut.py ARCH", nullptr},
    {"InfoZipZip64PipeNoCentral", "zip", "zip -qr -fz - . | cat > ARCH && python3 ../cut.py ARCH", nullptr},
    {"PythonStreamNoCentral", "python3", "python3 ../writer.py - stream | cat > ARCH && python3 ../cut.py ARCH",
     nullptr},
    {"PythonStream64NoCentral", "python3", "python3 ../writer.py - stream64 | cat > ARCH && python3 ../cut.py ARCH",
     nullptr},
    {"PythonStoredStreamNoCentral", "python3", "python3 ../writer.py - stored | cat > ARCH && python3 ../cut.py ARCH",
     nullptr},
    {"InfoZipEncryptedPipeNoCentral", "zip", "zip -qr -P secret - . | cat > ARCH && python3 ../cut.py ARCH", "secret"},
};

class PeerArchives : public ::testing::TestWithParam<PeerCase> {};

TEST_P(PeerArchives, ExtractToTheSourceFiles) {
    const PeerCase& peer = GetParam();
    std::string tool = peer.tool;
    if (tool == "7z") tool = sevenZip();
    if (tool.empty() || !ziptest::haveTool(tool)) GTEST_SKIP() << peer.tool << " not installed; skipped";

    platform::TempFolder temp("zipread");
    const fs::path root(temp.path());
    writeTree(root / "src", sourceFiles());
    ziptest::writeFile((root / "writer.py").string(), kPythonWriter);
    ziptest::writeFile((root / "cut.py").string(), kCutCentral);
    const std::string archive = (root / "peer.zip").string();
    std::string command = peer.command;
    command.replace(command.find("ARCH"), 4, quote(archive));
    if (command.find("ARCH") != std::string::npos) command.replace(command.find("ARCH"), 4, quote(archive));
    if (command.find("SEVENZIP") != std::string::npos) command.replace(command.find("SEVENZIP"), 8, tool);
    const auto made = runCommand("cd " + quote((root / "src").string()) + " && LC_ALL=C.UTF-8 " + command);
    ASSERT_EQ(made.status, 0) << made.output;

    if (peer.password) {
        const Extraction locked(archive, (root / "locked").string());
        EXPECT_TRUE(readTree(root / "locked").empty());
        ASSERT_FALSE(locked.problems().empty());
        for (int number : locked.problems()) EXPECT_EQ(number, zip::kMsgEventNotAssigned);
    }
    std::vector<std::string> passwords;
    if (peer.password) passwords = {"wrong", peer.password};
    const Extraction run(archive, (root / "out").string(), passwords);
    EXPECT_TRUE(run.problems().empty()) << ::testing::PrintToString(run.problems());
    EXPECT_EQ(summary(readTree(root / "out")), summary(sourceFiles()));
    EXPECT_EQ(run.count, sourceFiles().size());

    // The time stamp of the member is restored (DOS time has two-second steps).
    const auto source = fs::last_write_time(root / "src" / "big.dat");
    const auto restored = fs::last_write_time(root / "out" / "big.dat");
    EXPECT_LE(std::chrono::abs(source - restored), std::chrono::seconds(2));
}

INSTANTIATE_TEST_SUITE_P(Peers, PeerArchives, ::testing::ValuesIn(kPeers),
                         [](const auto& info) { return std::string(info.param.name); });

// Our own writer: chain 25, first record offset at the central directory, time stamps, 0x21
// attributes giving a read-only file.
TEST(OurArchives, RoundTripWithAttributes) {
    platform::TempFolder temp("zipread");
    const fs::path root(temp.path());
    writeTree(root / "src", {{"icon.png", ziptest::randomBytes(20000)}, {"theme.xml", ziptest::textBytes(5000)}});
    ASSERT_TRUE(platform::setFileAttributes((root / "src" / "theme.xml").string(), 0x21));

    zip::TZip writer;
    writer.FreshArchive = true;
    writer.FileSpec = {(root / "src" / "icon.png").string(), (root / "src" / "theme.xml").string()};
    writer.SetArchiveFile((root / "pack.nth").string());
    ASSERT_EQ(writer.Compress(), 2u);

    zip::TUnZIP reader;
    reader.FileSpec = {"*.*"};
    reader.SetArchiveFile((root / "pack.nth").string());
    EXPECT_EQ(reader.ArcType(), zip::atZip);
    EXPECT_EQ(reader.ChainFlags(), 25);
    EXPECT_EQ(reader.FirstRecordOffset(), reader.LastRecognition().endRecord.centralDirectoryOffset);
    reader.SetExtractDir((root / "out").string());
    EXPECT_EQ(reader.ExtractFiles(), 2u);
    EXPECT_TRUE(reader.Problems().empty());
    EXPECT_EQ(summary(readTree(root / "out")), summary(readTree(root / "src")));
    EXPECT_EQ(platform::fileAttributes((root / "out" / "theme.xml").string()) & platform::kAttrReadOnly, 1u);
    EXPECT_EQ(platform::fileAttributes((root / "out" / "icon.png").string()) & platform::kAttrReadOnly, 0u);
    EXPECT_EQ(platform::fileDosDateTime((root / "out" / "icon.png").string()),
              platform::fileDosDateTime((root / "src" / "icon.png").string()));

    // Once more over the read-only file: it is replaced.
    reader.ConfirmOverwrites = false;
    ziptest::writeFile((root / "out" / "icon.png").string(), "old");
    EXPECT_EQ(reader.ExtractFiles(), 2u);
    EXPECT_TRUE(reader.Problems().empty());
    EXPECT_EQ(summary(readTree(root / "out")), summary(readTree(root / "src")));
}

// Names: CP866 from DOS hosts, bit 11 UTF-8, the Unicode Path extra field, raw UTF-8 from Unix.
TEST(MemberNames, AreConvertedByTheirOrigin) {
    platform::TempFolder temp("zipread");
    const std::string cp866 = "\x8F\xE0\xA8\xA2\xA5\xE2.txt";  // "Привет.txt" in CP866
    std::string unicodeField = "\x75\x70";
    const std::string utf8Name = "Ёлка.txt";
    const std::uint32_t crc = zip::crc32Of("junk.txt");
    unicodeField += static_cast<char>(5 + utf8Name.size());
    unicodeField += '\0';
    unicodeField += '\x01';
    for (int i = 0; i < 4; ++i) unicodeField += static_cast<char>(crc >> (8 * i));
    unicodeField += utf8Name;
    const std::vector<Member> members = {
        {.name = cp866, .data = "dos"},
        {.name = "Ключ.txt", .data = "bit11", .flag = zip::kFlagUtf8Name},
        {.name = "junk.txt", .data = "field", .versionMadeBy = 0x0314, .extra = unicodeField},
        {.name = "Мир.txt", .data = "unix", .versionMadeBy = 0x0314},
        {.name = "sub\\dir\\x.txt", .data = "backslash"},
    };
    ziptest::writeFile(temp.path() + "/names.zip", assemble(members));
    const Extraction run(temp.path() + "/names.zip", temp.path() + "/out");
    EXPECT_TRUE(run.problems().empty());
    const std::map<std::string, std::string> expected = {{"Привет.txt", "dos"},
                                                         {"Ключ.txt", "bit11"},
                                                         {"Ёлка.txt", "field"},
                                                         {"Мир.txt", "unix"},
                                                         {"sub/dir/x.txt", "backslash"}};
    EXPECT_EQ(readTree(temp.path() + "/out"), expected);
}

TEST(Recognition, KindsAndTheErrorsThatReachTheCaller) {
    platform::TempFolder temp("zipread");
    const std::string sound = assemble({{.name = "a.txt", .data = "a"}});
    ziptest::writeFile(temp.path() + "/pack.JAR", sound);
    ziptest::writeFile(temp.path() + "/short.zip", sound.substr(0, 19));
    ziptest::writeFile(temp.path() + "/text.nth", "This is a text file and no archive at all.\n");

    zip::TUnZIP reader;
    reader.FileSpec = {"*.*"};
    reader.SetArchiveFile(temp.path() + "/pack.JAR");
    EXPECT_EQ(reader.ArcType(), zip::atJar);
    reader.SetArchiveFile(temp.path() + "/short.zip");
    EXPECT_EQ(reader.ArcType(), zip::atFileOpenErr);

    auto messageOf = [&](const std::string& archive) -> std::string {
        reader.SetArchiveFile(archive);
        try {
            reader.ExtractFiles();
        } catch (const platform::E_RAISE& e) {
            return e.what();
        }
        return "no exception";
    };
    EXPECT_EQ(messageOf(temp.path() + "/short.zip"), "Invalid or unsupported archive type for this operation");
    EXPECT_EQ(messageOf(temp.path() + "/text.nth"), "Invalid or unsupported archive type for this operation");
    EXPECT_EQ(messageOf(temp.path() + "/missing.nth"), "Invalid or unsupported archive type for this operation");
    EXPECT_EQ(messageOf(""), "File not found");
    EXPECT_EQ(reader.LastError().Number, zip::kMsgFileNotFound);
}

// An archive without its tail is walked by its local headers; every file keeps the attributes
// its creation gave it.
TEST(LocalWalk, LostTail) {
    platform::TempFolder temp("zipread");
    const std::vector<Member> members = {{.name = "a.txt", .data = "first", .attributes = 0x21},
                                         {.name = "d/b.txt", .data = ziptest::textBytes(40000), .method = 8}};
    const std::string whole = assemble(members);
    const std::string headless = assemble(members, false);
    ziptest::writeFile(temp.path() + "/lost.zip", headless + whole.substr(headless.size(), 30));
    const Extraction run(temp.path() + "/lost.zip", temp.path() + "/out");
    EXPECT_EQ(run.reader.ChainFlags(), 16);
    EXPECT_EQ(run.reader.FirstRecordOffset(), 0u);
    EXPECT_TRUE(run.problems().empty());
    EXPECT_EQ(run.count, 2u);
    EXPECT_EQ(summary(readTree(temp.path() + "/out")), summary({{"a.txt", "first"}, {"d/b.txt", members[1].data}}));
    EXPECT_EQ(platform::fileAttributes(temp.path() + "/out/a.txt") & platform::kAttrReadOnly, 0u);
}

// Folder entries are passed over in a central walk; a folder entry without 0x10 just makes its folder.
TEST(CentralWalk, FolderEntries) {
    platform::TempFolder temp("zipread");
    const std::vector<Member> members = {{.name = "emptydir/", .attributes = 0x10},
                                         {.name = "plain/", .attributes = 0x20},
                                         {.name = "x.txt", .data = "x"}};
    ziptest::writeFile(temp.path() + "/dirs.zip", assemble(members));
    const Extraction run(temp.path() + "/dirs.zip", temp.path() + "/out");
    EXPECT_TRUE(run.problems().empty());
    EXPECT_FALSE(fs::exists(temp.path() + "/out/emptydir"));
    EXPECT_TRUE(fs::is_directory(temp.path() + "/out/plain"));
    EXPECT_EQ(readTree(temp.path() + "/out"), (std::map<std::string, std::string>{{"x.txt", "x"}}));
}

TEST(Members, UnsupportedMethodsAndDamageAreRecorded) {
    platform::TempFolder temp("zipread");
    const std::string text = ziptest::textBytes(200000);
    const std::string damaged = deflateFlushed(text.substr(0, 100000)) + "\x06 block type 3 does not exist";
    const std::vector<Member> members = {{.name = "m9.bin", .data = "abc", .method = 9, .packed = "zzz"},
                                         {.name = "m12.bin", .data = "abc", .method = 12, .packed = "zzz"},
                                         {.name = "bad.txt", .data = text, .method = 8, .packed = damaged},
                                         {.name = "good.txt", .data = "fine"},
                                         {.name = "aes.bin", .data = "abc", .method = 99, .flag = 1, .packed = "zzz"}};
    ziptest::writeFile(temp.path() + "/m.zip", assemble(members));
    const Extraction run(temp.path() + "/m.zip", temp.path() + "/out");
    EXPECT_EQ(run.count, 5u);
    EXPECT_EQ(run.reader.FilesWritten(), 1u);  // only good.txt came out whole
    const auto files = readTree(temp.path() + "/out");
    EXPECT_EQ(files.count("aes.bin"), 0u);
    EXPECT_EQ(files.at("m9.bin"), "");
    EXPECT_EQ(files.at("m12.bin"), "");
    EXPECT_EQ(files.at("good.txt"), "fine");
    EXPECT_TRUE(files.at("bad.txt") == text.substr(0, 100000));

    const auto& problems = run.reader.Problems();
    ASSERT_EQ(problems.size(), 7u);
    EXPECT_EQ(problems[0].Number, zip::kMsgUnsupportedMethod);
    EXPECT_EQ(problems[0].File, "m9.bin");
    EXPECT_EQ(problems[0].Text, "Unsupported compression method 9 (Deflate64)");
    EXPECT_EQ(problems[2].Text, "Unsupported compression method 12 (bzip2)");
    EXPECT_EQ(problems[6].Number, zip::kMsgUnsupportedMethod);
    EXPECT_EQ(problems[6].Text, "Unsupported compression method 99 (AES encryption)");
    EXPECT_EQ(problems[6].File, "aes.bin");
    EXPECT_EQ(problems[1].Number, zip::kMsgCrcFailed);
    EXPECT_EQ(problems[2].Number, zip::kMsgUnsupportedMethod);
    EXPECT_EQ(problems[4].Number, zip::kMsgBadBlock);
    EXPECT_EQ(problems[5].Number, zip::kMsgCrcFailed);
    EXPECT_EQ(problems[5].File, "bad.txt");
}

TEST(Settings, FileSpecPatternsAndSinglePatternRule) {
    platform::TempFolder temp("zipread");
    const std::vector<Member> members = {{.name = "a/icon.png", .data = "1"},
                                         {.name = "b/icon.png", .data = "2"},
                                         {.name = "ICON.PNG", .data = "3"},
                                         {.name = "readme", .data = "4"}};
    ziptest::writeFile(temp.path() + "/s.zip", assemble(members));
    auto extracted = [&](std::vector<std::string> spec, bool storedDirs = true) {
        const std::string out = temp.path() + "/out" + std::to_string(std::rand());
        zip::TUnZIP reader;
        reader.FileSpec = std::move(spec);
        reader.UseStoredDirs = storedDirs;
        reader.ConfirmOverwrites = false;
        reader.SetArchiveFile(temp.path() + "/s.zip");
        reader.SetExtractDir(out);
        reader.ExtractFiles();
        return readTree(out);
    };
    using Files = std::map<std::string, std::string>;
    EXPECT_EQ(extracted({"*.*"}).size(), 4u);
    EXPECT_EQ(extracted({"icon.png"}), (Files{{"a/icon.png", "1"}}));
    EXPECT_EQ(extracted({"*.png"}), (Files{{"a/icon.png", "1"}, {"b/icon.png", "2"}, {"ICON.PNG", "3"}}));
    EXPECT_EQ(extracted({"b/*", "read*"}), (Files{{"b/icon.png", "2"}, {"readme", "4"}}));
    EXPECT_EQ(extracted({"*.*"}, false), (Files{{"icon.png", "2"}, {"ICON.PNG", "3"}, {"readme", "4"}}));
}

TEST(Settings, OverwriteAndDates) {
    platform::TempFolder temp("zipread");
    ziptest::writeFile(temp.path() + "/d.zip", assemble({{.name = "a.txt", .data = "new"}}));
    const std::string out = temp.path() + "/out/";
    fs::create_directories(out);
    ziptest::writeFile(out + "a.txt", "old");

    zip::TUnZIP reader;
    reader.FileSpec = {"*.*"};
    reader.SetArchiveFile(temp.path() + "/d.zip");
    reader.SetExtractDir(out);
    EXPECT_EQ(reader.ExtractFiles(), 0u);  // ConfirmOverwrites without OnFileExists: skipped
    EXPECT_EQ(ziptest::readFile(out + "a.txt"), "old");
    EXPECT_EQ(reader.OverwriteMode, zip::omSkip);

    reader.OverwriteMode = zip::omOverwrite;
    reader.OnFileExists = [](zip::TZipCommon&, const std::string&, std::time_t, zip::TOverwriteMode& mode) {
        mode = zip::omOverwrite;
    };
    EXPECT_EQ(reader.ExtractFiles(), 1u);
    EXPECT_EQ(ziptest::readFile(out + "a.txt"), "new");
    EXPECT_EQ(platform::fileDosDateTime(out + "a.txt"), 0x5A8C6A0Fu);

    reader.DateAttribute = zip::daSysDate;
    const std::time_t before = std::time(nullptr);
    reader.ExtractFiles();
    struct stat info;
    ASSERT_EQ(::stat((out + "a.txt").c_str(), &info), 0);
    EXPECT_GE(info.st_mtime + 2, before);

    // daMaxFileDate: every file gets the latest date-time word of the walk.
    ziptest::writeFile(temp.path() + "/two.zip",
                       assemble({{.name = "old.txt", .data = "o", .dosDateTime = 0x4A8C6A0F},
                                 {.name = "new.txt", .data = "n", .dosDateTime = 0x5B8C6A0F}}));
    reader.SetArchiveFile(temp.path() + "/two.zip");
    reader.DateAttribute = zip::daMaxFileDate;
    EXPECT_EQ(reader.ExtractFiles(), 2u);
    EXPECT_EQ(platform::fileDosDateTime(out + "old.txt"), 0x5B8C6A0Fu);
    EXPECT_EQ(platform::fileDosDateTime(out + "new.txt"), 0x5B8C6A0Fu);

    reader.CpuType = zip::cpt80486;
    reader.ExtractFiles();
    EXPECT_EQ(reader.CpuType, zip::cptAuto);
}

TEST(Passwords, EventAttemptsAndFailure) {
    if (!ziptest::haveTool("zip")) GTEST_SKIP() << "Info-ZIP zip not installed; skipped";
    platform::TempFolder temp("zipread");
    ziptest::writeFile(temp.path() + "/s.txt", "secret data");
    ASSERT_EQ(runCommand("cd " + quote(temp.path()) + " && zip -q -P pw enc.zip s.txt").status, 0);

    zip::TUnZIP reader;
    reader.FileSpec = {"*.*"};
    reader.SetArchiveFile(temp.path() + "/enc.zip");
    reader.SetExtractDir(temp.path() + "/out");
    int asked = 0;
    reader.OnGetPassword = [&](zip::TZipCommon&, const std::string&, std::string& password, bool&) {
        password = ++asked == 2 ? "pw" : "nope";
    };
    EXPECT_EQ(reader.ExtractFiles(), 1u);
    EXPECT_EQ(asked, 2);
    EXPECT_EQ(ziptest::readFile(temp.path() + "/out/s.txt"), "secret data");
    EXPECT_EQ(problemNumbers(reader), std::vector<int>{zip::kMsgInvalidPassword});

    fs::remove_all(temp.path() + "/out");
    reader.OnGetPassword = [](zip::TZipCommon&, const std::string&, std::string& password, bool&) { password = "x"; };
    reader.ExtractFiles();
    EXPECT_FALSE(fs::exists(temp.path() + "/out/s.txt"));
    EXPECT_EQ(problemNumbers(reader), (std::vector<int>{zip::kMsgInvalidPassword, zip::kMsgInvalidPassword,
                                                        zip::kMsgInvalidPassword, zip::kMsgPasswordFailed}));
    EXPECT_EQ(reader.LastError().Number, zip::kMsgPasswordFailed);
}

}  // namespace
