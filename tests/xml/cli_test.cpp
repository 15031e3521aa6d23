// skarvel-cli xml: whole outputs compared with committed expected files.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <string>

namespace {

struct CliRun {
    std::string out;
    int status = -1;
};

CliRun runCli(const std::string& arguments) {
    CliRun run;
    const std::string command = std::string(SKARVEL_CLI) + " " + arguments + " 2>&1";
    if (std::FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[4096];
        size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) run.out.append(buffer, n);
        const int raw = ::pclose(pipe);
        run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    }
    return run;
}

std::string data(const std::string& name) { return std::string(SKARVEL_TEST_DATA) + "/" + name; }

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

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
        const CliRun run = runCli(c.arguments);
        EXPECT_EQ(run.status, 0) << c.arguments;
        EXPECT_EQ(run.out, readFile(data(c.expected))) << c.arguments;
    }
}

TEST(XmlCli, Find) {
    EXPECT_EQ(runCli("xml find " + data("descriptor.xml") + " ICON src SIZE none").out,
              "{\"name\":\"icon\",\"path\":[0,4],\"values\":{\"src\":\"call.png\",\"SIZE\":\"large\",\"none\":\"\"}}\n");
    EXPECT_EQ(runCli("xml find " + data("descriptor.xml") + " nothing").out, "null\n");
    const CliRun missing = runCli("xml find /nonexistent/skarvel.xml theme");
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.out, "skarvel-cli: Cannot open file /nonexistent/skarvel.xml\n");
}

TEST(XmlCli, SpecialFilesAreRefusedAtOnce) {
    // A FIFO without a writer would block an ordinary open; a device would never end.
    const std::string fifo = ::testing::TempDir() + "skarvel_xml_fifo";
    std::remove(fifo.c_str());
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    for (const std::string& path : {fifo, std::string("/dev/zero"), std::string("/tmp")}) {
        for (const char* verb : {"parts", "dtd", "tree"}) {
            const CliRun run = runCli(std::string("xml ") + verb + " " + path);
            EXPECT_EQ(run.status, 1) << verb << " " << path;
            EXPECT_EQ(run.out, "skarvel-cli: Cannot open file " + path + "\n") << verb;
        }
    }
    std::remove(fifo.c_str());
}

}  // namespace
