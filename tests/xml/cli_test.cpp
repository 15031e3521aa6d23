// skarvel-cli xml: whole outputs compared with committed expected files.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <string>

#include "support/files.h"
#include "support/process.h"

namespace {

using testsupport::CommandResult;
using testsupport::readFile;
using testsupport::runCli;

std::string data(const std::string& name) { return std::string(SKARVEL_TEST_DATA) + "/" + name; }

TEST(XmlCli, OutputsMatchExpectedFiles) {
    const struct {
        std::string arguments;
        std::string expected;
    } cases[] = {
        {"xml parts " + data("descriptor.xml"), "descriptor.parts.jsonl"},
        {"xml parts " + data("entities.xml"), "entities.parts.jsonl"},
        {"xml tree --native " + data("entities.xml"), "entities.tree-native.json"},
        {"xml --native tree " + data("entities.xml"), "entities.tree-native.json"},
        {"xml dtd " + data("entities.xml"), "entities.dtd.json"},
    };
    for (const auto& c : cases) {
        const CommandResult run = runCli(c.arguments);
        EXPECT_EQ(run.status, 0) << c.arguments;
        EXPECT_EQ(run.output, readFile(data(c.expected))) << c.arguments;
    }
}

TEST(XmlCli, Find) {
    EXPECT_EQ(
        runCli("xml find " + data("descriptor.xml") + " ICON src SIZE none").output,
        "{\"name\":\"icon\",\"path\":[0,4],\"values\":{\"src\":\"call.png\",\"SIZE\":\"large\",\"none\":\"\"}}\n");
    EXPECT_EQ(runCli("xml find " + data("descriptor.xml") + " nothing").output, "null\n");
    const CommandResult missing = runCli("xml find /nonexistent/skarvel.xml theme");
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.output, "skarvel-cli: Cannot open file /nonexistent/skarvel.xml\n");
}

TEST(XmlCli, SpecialFilesAreRefusedAtOnce) {
    // A FIFO without a writer would block an ordinary open; a device would never end.
    const std::string fifo = ::testing::TempDir() + "skarvel_xml_fifo";
    std::remove(fifo.c_str());
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    for (const std::string& path : {fifo, std::string("/dev/zero"), std::string("/tmp")}) {
        for (const char* verb : {"parts", "dtd", "tree"}) {
            const CommandResult run = runCli(std::string("xml ") + verb + " " + path);
            EXPECT_EQ(run.status, 1) << verb << " " << path;
            EXPECT_EQ(run.output, "skarvel-cli: Cannot open file " + path + "\n") << verb;
        }
    }
    std::remove(fifo.c_str());
}

}  // namespace
