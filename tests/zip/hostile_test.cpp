// Archives made to hurt: names that climb out of the target folder, planted links, bombs,
// overlapping members, lying offsets and truncation. Nothing may be written outside the target
// folder, no file may exceed its member's declared size, and every run must end.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "platform/tempfile.h"
#include "reader_support.h"

namespace {

using namespace readertest;

// Every path below `root`, links included (never followed), relative to it.
std::vector<std::string> allPaths(const fs::path& root) {
    std::vector<std::string> paths;
    for (const auto& entry : fs::recursive_directory_iterator(root))
        paths.push_back(fs::relative(entry.path(), root).string());
    std::sort(paths.begin(), paths.end());
    return paths;
}

bool anySymlinkBelow(const fs::path& root) {
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        if (entry.is_symlink()) return true;
    }
    return false;
}

TEST(HostileNames, StayInsideTheTargetFolder) {
    platform::TempFolder temp("ziphostile");
    const fs::path root(temp.path());
    const std::vector<Member> members = {
        {.name = "../evil.txt", .data = "1"},
        {.name = "/abs/evil2.txt", .data = "2"},
        {.name = "a/../../b.txt", .data = "3"},
        {.name = "C:\\x\\c.txt", .data = "4"},
        {.name = "..\\..\\d.txt", .data = "5"},
        {.name = "ok/./e.txt", .data = "6"},
        {.name = "..", .data = "7"},
        {.name = "x/..", .data = "8"},
        {.name = ".", .data = "9"},
        {.name = "sub//f.txt", .data = "10"},
        {.name = "C:g.txt", .data = "11"},
    };
    ziptest::writeFile((root / "names.zip").string(), assemble(members));
    fs::create_directories(root / "deep" / "out");
    const Extraction run((root / "names.zip").string(), (root / "deep" / "out").string());

    // A drive or a root is dropped and its folders kept; "." is dropped; a name that climbs keeps
    // only its file-name part.
    EXPECT_EQ(allPaths(root / "deep"),
              (std::vector<std::string>{"out", "out/abs", "out/abs/evil2.txt", "out/b.txt", "out/d.txt", "out/evil.txt",
                                        "out/g.txt", "out/ok", "out/ok/e.txt", "out/sub", "out/sub/f.txt", "out/x",
                                        "out/x/c.txt"}));
    EXPECT_EQ(allPaths(root),
              (std::vector<std::string>{"deep", "deep/out", "deep/out/abs", "deep/out/abs/evil2.txt", "deep/out/b.txt",
                                        "deep/out/d.txt", "deep/out/evil.txt", "deep/out/g.txt", "deep/out/ok",
                                        "deep/out/ok/e.txt", "deep/out/sub", "deep/out/sub/f.txt", "deep/out/x",
                                        "deep/out/x/c.txt", "names.zip"}));
    // The unusable names are skipped with a warning that names them.
    std::vector<std::string> skipped;
    for (const auto& problem : run.reader.Problems()) {
        EXPECT_EQ(problem.Number, zip::kMsgOpenError);
        skipped.push_back(problem.File);
    }
    EXPECT_EQ(skipped, (std::vector<std::string>{"..", "x/..", "."}));
}

TEST(HostileTargets, PlantedLinksAreReplacedNotFollowed) {
    platform::TempFolder temp("ziphostile");
    const fs::path root(temp.path());
    fs::create_directories(root / "outside");
    fs::create_directories(root / "out");
    ziptest::writeFile((root / "outside" / "victim.txt").string(), "precious");
    fs::create_directory_symlink(root / "outside", root / "out" / "dirlink");
    fs::create_symlink(root / "outside" / "victim.txt", root / "out" / "file.txt");
    fs::create_symlink(root / "nowhere", root / "out" / "dangling.txt");
    ASSERT_EQ(::mkfifo((root / "out" / "pipe.txt").c_str(), 0600), 0);

    const std::vector<Member> members = {{.name = "dirlink/x.txt", .data = "through the folder link"},
                                         {.name = "file.txt", .data = "through the file link"},
                                         {.name = "dangling.txt", .data = "through the dangling link"},
                                         {.name = "pipe.txt", .data = "into a FIFO"}};
    ziptest::writeFile((root / "links.zip").string(), assemble(members));
    const Extraction run((root / "links.zip").string(), (root / "out").string());

    EXPECT_EQ(allPaths(root / "outside"), std::vector<std::string>{"victim.txt"});
    EXPECT_EQ(ziptest::readFile((root / "outside" / "victim.txt").string()), "precious");
    EXPECT_FALSE(anySymlinkBelow(root / "out"));
    EXPECT_EQ(ziptest::readFile((root / "out" / "dirlink" / "x.txt").string()), "through the folder link");
    EXPECT_EQ(ziptest::readFile((root / "out" / "file.txt").string()), "through the file link");
    EXPECT_EQ(ziptest::readFile((root / "out" / "dangling.txt").string()), "through the dangling link");
    // The FIFO is no regular file: the member fails to open instead of blocking the run.
    ASSERT_FALSE(run.problems().empty());
    EXPECT_EQ(run.problems().front(), zip::kMsgOpenError);
}

// Raw deflate of one literal followed by matches of 258 bytes at distance 1, in one fixed-code
// block: about 13 bits for every 258 output bytes.
std::string zeroBomb(std::uint64_t size) {
    std::string out;
    std::uint64_t bits = 0;
    unsigned count = 0;
    auto put = [&](std::uint32_t value, unsigned n) {
        bits |= std::uint64_t{value} << count;
        count += n;
        while (count >= 8) {
            out += static_cast<char>(bits & 0xFF);
            bits >>= 8;
            count -= 8;
        }
    };
    // Fixed Huffman codes go MSB first; the stream is LSB first, so they are written reversed.
    auto code = [&](std::uint32_t value, unsigned n) {
        std::uint32_t reversed = 0;
        for (unsigned i = 0; i < n; ++i) reversed |= ((value >> i) & 1u) << (n - 1 - i);
        put(reversed, n);
    };
    put(1, 1);      // final block
    put(1, 2);      // fixed codes
    code(0x30, 8);  // literal 0
    for (std::uint64_t made = 1; made + 258 <= size; made += 258) {
        code(0xC5, 8);  // length symbol 285: 258 bytes
        code(0, 5);     // distance code 0: distance 1
    }
    code(0, 7);  // end of block
    put(0, 7);
    return out;
}

TEST(HostileData, DeclaredSizeBoundsTheOutput) {
    platform::TempFolder temp("ziphostile");
    const std::string bomb = zeroBomb(std::uint64_t{1} << 30);
    const std::vector<Member> members = {
        {.name = "bomb.bin", .data = std::string(1024, '\0'), .method = 8, .packed = bomb, .declaredSize = 1024},
        {.name = "after.txt", .data = "still extracted"}};
    ziptest::writeFile(temp.path() + "/bomb.zip", assemble(members));
    const Extraction run(temp.path() + "/bomb.zip", temp.path() + "/out");
    EXPECT_EQ(fs::file_size(temp.path() + "/out/bomb.bin"), 1024u);
    EXPECT_EQ(ziptest::readFile(temp.path() + "/out/after.txt"), "still extracted");
    // The CRC of the first KiB matches, but the surplus still fails the member.
    EXPECT_EQ(run.problems(), std::vector<int>{zip::kMsgCrcFailed});
    EXPECT_EQ(run.reader.Problems().front().File, "bomb.bin");
}

TEST(HostileData, CentralEntriesSharingOneLocalHeader) {
    platform::TempFolder temp("ziphostile");
    const std::string packed = deflateRaw(ziptest::textBytes(100000));
    std::string archive = assemble({{.name = "a.txt", .data = ziptest::textBytes(100000), .method = 8}});
    // Rebuild the directory with 1000 entries, all pointing at the one local header.
    const zip::LocalFileHeader local = [&] {
        zip::ByteCursor in(archive);
        return *zip::LocalFileHeader::decode(in);
    }();
    std::string data = archive.substr(0, zip::kLocalHeaderSize + 5 + packed.size());
    zip::EndRecord end;
    end.centralDirectoryOffset = static_cast<std::uint32_t>(data.size());
    for (int i = 0; i < 1000; ++i) {
        const std::string name = "n" + std::to_string(1000 + i) + ".txt";
        zip::CentralFileHeader c = zip::CentralFileHeader::fromLocal(local, 0x20, 0);
        c.nameLength = static_cast<std::uint16_t>(name.size());
        append(data, c.encode());
        data += name;
    }
    end.entriesOnDisk = end.totalEntries = 1000;
    end.centralDirectorySize = static_cast<std::uint32_t>(data.size() - end.centralDirectoryOffset);
    append(data, end.encode());
    ziptest::writeFile(temp.path() + "/shared.zip", data);

    const Extraction run(temp.path() + "/shared.zip", temp.path() + "/out");
    EXPECT_EQ(run.count, 1u);
    EXPECT_EQ(allPaths(temp.path() + "/out"), std::vector<std::string>{"a.txt"});
    EXPECT_EQ(run.problems(), std::vector<int>(999, zip::kMsgInconsistentLocalHeader));
}

TEST(HostileData, CentralDirectoryOffsetBeyondTheFile) {
    platform::TempFolder temp("ziphostile");
    std::string archive = assemble({{.name = "a.txt", .data = "first"}, {.name = "b.txt", .data = "second"}});
    const std::size_t end = archive.size() - zip::kEndRecordSize;
    for (int i = 0; i < 4; ++i) archive[end + 16 + i] = '\x7F';
    ziptest::writeFile(temp.path() + "/lying.zip", archive);
    const Extraction run(temp.path() + "/lying.zip", temp.path() + "/out");
    EXPECT_TRUE(zip::isZipKind(run.reader.ArcType()));
    EXPECT_EQ(summary(readTree(temp.path() + "/out")), summary({{"a.txt", "first"}, {"b.txt", "second"}}));
}

TEST(HostileData, TruncationAtEveryKibibyte) {
    platform::TempFolder temp("ziphostile");
    std::vector<Member> members;
    for (int i = 0; i < 6; ++i) {
        members.push_back({.name = "m" + std::to_string(i) + ".bin",
                           .data = i % 2 ? ziptest::randomBytes(9000, i) : ziptest::textBytes(30000, i),
                           .method = static_cast<std::uint16_t>(i % 3 ? 8 : 0)});
    }
    const std::string whole = assemble(members);
    ASSERT_GT(whole.size(), 20000u);
    std::map<std::string, std::uint64_t> declared;
    for (const Member& m : members) declared[m.name] = m.data.size();

    for (std::size_t cut = 1024; cut < whole.size(); cut += 1024) {
        SCOPED_TRACE("cut at " + std::to_string(cut));
        const std::string folder = temp.path() + "/cut" + std::to_string(cut);
        ziptest::writeFile(folder + ".zip", whole.substr(0, cut));
        const Extraction run(folder + ".zip", folder);
        if (!fs::exists(folder)) continue;
        for (const auto& [name, bytes] : readTree(folder)) {
            ASSERT_TRUE(declared.count(name)) << name;
            EXPECT_LE(bytes.size(), declared[name]);
        }
        fs::remove_all(folder);
    }
    EXPECT_EQ(allPaths(temp.path()).size(), (whole.size() - 1) / 1024);  // only the cut archives
}

}  // namespace
