// skarvel-cli theme compose|save|open: output bytes and exit codes.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "platform/files.h"
#include "platform/tempfile.h"
#include "support/files.h"
#include "support/process.h"
#include "theme/unpack_folder.h"

namespace {

using testsupport::quote;
using testsupport::writeFile;

// skarvel-cli's exit code and standard output (standard error is dropped).
testsupport::CommandResult cli(const std::string& arguments) {
    return testsupport::runCli(arguments, testsupport::StandardError::Dropped);
}

TEST(CliTheme, ComposePrintsTheDescriptorBytes) {
    const auto plain = cli("theme compose");
    EXPECT_EQ(plain.status, 0);
    EXPECT_EQ(plain.output.size(), 257u);
    const auto full =
        cli("theme compose --wallpaper /p/sky.jpg --ringtone /s/ring.mid --color 3 "
            "--icon messages:large=/i/msg.png --background /p/bg.gif");
    EXPECT_EQ(full.output.size(), 369u);
    EXPECT_NE(full.output.find("  <icon src=\"msg.png\" item_id=\"messages\" size=\"large\"/>\n"), std::string::npos);
    EXPECT_NE(cli("theme compose --color -1").output.find("color=\"\""), std::string::npos);
    EXPECT_NE(cli("theme compose --icon games:large=/x.png").status, 0);
}

TEST(CliTheme, SaveAndOpenWithExitCodes) {
    platform::TempFolder temp;
    const auto dir = temp.path();
    writeFile(dir + "/w.png", "not really a png");
    EXPECT_EQ(cli("theme save " + quote(dir + "/missing") + " --wallpaper " + quote(dir + "/gone.png")).status, 1);
    EXPECT_FALSE(platform::fileExists(dir + "/missing.nth"));

    ASSERT_EQ(cli("theme save " + quote(dir + "/t") + " --color 5").status, 0);
    ASSERT_TRUE(platform::fileExists(dir + "/t.nth"));

    const auto opened = cli("theme open " + quote(dir + "/t.nth") + " " + quote(dir + "/o"));
    EXPECT_EQ(opened.status, 0);
    EXPECT_NE(opened.output.find("\"screensaver\":\"" + dir + "/o/files/basic_ss.jpg\""), std::string::npos);
    EXPECT_NE(opened.output.find("\"color\":5"), std::string::npos);
    EXPECT_NE(opened.output.find("\"icons\":{\"messages:large\":\"\""), std::string::npos);
    EXPECT_NE(opened.output.find("\"problems\":[]"), std::string::npos);

    // The folder now holds files: the warning without --yes, emptied with it.
    const auto warned = cli("theme open " + quote(dir + "/t.nth") + " " + quote(dir + "/o"));
    EXPECT_EQ(warned.status, 4);
    EXPECT_EQ(warned.output, std::string(theme::kUnpackWarning) + "\n");
    EXPECT_EQ(cli("theme open --yes " + quote(dir + "/t.nth") + " " + quote(dir + "/o")).status, 0);

    // A package lying in its own unpack folder makes it non-empty, and opens with --yes.
    platform::createFolders(dir + "/self/files");
    ASSERT_EQ(cli("theme save " + quote(dir + "/self/files/s.nth")).status, 0);
    EXPECT_EQ(cli("theme open " + quote(dir + "/self/files/s.nth") + " " + quote(dir + "/self")).status, 4);
    EXPECT_EQ(cli("theme open --yes " + quote(dir + "/self/files/s.nth") + " " + quote(dir + "/self")).status, 0);
    EXPECT_TRUE(platform::fileExists(dir + "/self/files/s.nth"));

    writeFile(dir + "/text.nth", "hello\n");
    const auto failed = cli("theme open " + quote(dir + "/text.nth") + " " + quote(dir + "/o2"));
    EXPECT_EQ(failed.status, 1);
    EXPECT_EQ(failed.output.front(), '{') << "the fields are printed before the failure";

    // A damaged member: problems recorded, exit 3 (the ringtone is not a picture, so nothing else fails).
    writeFile(dir + "/ring.aac", std::string(6000, 'r'));
    ASSERT_EQ(cli("theme save " + quote(dir + "/d.nth") + " --ringtone " + quote(dir + "/ring.aac")).status, 0);
    std::ifstream in(dir + "/d.nth", std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto at = bytes.find("ring.aac") + 8 + 10;
    bytes[at] = static_cast<char>(bytes[at] ^ 0x5A);
    writeFile(dir + "/d.nth", bytes);
    const auto damaged = cli("theme open " + quote(dir + "/d.nth") + " " + quote(dir + "/o3"));
    EXPECT_EQ(damaged.status, 3);
    EXPECT_NE(damaged.output.find("\"member\":\"ring.aac\""), std::string::npos) << damaged.output;
}

TEST(CliTheme, PreviewOfAPackageRemovesItsTemporaryFolderWhateverHappens) {
    platform::TempFolder temp;
    const auto dir = temp.path();
    const std::string tmp = dir + "/tmp";
    platform::createFolders(tmp);
    ASSERT_EQ(cli("theme save " + quote(dir + "/t.nth")).status, 0);
    writeFile(dir + "/bad.nth", "x");
    // Qt keeps its runtime folder apart, so that only what the command leaves is looked at.
    platform::createFolders(dir + "/run");
    chmod((dir + "/run").c_str(), 0700);
    const std::string env = "env TMPDIR=" + quote(tmp) + " XDG_RUNTIME_DIR=" + quote(dir + "/run") + " ";
    const auto preview = [&](const std::string& package, const std::string& out) {
        return testsupport::runCommand(env + quote(SKARVEL_CLI) + " preview --theme " + quote(package) +
                                       " --mode 201 -o " + quote(out))
            .status;
    };
    EXPECT_EQ(preview(dir + "/t.nth", dir + "/s.png"), 0);
    EXPECT_TRUE(platform::fileExists(dir + "/s.png"));
    EXPECT_NE(preview(dir + "/bad.nth", dir + "/b.png"), 0);
    EXPECT_FALSE(platform::fileExists(dir + "/b.png"));
    EXPECT_TRUE(platform::findFiles(tmp, "*", 0xFF).empty());
}

}  // namespace
