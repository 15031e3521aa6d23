// skarvel-cli ls and unzip: their JSON lines, standard error lines and exit codes.
#include <gtest/gtest.h>

#include "platform/tempfile.h"
#include "reader_support.h"

namespace {

using namespace readertest;
using ziptest::quote;

struct CliResult {
    int status;
    std::string out;
    std::string err;
};

CliResult cli(const std::string& arguments, const std::string& folder) {
    const std::string out = folder + "/stdout.txt";
    const std::string err = folder + "/stderr.txt";
    const auto r = ziptest::runCommand("(" + std::string(SKARVEL_CLI) + " " + arguments + " >" + quote(out) + " 2>" +
                                       quote(err) + ")");
    return {r.status, ziptest::readFile(out), ziptest::readFile(err)};
}

TEST(LsCommand, RecognitionLineThenOneLinePerMember) {
    platform::TempFolder temp("zipcli");
    const std::string archive = assemble({{.name = "a.txt", .data = "hello", .attributes = 0x21},
                                          {.name = "img/b.png", .data = ziptest::textBytes(3000), .method = 8}});
    ziptest::writeFile(temp.path() + "/p.nth", archive);
    const std::size_t second = zip::kLocalHeaderSize + 5 + 5;
    const std::size_t central = archive.size() - zip::kEndRecordSize - 2 * zip::kCentralHeaderSize - 5 - 9;
    const auto r = cli("ls " + quote(temp.path() + "/p.nth"), temp.path());
    EXPECT_EQ(r.status, 0) << r.err;
    const std::string expected =
        "{\"arctype\":\"atZip\",\"first_offset\":" + std::to_string(central) +
        ",\"chain\":25}\n"
        "{\"name\":\"a.txt\",\"method\":0,\"flag\":0,\"crc\":" +
        std::to_string(zip::crc32Of("hello")) +
        ",\"csize\":5,\"usize\":5,\"time\":1519151631,\"attr\":33,\"offset\":0}\n"
        "{\"name\":\"img/b.png\",\"method\":8,\"flag\":0,\"crc\":" +
        std::to_string(zip::crc32Of(ziptest::textBytes(3000))) +
        ",\"csize\":" + std::to_string(deflateRaw(ziptest::textBytes(3000)).size()) +
        ",\"usize\":3000,\"time\":1519151631,\"attr\":32,\"offset\":" + std::to_string(second) + "}\n";
    EXPECT_EQ(r.out, expected);

    ziptest::writeFile(temp.path() + "/text.nth", "just some text, no archive\n");
    const auto text = cli("ls " + quote(temp.path() + "/text.nth"), temp.path());
    EXPECT_EQ(text.status, 1);
    EXPECT_EQ(text.out, "{\"arctype\":\"atNA\",\"first_offset\":1,\"chain\":0}\n");
    EXPECT_EQ(text.err, "skarvel-cli: Invalid or unsupported archive type for this operation\n");
}

TEST(UnzipCommand, CountProblemsAndExitCodes) {
    if (!ziptest::haveTool("zip")) GTEST_SKIP() << "Info-ZIP zip not installed; skipped";
    platform::TempFolder temp("zipcli");
    ziptest::writeFile(temp.path() + "/s.txt", "secret");
    ziptest::writeFile(temp.path() + "/p.txt", "plain");
    ASSERT_EQ(
        ziptest::runCommand("cd " + quote(temp.path()) + " && zip -q e.zip p.txt && zip -q -P pw e.zip s.txt").status,
        0);
    const std::string archive = quote(temp.path() + "/e.zip");

    const auto locked = cli("unzip " + archive + " " + quote(temp.path() + "/o1"), temp.path());
    // The count is of files written; the problem says in plain words what is missing, and for which member.
    EXPECT_EQ(locked.status, 3);
    EXPECT_EQ(locked.out, "1\n");
    EXPECT_EQ(locked.err,
              "warning 25270 Password missing: this member is encrypted and no password was given: s.txt\n");

    const auto wrong = cli("unzip --password nope " + archive + " " + quote(temp.path() + "/o5"), temp.path());
    EXPECT_EQ(wrong.status, 3);
    EXPECT_EQ(wrong.out, "1\n");
    EXPECT_EQ(wrong.err, "warning 25270 Wrong password: no password given opens this encrypted member: s.txt\n");
    EXPECT_EQ(readTree(temp.path() + "/o1"), (std::map<std::string, std::string>{{"p.txt", "plain"}}));

    const auto open =
        cli("unzip --password nope --password pw " + archive + " " + quote(temp.path() + "/o2"), temp.path());
    EXPECT_EQ(open.status, 0) << open.err;
    EXPECT_EQ(open.out, "2\n");
    EXPECT_EQ(readTree(temp.path() + "/o2"),
              (std::map<std::string, std::string>{{"p.txt", "plain"}, {"s.txt", "secret"}}));

    const auto some = cli("unzip --files 'P*' " + archive + " " + quote(temp.path() + "/o3"), temp.path());
    EXPECT_EQ(some.status, 0);
    EXPECT_EQ(some.out, "1\n");

    const auto refused = cli("unzip " + quote(temp.path() + "/p.txt") + " " + quote(temp.path() + "/o4"), temp.path());
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.out, "");
    EXPECT_EQ(refused.err, "skarvel-cli: Invalid or unsupported archive type for this operation\n");
}

}  // namespace

namespace {

TEST(CliHelp, EachVerbListsItsExitCodes) {
    for (const std::string verb : {"zip", "ls", "unzip"}) {
        const auto r = ziptest::runCommand(std::string(SKARVEL_CLI) + " " + verb + " --help");
        EXPECT_EQ(r.status, 0);
        EXPECT_NE(r.output.find("Exit codes: 0 "), std::string::npos) << verb << ": " << r.output;
        EXPECT_NE(r.output.find("2 usage error"), std::string::npos) << verb;
    }
}

}  // namespace
