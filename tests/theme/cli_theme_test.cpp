// skarvel-cli theme compose|save|open: output bytes and exit codes.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "cli_run.h"
#include "platform/files.h"
#include "platform/tempfile.h"
#include "theme/unpack_folder.h"

namespace {

using clirun::cli;
using clirun::q;
using clirun::writeFile;

TEST(CliTheme, ComposePrintsTheDescriptorBytes) {
    const auto plain = cli("theme compose");
    EXPECT_EQ(plain.code, 0);
    EXPECT_EQ(plain.out.size(), 257u);
    const auto full = cli("theme compose --wallpaper /p/sky.jpg --ringtone /s/ring.mid --color 3 "
                          "--icon messages:large=/i/msg.png --background /p/bg.gif");
    EXPECT_EQ(full.out.size(), 369u);
    EXPECT_NE(full.out.find("  <icon src=\"msg.png\" item_id=\"messages\" size=\"large\"/>\n"), std::string::npos);
    EXPECT_NE(cli("theme compose --color -1").out.find("color=\"\""), std::string::npos);
    EXPECT_NE(cli("theme compose --icon games:large=/x.png").code, 0);
}

TEST(CliTheme, SaveAndOpenWithExitCodes) {
    platform::TempFolder temp;
    const auto dir = temp.path();
    writeFile(dir + "/w.png", "not really a png");
    EXPECT_EQ(cli("theme save " + q(dir + "/missing") + " --wallpaper " + q(dir + "/gone.png")).code, 1);
    EXPECT_FALSE(platform::fileExists(dir + "/missing.nth"));

    ASSERT_EQ(cli("theme save " + q(dir + "/t") + " --color 5").code, 0);
    ASSERT_TRUE(platform::fileExists(dir + "/t.nth"));

    const auto opened = cli("theme open " + q(dir + "/t.nth") + " " + q(dir + "/o"));
    EXPECT_EQ(opened.code, 0);
    EXPECT_NE(opened.out.find("\"screensaver\":\"" + dir + "/o/files/basic_ss.jpg\""), std::string::npos);
    EXPECT_NE(opened.out.find("\"color\":5"), std::string::npos);
    EXPECT_NE(opened.out.find("\"icons\":{\"messages:large\":\"\""), std::string::npos);
    EXPECT_NE(opened.out.find("\"problems\":[]"), std::string::npos);

    // The folder now holds files: the warning without --yes, emptied with it.
    const auto warned = cli("theme open " + q(dir + "/t.nth") + " " + q(dir + "/o"));
    EXPECT_EQ(warned.code, 4);
    EXPECT_EQ(warned.out, std::string(theme::kUnpackWarning) + "\n");
    EXPECT_EQ(cli("theme open --yes " + q(dir + "/t.nth") + " " + q(dir + "/o")).code, 0);

    // A package lying in its own unpack folder makes it non-empty, and opens with --yes.
    platform::createFolders(dir + "/self/files");
    ASSERT_EQ(cli("theme save " + q(dir + "/self/files/s.nth")).code, 0);
    EXPECT_EQ(cli("theme open " + q(dir + "/self/files/s.nth") + " " + q(dir + "/self")).code, 4);
    EXPECT_EQ(cli("theme open --yes " + q(dir + "/self/files/s.nth") + " " + q(dir + "/self")).code, 0);
    EXPECT_TRUE(platform::fileExists(dir + "/self/files/s.nth"));

    writeFile(dir + "/text.nth", "hello\n");
    const auto failed = cli("theme open " + q(dir + "/text.nth") + " " + q(dir + "/o2"));
    EXPECT_EQ(failed.code, 1);
    EXPECT_EQ(failed.out.front(), '{') << "the fields are printed before the failure";

    // A damaged member: problems recorded, exit 3 (the ringtone is not a picture, so nothing else fails).
    writeFile(dir + "/ring.aac", std::string(6000, 'r'));
    ASSERT_EQ(cli("theme save " + q(dir + "/d.nth") + " --ringtone " + q(dir + "/ring.aac")).code, 0);
    std::ifstream in(dir + "/d.nth", std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto at = bytes.find("ring.aac") + 8 + 10;
    bytes[at] = static_cast<char>(bytes[at] ^ 0x5A);
    writeFile(dir + "/d.nth", bytes);
    const auto damaged = cli("theme open " + q(dir + "/d.nth") + " " + q(dir + "/o3"));
    EXPECT_EQ(damaged.code, 3);
    EXPECT_NE(damaged.out.find("\"member\":\"ring.aac\""), std::string::npos) << damaged.out;
}

TEST(CliTheme, PreviewOfAPackageRemovesItsTemporaryFolderWhateverHappens) {
    platform::TempFolder temp;
    const auto dir = temp.path();
    const std::string tmp = dir + "/tmp";
    platform::createFolders(tmp);
    ASSERT_EQ(cli("theme save " + q(dir + "/t.nth")).code, 0);
    writeFile(dir + "/bad.nth", "x");
    // Qt keeps its runtime folder apart, so that only what the command leaves is looked at.
    platform::createFolders(dir + "/run");
    chmod((dir + "/run").c_str(), 0700);
    const std::string env = "env TMPDIR=" + q(tmp) + " XDG_RUNTIME_DIR=" + q(dir + "/run") + " ";
    const auto preview = [&](const std::string& package, const std::string& out) {
        return std::system((env + "'" + SKARVEL_CLI + "' preview --theme " + q(package) + " --mode 201 -o " + q(out) +
                            " >/dev/null 2>&1")
                               .c_str());
    };
    EXPECT_EQ(preview(dir + "/t.nth", dir + "/s.png"), 0);
    EXPECT_TRUE(platform::fileExists(dir + "/s.png"));
    EXPECT_NE(preview(dir + "/bad.nth", dir + "/b.png"), 0);
    EXPECT_FALSE(platform::fileExists(dir + "/b.png"));
    EXPECT_TRUE(platform::findFiles(tmp, "*", 0xFF).empty());
}

}  // namespace
