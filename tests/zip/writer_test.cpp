// The archive writer: records as written, peers as oracles, deflate equality, store fallback,
// reruns, update path and failures.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>

#include "platform/dostime.h"
#include "platform/files.h"
#include "platform/pending.h"
#include "platform/tempfile.h"
#include "support/bytes.h"
#include "tests/zip/zip_test_support.h"
#include "zip/blockcost.h"
#include "zip/recognition.h"
#include "zip/writer.h"

using namespace zip;
using testsupport::hex;
using testsupport::hexLittleEndian32;
using ziptest::quote;
using ziptest::readFile;
using ziptest::runCommand;
using ziptest::writeFile;

namespace {

// One member as the central directory describes it, with its local header and data.
struct Member {
    CentralFileHeader central;
    LocalFileHeader local;
    std::string name;
    std::string data;  // compressed bytes
};

std::vector<Member> parseArchive(const std::string& archive) {
    std::vector<Member> members;
    const std::size_t endAt = archive.size() - kEndRecordSize;
    ByteCursor endCursor(std::string_view(archive).substr(endAt));
    const auto end = EndRecord::decode(endCursor);
    EXPECT_TRUE(end && end->signature == kEndRecordSignature);
    if (!end) return members;
    EXPECT_EQ(end->centralDirectoryOffset + end->centralDirectorySize, endAt);
    ByteCursor cd(std::string_view(archive).substr(end->centralDirectoryOffset));
    for (int i = 0; i < end->totalEntries; ++i) {
        Member m;
        m.central = *CentralFileHeader::decode(cd);
        m.name = std::string(cd.text(m.central.nameLength));
        cd.skip(std::size_t(m.central.extraLength) + m.central.commentLength);
        ByteCursor lc(std::string_view(archive).substr(m.central.localHeaderOffset));
        m.local = *LocalFileHeader::decode(lc);
        EXPECT_EQ(std::string(lc.text(m.local.nameLength)), m.name);
        lc.skip(m.local.extraLength);
        m.data = std::string(lc.text(m.central.compressedSize));
        EXPECT_TRUE(lc.ok() && cd.ok());
        members.push_back(std::move(m));
    }
    return members;
}

std::vector<std::string> tempLeftovers(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& f : platform::findFiles(folder, "oxr*", 0x93F)) names.push_back(f.name);
    return names;
}

class WriterTest : public testing::Test {
protected:
    WriterTest() : tmp("oxrtmp") {
        // The writer's temporary files go to a private folder so that leftovers can be counted.
        const char* old = std::getenv("TMPDIR");
        oldTmp = old ? old : "";
        hadTmp = old != nullptr;
        ::setenv("TMPDIR", tmp.path().c_str(), 1);
        writer.SetDefaultExt(".nth");
        writer.StoredDirNames = sdNone;
    }
    ~WriterTest() override {
        if (hadTmp)
            ::setenv("TMPDIR", oldTmp.c_str(), 1);
        else
            ::unsetenv("TMPDIR");
    }

    std::string file(const std::string& name, const std::string& bytes) {
        const std::string path = dir.path() + "/" + name;
        platform::createFolders(platform::folderPart(path));
        writeFile(path, bytes);
        return path;
    }

    std::uint32_t compress(std::vector<std::string> specs, const std::string& archive = "out.nth") {
        writer.FileSpec = std::move(specs);
        writer.SetArchiveFile(dir.path() + "/" + archive);
        return writer.Compress();
    }

    std::string archivePath() const { return writer.ArchiveFile(); }

    platform::TempFolder dir;
    platform::TempFolder tmp;
    std::string oldTmp;
    bool hadTmp = false;
    TZip writer;
};

}  // namespace

TEST_F(WriterTest, WorkedExampleIconPng) {
    const std::string data = ziptest::textBytes(3000);
    const std::string icon = file("icon.png", data);
    std::tm local{};
    local.tm_year = 2007 - 1900;
    local.tm_mon = 4;
    local.tm_mday = 14;
    local.tm_hour = 13;
    local.tm_min = 45;
    local.tm_sec = 30;
    local.tm_isdst = -1;
    ASSERT_TRUE(platform::setFileDosDateTime(icon, platform::toDosDateTime(std::mktime(&local))));

    EXPECT_EQ(compress({icon}), 1u);
    EXPECT_TRUE(writer.LastError().empty()) << writer.LastError().Text;
    const std::string archive = readFile(archivePath());
    const auto members = parseArchive(archive);
    ASSERT_EQ(members.size(), 1u);
    const Member& m = members[0];
    EXPECT_EQ(m.name, "icon.png");
    // Time word 0x6DAF = 13 << 11 | 45 << 5 | 30 / 2; date word 0x36AE = 27 << 9 | 5 << 5 | 14.
    const std::string flagToDate =
        "0000"
        "0800"
        "af6d"
        "ae36";  // flag, method 8, time, date
    const std::string crcAndSizes =
        hexLittleEndian32(crc32Of(data)) + hexLittleEndian32(m.local.compressedSize) + hexLittleEndian32(3000);
    EXPECT_EQ(hex(archive.substr(0, 38)),
              "504b0304"
              "1400"  // signature, version needed 20
                  + flagToDate + crcAndSizes +
                  "0800"
                  "0000"  // name and extra length
                  + hex("icon.png"));
    EXPECT_EQ(hex(archive.substr(38 + m.local.compressedSize, 54)),
              "504b0102"
              "1400"
              "0900"  // signature, made by 20, version needed 9
                  + flagToDate + crcAndSizes +
                  "0800"
                  "0000"
                  "0000"
                  "0000"  // name, extra and comment length, disk
                  "0100"
                  "20000000"  // internal and external attributes
                  "00000000"  // local header offset
                  + hex("icon.png"));

    // Nothing before the first header, nothing after the end record; recognised with a full chain.
    const Recognition r = recognizeArchive(archivePath(), 2000);
    EXPECT_EQ(r.arcType, atZip);
    EXPECT_EQ(r.chainFlags, kChainComplete);
    EXPECT_EQ(r.firstRecordOffset, 30u + 8 + m.local.compressedSize);
}

// Archives of every kind the writer makes, checked by the peers that are installed.
TEST_F(WriterTest, PeersAcceptEveryKindOfMember) {
    struct Kind {
        const char* label;
        TDeflateType type;
        bool store;
    };
    const std::vector<std::pair<std::string, std::string>> files = {
        {"text.txt", ziptest::textBytes(150000)},
        {"random.bin", ziptest::randomBytes(20480, 3)},
        {"tiny.bin", ziptest::randomBytes(100, 4)},
        {"empty.txt", ""},
        {"inner.ZIP", ziptest::textBytes(5000)},
        {"setup.exe", ziptest::textBytes(5000)},
        {"\xD0\xBE\xD0\xB1\xD0\xBE\xD0\xB8.txt", ziptest::textBytes(700)},  // CP866
        {"\xE4\xB8\xBB\xE9\xA2\x98.txt", ziptest::textBytes(900)},          // UTF-8, bit 11
    };
    std::vector<std::string> specs;
    for (const auto& [name, bytes] : files) specs.push_back(file("src/" + name, bytes));

    // Debian's 7zip package installs "7zz" (newer releases also "7z").
    const std::string sevenZip = ziptest::haveTool("7z") ? "7z" : ziptest::haveTool("7zz") ? "7zz" : "";
    if (sevenZip.empty()) std::cout << "[  NOTE    ] 7z not installed: its check is skipped\n";
    for (const Kind kind :
         {Kind{"level1", dtDeflateS, false}, Kind{"level2", dtDeflateF, false}, Kind{"level7", dtDeflateN, false},
          Kind{"level9", dtDeflateX, false}, Kind{"store", dtDeflateN, true}}) {
        SCOPED_TRACE(kind.label);
        writer.SetDeflateType(kind.type);
        writer.SetCompressMethod(kind.store ? cmStore : cmDeflate);
        const std::string name = std::string(kind.label) + ".nth";
        ASSERT_EQ(compress(specs, name), files.size());
        const std::string archive = archivePath();

        auto r = runCommand("unzip -tq " + quote(archive));
        EXPECT_EQ(r.status, 0) << r.output;
        if (!sevenZip.empty()) {
            r = runCommand(sevenZip + " t " + quote(archive));
            EXPECT_EQ(r.status, 0) << r.output;
        }
        r = runCommand(
            "python3 -c 'import sys,zipfile; z=zipfile.ZipFile(sys.argv[1]); sys.exit(z.testzip() is not None)' " +
            quote(archive));
        EXPECT_EQ(r.status, 0) << r.output;

        const std::string out = dir.path() + "/x-" + kind.label;
        r = runCommand("unzip -q -o " + quote(archive) + " -d " + quote(out));
        EXPECT_EQ(r.status, 0) << r.output;
        // Names and contents as Python reads them: CP866 names decode with cp866, bit 11 ones as UTF-8.
        r = runCommand(
            "python3 -c 'import sys,zipfile,zlib\n"
            "for i in zipfile.ZipFile(sys.argv[1]).infolist():\n"
            "  n=i.filename if i.flag_bits&0x800 else i.filename.encode(\"cp437\").decode(\"cp866\")\n"
            "  d=zipfile.ZipFile(sys.argv[1]).read(i)\n"
            "  print(n, i.compress_type, zlib.crc32(d), len(d))' " +
            quote(archive));
        ASSERT_EQ(r.status, 0) << r.output;
        for (const auto& [fname, bytes] : files) {
            const bool stored = kind.store || bytes.empty() || fname == "inner.ZIP" || fname == "random.bin";
            const std::string line = fname + (stored ? " 0 " : " 8 ") + std::to_string(crc32Of(bytes)) + " " +
                                     std::to_string(bytes.size()) + "\n";
            EXPECT_NE(r.output.find(line), std::string::npos) << line << r.output;
            // unzip's own extraction, for the names it writes unchanged.
            if (static_cast<unsigned char>(fname[0]) < 0x80) {
                EXPECT_EQ(readFile(out + "/" + fname), bytes) << fname;
            }
        }
    }
}

TEST_F(WriterTest, ZipinfoShowsHeaderValues) {
    ASSERT_EQ(compress({file("a.txt", ziptest::textBytes(4000))}), 1u);
    const auto r = runCommand("zipinfo -v " + quote(archivePath()));
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_NE(r.output.find("version of encoding software:                   2.0"), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("minimum software version required to extract:   0.9"), std::string::npos);
    EXPECT_NE(r.output.find("MS-DOS, OS/2 or NT FAT"), std::string::npos);
    EXPECT_NE(r.output.find("apparent file type:                             text"), std::string::npos);
    // The local header's version needed stands in the bytes.
    const auto members = parseArchive(readFile(archivePath()));
    ASSERT_EQ(members.size(), 1u);
    EXPECT_EQ(members[0].local.versionNeeded, 20);
    EXPECT_EQ(members[0].central.internalAttributes, 1);
}

TEST_F(WriterTest, DeflatedDataEqualsZlibRawDeflate) {
    // A streamed member (beyond the store-fallback size) and a small one decided in memory.
    const std::string big = file(
        "mixed.txt", ziptest::textBytes(300000, 9) + ziptest::randomBytes(70000, 9) + ziptest::textBytes(5000, 10));
    const std::string small = file("small.txt", ziptest::textBytes(20000, 11));
    for (const auto& [type, level] : {std::pair{dtDeflateS, 1}, {dtDeflateF, 2}, {dtDeflateN, 7}, {dtDeflateX, 9}}) {
        SCOPED_TRACE(level);
        writer.SetDeflateType(type);
        ASSERT_EQ(compress({big, small}, "l" + std::to_string(level) + ".nth"), 2u);
        const auto members = parseArchive(readFile(archivePath()));
        ASSERT_EQ(members.size(), 2u);
        const std::uint16_t bits = level == 1 ? 6 : level == 2 ? 4 : level == 9 ? 2 : 0;
        for (std::size_t i = 0; i < 2; ++i) {
            const std::string source = i == 0 ? big : small;
            EXPECT_EQ(members[i].local.method, 8);
            const std::string expectedPath = dir.path() + "/expected.bin";
            const auto r = runCommand("python3 -c 'import sys,zlib; c=zlib.compressobj(" + std::to_string(level) +
                                      ", zlib.DEFLATED, -15); d=open(sys.argv[1],\"rb\").read(); "
                                      "open(sys.argv[2],\"wb\").write(c.compress(d)+c.flush())' " +
                                      quote(source) + " " + quote(expectedPath));
            ASSERT_EQ(r.status, 0) << r.output;
            EXPECT_TRUE(members[i].data == readFile(expectedPath)) << source;
            EXPECT_EQ(members[i].local.flag, bits);
            EXPECT_EQ(members[i].central.flag, bits);
        }
    }
}

TEST_F(WriterTest, StoreFallbackForOneBlockThatDoesNotShrink) {
    struct Case {
        const char* label;
        std::string bytes;
        std::uint16_t method;
    };
    const std::vector<Case> cases = {
        {"random_20k.bin", ziptest::randomBytes(20480, 5), 0},
        {"random_100.bin", ziptest::randomBytes(100, 6), 8},
        {"random_200k.bin", ziptest::randomBytes(204800, 7), 8},
        {"text_20k.txt", ziptest::textBytes(20480, 8), 8},
    };
    std::vector<std::string> specs;
    for (const auto& c : cases) specs.push_back(file(c.label, c.bytes));
    writer.SetDeflateType(dtDeflateX);
    ASSERT_EQ(compress(specs), cases.size());
    const auto members = parseArchive(readFile(archivePath()));
    ASSERT_EQ(members.size(), cases.size());
    for (std::size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(cases[i].label);
        EXPECT_EQ(members[i].local.method, cases[i].method);
        EXPECT_EQ(members[i].local.flag, 2);  // the level's bits also when stored
        if (cases[i].method == 0) {
            EXPECT_EQ(members[i].data, cases[i].bytes);
            EXPECT_EQ(members[i].local.compressedSize, cases[i].bytes.size());
        }
    }
    // The costs behind the decision.
    const std::string random = ziptest::randomBytes(20480, 5);
    const BlockCost cost = blockCost({reinterpret_cast<const std::uint8_t*>(random.data()), random.size()}, 9);
    EXPECT_LE(cost.symbols, kMaxBlockSymbols);
    EXPECT_LE(cost.storedBytes, cost.dynamicBytes);
    EXPECT_LT(cost.dynamicBytes, cost.fixedBytes);

    // Working memory left over from the files before gives the same costs as fresh memory.
    ParseMemory reused;
    for (const auto& c : cases) {
        const std::span<const std::uint8_t> bytes{reinterpret_cast<const std::uint8_t*>(c.bytes.data()),
                                                  c.bytes.size()};
        const BlockCost fresh = blockCost(bytes, 9), again = blockCost(bytes, 9, reused);
        EXPECT_EQ(again.symbols, fresh.symbols) << c.label;
        EXPECT_EQ(again.dynamicBytes, fresh.dynamicBytes) << c.label;
        EXPECT_EQ(again.fixedBytes, fresh.fixedBytes) << c.label;
    }
}

TEST_F(WriterTest, EmptyFileAndStoreList) {
    const std::string text = ziptest::textBytes(8000);
    ASSERT_EQ(compress({file("empty.dat", ""), file("a.JaR", text), file("b.gz", text), file("c.EXE", text),
                        file("d.tar.z", text)}),
              5u);
    const auto m = parseArchive(readFile(archivePath()));
    ASSERT_EQ(m.size(), 5u);
    EXPECT_EQ(m[0].local.method, 0);
    EXPECT_EQ(m[0].local.flag, 0);
    EXPECT_EQ(m[0].local.crc32, 0u);
    EXPECT_EQ(m[0].local.compressedSize, 0u);
    EXPECT_EQ(m[1].local.method, 0);
    EXPECT_EQ(m[2].local.method, 0);
    EXPECT_EQ(m[3].local.method, 8);  // ".EXE" keeps deflate
    EXPECT_EQ(m[4].local.method, 0);
    EXPECT_EQ(m[1].data, text);
}

TEST_F(WriterTest, RerunsAreByteIdentical) {
    const std::vector<std::string> specs = {file("a.txt", ziptest::textBytes(70000)),
                                            file("b.bin", ziptest::randomBytes(30000)), file("c.txt", "")};
    ASSERT_EQ(compress(specs), 3u);
    const std::string first = readFile(archivePath());
    ASSERT_TRUE(platform::deleteFile(archivePath()));
    ASSERT_EQ(compress(specs), 3u);
    EXPECT_TRUE(readFile(archivePath()) == first);

    // A second run over the archive just written adds nothing and leaves it as it was.
    EXPECT_EQ(compress(specs), 0u);
    EXPECT_TRUE(writer.LastError().empty()) << writer.LastError().Text;
    EXPECT_TRUE(readFile(archivePath()) == first);
    EXPECT_TRUE(tempLeftovers(tmp.path()).empty());
}

TEST_F(WriterTest, UpdateKeepsMembersAndAddsNewOnes) {
    const std::string a = file("a.txt", ziptest::textBytes(5000));
    ASSERT_EQ(compress({a}), 1u);
    const std::string first = readFile(archivePath());
    const std::string b = file("b.txt", ziptest::textBytes(6000, 7));
    EXPECT_EQ(compress({a, b}), 1u);
    const std::string second = readFile(archivePath());
    const auto m = parseArchive(second);
    ASSERT_EQ(m.size(), 2u);
    EXPECT_EQ(m[0].name, "a.txt");
    EXPECT_EQ(m[1].name, "b.txt");
    // The kept member's local entry is copied unchanged.
    EXPECT_EQ(second.substr(0, 30 + 5 + m[0].local.compressedSize),
              first.substr(0, 30 + 5 + m[0].local.compressedSize));
    const auto r = runCommand("unzip -tq " + quote(archivePath()));
    EXPECT_EQ(r.status, 0) << r.output;

    // FreshArchive replaces the old archive instead of updating it.
    writer.FreshArchive = true;
    EXPECT_EQ(compress({b}), 1u);
    const auto fresh = parseArchive(readFile(archivePath()));
    ASSERT_EQ(fresh.size(), 1u);
    EXPECT_EQ(fresh[0].name, "b.txt");
}

// Members of another tool's archive (extra fields, a data descriptor) are copied whole and the
// offsets of the new central directory point at where they now stand.
TEST_F(WriterTest, UpdatesAnInfoZipArchive) {
    const std::string a = file("a.txt", ziptest::textBytes(4000));
    const std::string archive = dir.path() + "/peer.zip";
    const auto made =
        runCommand("cd " + quote(dir.path()) + " && zip -q peer.zip a.txt && echo piped | zip -q peer.zip -");
    ASSERT_EQ(made.status, 0) << made.output;
    EXPECT_EQ(compress({file("b.bin", ziptest::randomBytes(5000)), a}, "peer.zip"), 1u);
    EXPECT_TRUE(writer.LastError().empty()) << writer.LastError().Text;
    const auto r = runCommand("unzip -tq " + quote(archive));
    EXPECT_EQ(r.status, 0) << r.output;
    const auto m = parseArchive(readFile(archive));
    ASSERT_EQ(m.size(), 3u);
    EXPECT_EQ(m[1].name, "-");
    EXPECT_EQ(m[2].name, "b.bin");
}

TEST_F(WriterTest, DeleteSwitch) {
    const std::string a = file("a.txt", "aaaa"), b = file("b.txt", ziptest::textBytes(3000)), c = file("c.txt", "cc");
    ASSERT_EQ(compress({a, b, c}), 3u);
    writer.Switch = swDelete;
    compress({"b.txt"});
    EXPECT_TRUE(writer.LastError().empty()) << writer.LastError().Text;
    const auto m = parseArchive(readFile(archivePath()));
    ASSERT_EQ(m.size(), 2u);
    EXPECT_EQ(m[1].name, "c.txt");
    EXPECT_EQ(runCommand("unzip -tq " + quote(archivePath())).status, 0);

    EXPECT_EQ(compress({"a.txt"}, "none.nth"), 0u);
    EXPECT_EQ(writer.LastError().Number, 26899);
    EXPECT_EQ(writer.LastError().Text, "Nothing to do");
}

TEST_F(WriterTest, MoveSwitchDeletesWrittenFiles) {
    const std::string a = file("a.txt", "aaaa");
    writer.Switch = swMove;
    EXPECT_EQ(compress({a}), 1u);
    EXPECT_FALSE(platform::fileExists(a));
    EXPECT_EQ(parseArchive(readFile(archivePath())).size(), 1u);
}

TEST_F(WriterTest, UnreadableMemberEndsTheRunWithoutArchive) {
    const std::string good = file("good.txt", "good");
    const std::string dangling = dir.path() + "/dangling.txt";
    ASSERT_EQ(::symlink((dir.path() + "/nowhere").c_str(), dangling.c_str()), 0);
    std::vector<std::string> unreadable = {dangling};
    if (::geteuid() != 0) {  // permissions do not stop the superuser
        const std::string locked = file("locked.txt", "locked");
        ::chmod(locked.c_str(), 0);
        unreadable.push_back(locked);
    }
    for (const std::string& bad : unreadable) {
        SCOPED_TRACE(bad);
        EXPECT_EQ(compress({good, bad}), 1u);  // counted before the failure
        EXPECT_FALSE(platform::fileExists(archivePath()));
        EXPECT_FALSE(writer.LastError().empty());
        EXPECT_EQ(writer.LastError().Text, "Cannot open file " + bad);
        EXPECT_TRUE(tempLeftovers(tmp.path()).empty());
    }
}

// A file whose data ends before its reported size (a kernel attribute file reports 4096 bytes
// and gives a few) fails only its own member: the archive is written without it.
TEST_F(WriterTest, MemberThatReadsShortIsDroppedOnly) {
    std::string shortFile;
    for (const char* candidate : {"/sys/devices/system/cpu/online", "/sys/class/net/lo/address"})
        if (platform::fileExists(candidate) &&
            platform::findFiles(platform::folderPart(candidate), platform::fileNamePart(candidate), 0x93F)[0].size ==
                4096)
            shortFile = candidate;
    if (shortFile.empty()) GTEST_SKIP() << "no kernel attribute file to read short";
    const std::string a = file("a.txt", ziptest::textBytes(3000)), b = file("b.txt", "bbbb");
    EXPECT_EQ(compress({a, shortFile, b}), 2u);
    EXPECT_EQ(writer.FailedCount(), 1u);
    EXPECT_EQ(writer.LastError().Number, 25136);
    EXPECT_EQ(writer.LastError().File, shortFile);
    ASSERT_EQ(writer.Problems().size(), 1u);
    const std::string archive = readFile(archivePath());
    const auto m = parseArchive(archive);
    ASSERT_EQ(m.size(), 2u);
    EXPECT_EQ(m[1].name, "b.txt");
    // No bytes of the dropped member remain between the two.
    EXPECT_EQ(m[1].central.localHeaderOffset, 30u + 5 + m[0].local.compressedSize);
    EXPECT_EQ(runCommand("unzip -tq " + quote(archivePath())).status, 0);
}

// Whatever ends a run, raised by the writer itself or thrown by the platform, is recorded once,
// as the last problem and as LastError() alike.
TEST_F(WriterTest, TheErrorThatEndsARunIsRecordedOnce) {
    const std::string a = file("a.txt", "aaaa");
    file("folder/inside.txt", "x");
    writer.Switch = swDelete;
    EXPECT_EQ(compress({a}, "absent.nth"), 0u);  // raised: nothing to delete from
    const std::vector<zip::TProblem> raised = writer.Problems();
    writer.Switch = swAdd;
    EXPECT_EQ(compress({dir.path() + "/folder"}, "folder.nth"), 0u);  // thrown: a folder is no file
    const std::vector<zip::TProblem> thrown = writer.Problems();

    ASSERT_EQ(raised.size(), 1u);
    EXPECT_EQ(raised[0].Number, 26899);
    ASSERT_EQ(thrown.size(), 1u) << writer.LastError().Text;
    EXPECT_EQ(thrown[0].Number, 0);
    EXPECT_EQ(thrown[0].Text, "Cannot open file " + dir.path() + "/folder");
    EXPECT_EQ(thrown[0].Text, writer.LastError().Text);
    EXPECT_EQ(thrown[0].File, writer.LastError().File);
}

TEST_F(WriterTest, ReadOnlyArchiveIsLeftUnchanged) {
    const std::string a = file("a.txt", "aaaa");
    ASSERT_EQ(compress({a}), 1u);
    const std::string before = readFile(archivePath());
    ASSERT_EQ(::chmod(archivePath().c_str(), 0444), 0);
    EXPECT_EQ(compress({a, file("b.txt", "bbbb")}), 0u);
    EXPECT_EQ(writer.LastError().Number, 25136);
    EXPECT_EQ(writer.LastError().Text, "Error writing to file");
    EXPECT_EQ(readFile(archivePath()), before);
    EXPECT_TRUE(tempLeftovers(tmp.path()).empty());

    bool asked = false;
    writer.OnNonWriteableArchive = [&](TZipCommon&, const std::string&, bool& writeToFile) {
        asked = true;
        writeToFile = true;
    };
    EXPECT_EQ(compress({a, dir.path() + "/b.txt"}), 1u);
    EXPECT_TRUE(asked);
    EXPECT_EQ(parseArchive(readFile(archivePath())).size(), 2u);
}

TEST_F(WriterTest, FailedFinalMoveIsReported) {
    writer.FileSpec = {file("a.txt", "aaaa")};
    writer.SetArchiveFile(dir.path() + "/no/such/folder/out.nth");
    EXPECT_EQ(writer.Compress(), 1u);
    EXPECT_EQ(writer.LastError().Number, 25136);
    EXPECT_FALSE(writer.ArchiveWritten());
    EXPECT_TRUE(tempLeftovers(tmp.path()).empty());
}

TEST_F(WriterTest, HostileFileSpecLines) {
    const std::string target = file("t/target.bin", "target bytes");
    const std::string link = dir.path() + "/t/link.bin";
    ASSERT_EQ(::symlink(target.c_str(), link.c_str()), 0);
    // A link to a file stores the file's bytes under the link's name; a 300-byte name finds nothing.
    EXPECT_EQ(compress({link, dir.path() + "/" + std::string(300, 'n')}), 1u);
    const auto m = parseArchive(readFile(archivePath()));
    ASSERT_EQ(m.size(), 1u);
    EXPECT_EQ(m[0].name, "link.bin");
    EXPECT_EQ(m[0].local.uncompressedSize, 12u);

    // A folder is a match under the any-file mask, and cannot be opened as a file: the run ends.
    EXPECT_EQ(compress({dir.path() + "/t"}, "folder.nth"), 0u);
    EXPECT_EQ(writer.LastError().Text, "Cannot open file " + dir.path() + "/t");
    EXPECT_FALSE(platform::fileExists(archivePath()));

    // Nothing found at all: no archive and no error.
    EXPECT_EQ(compress({dir.path() + "/missing.txt"}, "nothing.nth"), 0u);
    EXPECT_TRUE(writer.LastError().empty());
    EXPECT_FALSE(platform::fileExists(archivePath()));
    EXPECT_TRUE(tempLeftovers(tmp.path()).empty());
}

TEST_F(WriterTest, EventsAndPendingMessages) {
    std::vector<std::string> seen;
    writer.OnActivate = [&](TZipCommon&) { seen.push_back("activate"); };
    writer.OnBegin = [&](TZipCommon&, const std::string& fn, std::uint32_t, bool& extract) {
        seen.push_back("begin " + platform::fileNamePart(fn));
        extract = platform::fileNamePart(fn) != "skip.txt";
    };
    writer.OnEnd = [&](TZipCommon&, const std::string& fn, bool pass) {
        seen.push_back("end " + platform::fileNamePart(fn) + (pass ? " ok" : ""));
    };
    writer.OnDeactivate = [&](TZipCommon&) { seen.push_back("deactivate"); };
    int pending = 0;
    bool sawTemporary = false;  // the archive is built in the temporary folder
    platform::setPendingMessagesHook([&] {
        ++pending;
        sawTemporary = sawTemporary || !tempLeftovers(tmp.path()).empty();
    });
    std::vector<std::pair<std::uint64_t, std::uint64_t>> progress;
    writer.OnProgress = [&](TZipCommon&, std::uint64_t byFile, std::uint64_t byArchive) {
        progress.push_back({byFile, byArchive});
    };
    EXPECT_EQ(compress({file("a.txt", "aaaa"), file("skip.txt", "ssss")}), 1u);
    platform::setPendingMessagesHook({});
    // Once per line, once per file found, before the data and after the block of a.txt.
    EXPECT_GE(pending, 6);
    EXPECT_TRUE(sawTemporary);
    EXPECT_TRUE(tempLeftovers(tmp.path()).empty());
    // a.txt is half of what the list holds; skip.txt was never read.
    EXPECT_EQ(progress, (std::vector<std::pair<std::uint64_t, std::uint64_t>>{{100, 50}}));
    EXPECT_EQ(seen,
              (std::vector<std::string>{"activate", "begin a.txt", "end a.txt ok", "begin skip.txt", "deactivate"}));
    const auto m = parseArchive(readFile(archivePath()));
    ASSERT_EQ(m.size(), 1u);  // a member not written gets no central header
}

TEST_F(WriterTest, CliZipPrintsCountAndReportsFailure) {
    const std::string a = file("a.txt", ziptest::textBytes(3000));
    auto r = runCommand(std::string(SKARVEL_CLI) + " zip --level 9 " + quote(dir.path() + "/cli") + " " + quote(a) +
                        " " + quote(dir.path() + "/missing.txt"));
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_EQ(r.output, "1\n");
    const auto m = parseArchive(readFile(dir.path() + "/cli.nth"));
    ASSERT_EQ(m.size(), 1u);
    EXPECT_EQ(m[0].local.flag, 2);

    r = runCommand(std::string(SKARVEL_CLI) + " zip --store " + quote(dir.path() + "/no/such/x.nth") + " " + quote(a));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.output.find("skarvel-cli: Error writing to file"), std::string::npos) << r.output;
}

// skarvel-cli zip: a pattern that also matches folders takes the files and passes over the
// folders; with --recurse the files of the subfolders come too.
TEST_F(WriterTest, CliZipPatternPassesOverFolders) {
    const std::string folder = dir.path() + "/src";
    platform::createFolders(folder + "/sub");
    ziptest::writeFile(folder + "/x.txt", "x");
    ziptest::writeFile(folder + "/y.txt", "y");
    ziptest::writeFile(folder + "/sub/z.txt", "z");
    for (const auto& [options, names] : std::vector<std::pair<std::string, std::vector<std::string>>>{
             {"", {"x.txt", "y.txt"}}, {"--recurse ", {"x.txt", "y.txt", "z.txt"}}}) {
        const std::string archive = dir.path() + "/p" + std::to_string(names.size()) + ".nth";
        const auto r =
            runCommand(std::string(SKARVEL_CLI) + " zip " + options + quote(archive) + " " + quote(folder + "/*"));
        EXPECT_EQ(r.status, 0) << r.output;
        std::vector<std::string> stored;
        for (const auto& member : parseArchive(readFile(archive))) stored.push_back(member.name);
        std::sort(stored.begin(), stored.end());
        EXPECT_EQ(stored, names);
    }
}
