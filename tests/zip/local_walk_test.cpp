// The walk of local headers, used when no central directory can be found: it starts at the first
// member, and streamed members (data descriptors, no sizes in the local header) that can be
// delimited come out whole, while one that cannot is a recorded problem.
#include <gtest/gtest.h>

#include "platform/tempfile.h"
#include "reader_support.h"

namespace {

using namespace readertest;
using ziptest::quote;

const char* const kStreamWriter = R"(
import sys, zipfile, random
method = zipfile.ZIP_STORED if sys.argv[1] == 'stored' else zipfile.ZIP_DEFLATED
with zipfile.ZipFile(sys.stdout.buffer, 'w', method) as z:
    z.writestr('a.txt', b'first member\n' * 400)
    z.writestr('b.txt', b'second\n')
    z.writestr('c.bin', random.Random(1).randbytes(20000))
)";

// A streamed archive cut inside its last member: the whole members come out, the cut one is
// reported by name and not extracted, and skarvel-cli unzip exits 3.
TEST(StreamedMembers, TruncatedArchiveGivesTheWholeMembers) {
    for (const std::string method : {"deflated", "stored"}) {
        SCOPED_TRACE(method);
        platform::TempFolder temp("zipstream");
        const std::string folder = temp.path();
        ziptest::writeFile(folder + "/w.py", kStreamWriter);
        ASSERT_EQ(ziptest::runCommand("cd " + quote(folder) + " && python3 w.py " + method + " | cat > s.zip").status,
                  0);
        std::string archive = ziptest::readFile(folder + "/s.zip");
        const std::size_t third = archive.find("c.bin");
        ASSERT_NE(third, std::string::npos);
        archive.resize(third + 5000);
        ziptest::writeFile(folder + "/cut.zip", archive);

        const Extraction run(folder + "/cut.zip", folder + "/out");
        std::string first;
        for (int i = 0; i < 400; ++i) first += "first member\n";
        EXPECT_EQ(summary(readTree(folder + "/out")), summary({{"a.txt", first}, {"b.txt", "second\n"}}));
        ASSERT_EQ(run.reader.Problems().size(), 1u);
        EXPECT_EQ(run.reader.Problems()[0].Number, zip::kMsgInconsistentLocalHeader);
        EXPECT_EQ(run.reader.Problems()[0].File, "c.bin");

        const auto cli = ziptest::runCommand(std::string(SKARVEL_CLI) + " unzip " + quote(folder + "/cut.zip") + " " +
                                             quote(folder + "/cli"));
        EXPECT_EQ(cli.status, 3) << cli.output;
        EXPECT_NE(cli.output.find("2\n"), std::string::npos) << cli.output;
        EXPECT_NE(cli.output.find("the end of this streamed member cannot be found"), std::string::npos) << cli.output;
    }
}

// Hand-built: a stored member flagged as streamed but followed by no data descriptor cannot be
// delimited; the member before it is still extracted.
TEST(StreamedMembers, StoredMemberWithoutDescriptorIsAProblem) {
    platform::TempFolder temp("zipstream");
    const std::string archive = assemble(
        {{.name = "ok.txt", .data = "fine"}, {.name = "lost.txt", .data = "no descriptor follows", .flag = 8}}, false);
    ziptest::writeFile(temp.path() + "/h.zip", archive);
    const Extraction run(temp.path() + "/h.zip", temp.path() + "/out");
    EXPECT_EQ(readTree(temp.path() + "/out"), (std::map<std::string, std::string>{{"ok.txt", "fine"}}));
    ASSERT_EQ(run.reader.Problems().size(), 1u);
    EXPECT_EQ(run.reader.Problems()[0].File, "lost.txt");
}

// An end record whose central directory is not where it says, in an archive larger than 25,000
// bytes: the walk starts at the file's first byte and finds every member.
TEST(LocalWalk, StartsAtTheFirstMember) {
    platform::TempFolder temp("zipstream");
    std::vector<Member> members;
    for (unsigned i = 0; i < 4; ++i)
        members.push_back({.name = std::string(1, char('a' + i)) + ".bin", .data = ziptest::randomBytes(9000, i)});
    std::string archive = assemble(members);
    archive[archive.size() - 22 + 16] ^= 0x01;  // offset of the central directory now points into data
    ziptest::writeFile(temp.path() + "/p.zip", archive);
    const Extraction run(temp.path() + "/p.zip", temp.path() + "/out");
    EXPECT_EQ(run.reader.ChainFlags(), zip::kChainLocalHeader);
    EXPECT_EQ(run.reader.FirstRecordOffset(), 0u);
    EXPECT_TRUE(run.problems().empty());
    std::map<std::string, std::string> expected;
    for (const Member& m : members) expected[m.name] = m.data;
    EXPECT_EQ(summary(readTree(temp.path() + "/out")), summary(expected));
}

}  // namespace

namespace {

// The reader fuzz target's committed seeds (ZIP64, streamed, an unadjusted stub) read without a
// problem, every member whole.
TEST(FuzzSeeds, ExtractWithoutProblems) {
    const fs::path seeds = fs::path(SKARVEL_SOURCE_DIR) / "fuzz" / "seeds-zip";
    int archives = 0;
    for (const auto& entry : fs::directory_iterator(seeds)) {
        SCOPED_TRACE(entry.path().filename().string());
        platform::TempFolder temp("zipseed");
        const Extraction run(entry.path().string(), temp.path() + "/out");
        EXPECT_TRUE(run.problems().empty()) << ::testing::PrintToString(run.problems());
        EXPECT_GE(run.reader.FilesWritten(), 2u);
        EXPECT_EQ(run.reader.FilesWritten(), readTree(temp.path() + "/out").size());
        ++archives;
    }
    EXPECT_GE(archives, 9);
}

}  // namespace
