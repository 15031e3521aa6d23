// Updating archives made by other tools: what cannot be kept whole is refused and left as it was;
// what can is kept member for member, and every peer still reads the result.
#include <gtest/gtest.h>

#include "platform/tempfile.h"
#include "reader_support.h"

namespace {

using namespace readertest;
using ziptest::quote;
using ziptest::runCommand;

struct CliRun {
    int status;
    std::string output;
};

CliRun zipCli(const std::string& archive, const std::string& file) {
    const auto r = runCommand(std::string(SKARVEL_CLI) + " zip " + quote(archive) + " " + quote(file));
    return {r.status, r.output};
}

// Every peer's test of `archive`, which must hold `members` entries; the failures with their
// output. A streaming reader needs the archive to begin with its first member.
std::string peerFailures(const std::string& archive, std::size_t members, bool streamable = true) {
    std::string failures;
    const std::string a = quote(archive);
    for (const std::string& check : {"unzip -tqq " + a, "7zz t -bso0 -bsp0 " + a, "python3 -m zipfile -t " + a}) {
        const auto r = runCommand(check);
        if (r.status != 0) failures += check + ": " + r.output + "\n";
    }
    if (!streamable) return failures;
    // A streaming reader sees only the local headers and data descriptors.
    const auto listed = runCommand("cat " + a + " | bsdtar -tf -");
    const auto lines = std::count(listed.output.begin(), listed.output.end(), '\n');
    if (listed.status != 0 || std::size_t(lines) != members) failures += "bsdtar: " + listed.output + "\n";
    return failures;
}

struct Refusal {
    const char* name;
    const char* make;    // shell command run in the folder, writing old.zip
    const char* reason;  // part of the message
};

// A document whose last bytes look like an end record, a ZIP64 archive, a damaged central directory.
const Refusal kRefusals[] = {
    {"Document",
     "printf 'Minutes of the meeting, nothing to zip here.\\nPK\\005\\006\\0\\0\\0\\0\\001\\0\\001\\0"
     "\\056\\0\\0\\0\\012\\0\\0\\0\\0\\0' > old.zip",
     "no central directory stands where its end record says"},
    {"Zip64", "printf 'hello\\n' > a.txt && zip -q -fz old.zip a.txt", "it uses ZIP64 records"},
    {"DamagedCentral",
     "printf 'one\\n' > a.txt && printf 'two\\n' > b.txt && zip -q old.zip a.txt b.txt && python3 -c \""
     "import sys; d = bytearray(open('old.zip','rb').read()); i = d.rindex(b'PK\\x01\\x02'); d[i+3] = 9; "
     "open('old.zip','wb').write(d)\"",
     "its central directory is damaged (1 of 2 records readable)"},
};

class UpdateRefusal : public ::testing::TestWithParam<Refusal> {};

TEST_P(UpdateRefusal, LeavesTheFileByteForByte) {
    if (!ziptest::haveTool("zip")) GTEST_SKIP() << "Info-ZIP zip not installed; skipped";
    platform::TempFolder temp("zipupdate");
    const std::string folder = temp.path();
    ASSERT_EQ(runCommand("cd " + quote(folder) + " && " + GetParam().make).status, 0);
    ziptest::writeFile(folder + "/new.txt", "a new file\n");
    const std::string before = ziptest::readFile(folder + "/old.zip");

    const CliRun run = zipCli(folder + "/old.zip", folder + "/new.txt");
    EXPECT_EQ(run.status, 1) << run.output;
    EXPECT_NE(run.output.find("Cannot update " + folder + "/old.zip: " + GetParam().reason), std::string::npos)
        << run.output;
    EXPECT_NE(run.output.find("the file is left unchanged"), std::string::npos) << run.output;
    EXPECT_EQ(ziptest::readFile(folder + "/old.zip"), before);
}

INSTANTIATE_TEST_SUITE_P(Foreign, UpdateRefusal, ::testing::ValuesIn(kRefusals),
                         [](const auto& info) { return std::string(info.param.name); });

// An archive behind a stub whose offsets were not adjusted keeps its stub and every member.
TEST(UpdateForeign, StubInFrontWithUnadjustedOffsets) {
    if (!ziptest::haveTool("zip")) GTEST_SKIP() << "Info-ZIP zip not installed; skipped";
    platform::TempFolder temp("zipupdate");
    const std::string folder = temp.path();
    const std::string stub = "#!/bin/sh\necho a self-extracting stub\nexit 0\n";
    ziptest::writeFile(folder + "/stub.sh", stub);
    ziptest::writeFile(folder + "/a.txt", ziptest::textBytes(5000));
    ziptest::writeFile(folder + "/b.bin", ziptest::randomBytes(3000));
    ASSERT_EQ(runCommand("cd " + quote(folder) + " && zip -q plain.zip a.txt b.bin && cat stub.sh plain.zip > old.zip")
                  .status,
              0);
    ziptest::writeFile(folder + "/new.txt", "a new file\n");

    const CliRun run = zipCli(folder + "/old.zip", folder + "/new.txt");
    ASSERT_EQ(run.status, 0) << run.output;
    const std::string updated = ziptest::readFile(folder + "/old.zip");
    EXPECT_EQ(updated.substr(0, stub.size()), stub);
    EXPECT_EQ(peerFailures(folder + "/old.zip", 3, false), "");

    const Extraction extraction(folder + "/old.zip", folder + "/out");
    EXPECT_TRUE(extraction.problems().empty());
    EXPECT_EQ(readTree(folder + "/out"), (std::map<std::string, std::string>{{"a.txt", ziptest::textBytes(5000)},
                                                                             {"b.bin", ziptest::randomBytes(3000)},
                                                                             {"new.txt", "a new file\n"}}));
}

// Members streamed with 24-byte ZIP64 data descriptors keep them: the old local entries come
// through unchanged, so streaming readers still find every member.
TEST(UpdateForeign, DataDescriptorsAreCopiedWhole) {
    platform::TempFolder temp("zipupdate");
    const std::string folder = temp.path();
    const char* script = R"(
import sys, zipfile
with zipfile.ZipFile(sys.stdout.buffer, 'w', zipfile.ZIP_DEFLATED) as z:
    for name, data in (('a.txt', b'first member\n' * 300), ('b.txt', b'second\n'), ('c.bin', bytes(range(256)) * 40)):
        with z.open(zipfile.ZipInfo(name, (2024, 5, 6, 7, 8, 10)), 'w', force_zip64=True) as out:
            out.write(data)
)";
    ziptest::writeFile(folder + "/stream.py", script);
    ASSERT_EQ(runCommand("cd " + quote(folder) + " && python3 stream.py | cat > old.zip").status, 0);
    const std::string before = ziptest::readFile(folder + "/old.zip");
    const std::size_t entries = before.find(std::string("PK\x01\x02", 4));
    ASSERT_NE(entries, std::string::npos);
    ziptest::writeFile(folder + "/new.txt", "a new file\n");

    const CliRun run = zipCli(folder + "/old.zip", folder + "/new.txt");
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(ziptest::readFile(folder + "/old.zip").substr(0, entries), before.substr(0, entries));
    EXPECT_EQ(peerFailures(folder + "/old.zip", 4), "");
}

}  // namespace

namespace {

// A file that needs ZIP64 fields is refused with a message that names it and the limit.
TEST(WriteLimits, FileBeyondFourGiBIsRefusedByName) {
    platform::TempFolder temp("zipupdate");
    const std::string big = temp.path() + "/big.bin";
    ASSERT_EQ(runCommand("truncate -s 4294967296 " + quote(big)).status, 0);  // sparse: no disk space used
    const CliRun run = zipCli(temp.path() + "/out.nth", big);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.output.find("The file " + big +
                              " exceeds 4294967295 bytes (4 GiB - 1), the limit of ZIP records "
                              "without ZIP64 fields"),
              std::string::npos)
        << run.output;
}

}  // namespace
