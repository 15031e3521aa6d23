// Save and Open without a window: real files in temporary folders, real peers (zip, unzip,
// python3 zipfile) as oracles.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "platform/errors.h"
#include "platform/files.h"
#include "platform/tempfile.h"
#include "resources/embedded.h"
#include "support/files.h"
#include "support/process.h"
#include "theme/descriptor.h"
#include "theme/open.h"
#include "theme/save.h"
#include "theme/unpack_folder.h"
#include "zip/unzip.h"

namespace theme {
namespace {

using testsupport::quote;
using testsupport::readFile;
using testsupport::writeFile;

bool exists(const std::string& path) {
    struct stat info;
    return lstat(path.c_str(), &info) == 0;
}

// The exit code of a shell command; what it prints is not looked at.
int run(const std::string& command) { return testsupport::runCommand(command).status; }

// The members of a package, in order, with their bytes (extracted by our reader into `into`).
std::vector<std::pair<std::string, std::string>> members(const std::string& package, const std::string& into) {
    platform::createFolders(into);
    zip::TUnZIP reader;
    reader.SetArchiveFile(package);
    reader.SetExtractDir(into);
    reader.ConfirmOverwrites = false;
    reader.FileSpec = {"*.*"};
    reader.ExtractFiles();
    std::vector<std::pair<std::string, std::string>> result;
    for (const auto& member : reader.Members()) result.emplace_back(member.Name, readFile(into + "/" + member.Name));
    return result;
}

// A private temporary folder for the test, also made the system's temporary folder so that
// nothing Save leaves behind can hide elsewhere.
class WorkflowTest : public testing::Test {
protected:
    void SetUp() override {
        previousTmp_ = std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "";
        systemTmp_ = root_.path() + "/tmp";
        mkdir(systemTmp_.c_str(), 0700);
        setenv("TMPDIR", systemTmp_.c_str(), 1);
        folder_ = root_.path() + "/work";
        mkdir(folder_.c_str(), 0700);
    }
    void TearDown() override {
        if (previousTmp_.empty())
            unsetenv("TMPDIR");
        else
            setenv("TMPDIR", previousTmp_.c_str(), 1);
    }

    std::string file(const std::string& name, const std::string& bytes) {
        const auto path = folder_ + "/" + name;
        writeFile(path, bytes);
        return path;
    }
    bool systemTmpEmpty() const { return platform::findFiles(systemTmp_, "*", 0xFF).empty(); }

    platform::TempFolder root_;
    std::string folder_, systemTmp_, previousTmp_;
};

TEST_F(WorkflowTest, SaveAfterNewThemeWritesThreeMembersDescriptorLast) {
    ThemeFields theme;
    const auto written = SaveWorkflow().run(theme, folder_ + "/new.nth");
    EXPECT_EQ(written, folder_ + "/new.nth");
    const auto list = members(written, root_.path() + "/x");
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0].first, "basic_ss.jpg");
    EXPECT_EQ(list[0].second, std::string(resources::defaultScreensaver()));
    EXPECT_EQ(list[1].first, "Nokia tune.aac");
    EXPECT_EQ(list[1].second, std::string(resources::defaultRingtone()));
    EXPECT_EQ(list[2].first, "theme_descriptor.xml");
    EXPECT_EQ(list[2].second.size(), 257u);
    EXPECT_EQ(run("unzip -tq " + quote(written)), 0);
    EXPECT_TRUE(systemTmpEmpty()) << "temporary files left behind";
    EXPECT_EQ(platform::findFiles(folder_, "*", 0xFF).size(), 1u) << "only the package beside it";
}

TEST_F(WorkflowTest, SaveKeepsThePermissionsOfThePackageItReplaces) {
    ThemeFields theme;
    const auto target = folder_ + "/old.nth";
    writeFile(target, "old");
    ASSERT_EQ(chmod(target.c_str(), 0604), 0);
    SaveWorkflow().run(theme, target);
    struct stat st {};
    ASSERT_EQ(stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0604u);
    EXPECT_EQ(members(target, root_.path() + "/x").size(), 3u);
    EXPECT_TRUE(systemTmpEmpty());
    EXPECT_EQ(platform::findFiles(folder_, "*", 0xFF).size(), 1u);
}

TEST_F(WorkflowTest, SaveWithoutScreensaverPictureWritesTheBuiltInOne) {
    ThemeFields theme;
    theme.setPicture(kTagScreensaver, std::nullopt);
    const auto list = members(SaveWorkflow().run(theme, folder_ + "/p.nth"), root_.path() + "/x");
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0].second, std::string(resources::defaultScreensaver()));
}

TEST_F(WorkflowTest, SaveAppendsTheExtensionOnlyWhenThereIsNone) {
    ThemeFields theme;
    EXPECT_EQ(SaveWorkflow().run(theme, folder_ + "/plain"), folder_ + "/plain.nth");
    EXPECT_EQ(SaveWorkflow().run(theme, folder_ + "/kept.zip"), folder_ + "/kept.zip");
}

TEST_F(WorkflowTest, SaveWithMissingFileFailsAndKeepsTheOldPackage) {
    ThemeFields theme;
    const auto target = folder_ + "/old.nth";
    SaveWorkflow().run(theme, target);
    const auto before = readFile(target);

    theme.setPath(kTagWallpaper, file("sky.jpg", "sky"));
    theme.setPath(kTagBackground, folder_ + "/gone.gif");
    try {
        SaveWorkflow().run(theme, target);
        FAIL() << "Save succeeded";
    } catch (const platform::Error& e) {
        EXPECT_STREQ(e.what(), ("Cannot open file " + folder_ + "/gone.gif").c_str());
    }
    EXPECT_EQ(readFile(target), before);
    EXPECT_TRUE(systemTmpEmpty());

    theme.setPath(kTagBackground, folder_);  // a folder is no file either
    EXPECT_THROW(SaveWorkflow().run(theme, target), platform::EFOpenError);
    EXPECT_EQ(readFile(target), before);
}

TEST_F(WorkflowTest, SaveIntoUnwritableFolderFailsLeavingNothing) {
    // Root writes anywhere it may; a folder of /proc refuses everyone.
    std::string folder = folder_ + "/ro";
    mkdir(folder.c_str(), 0500);
    if (geteuid() == 0) folder = "/proc/self";
    ThemeFields theme;
    try {
        SaveWorkflow().run(theme, folder + "/t.nth");
        FAIL() << "Save succeeded";
    } catch (const platform::Error& e) {
        EXPECT_NE(std::string(e.what()).find(folder + "/t.nth"), std::string::npos) << e.what();
    }
    EXPECT_FALSE(exists(folder + "/t.nth"));
    EXPECT_TRUE(systemTmpEmpty());
    if (folder != "/proc/self") EXPECT_TRUE(platform::findFiles(folder, "*", 0xFF).empty());
}

// A full theme of distinct files; names in Cyrillic and Chinese among them.
ThemeFields fullTheme(const std::function<std::string(const std::string&, const std::string&)>& file) {
    ThemeFields theme;
    theme.setPath(kTagWallpaper, file("\xd0\xbe\xd0\xb1\xd0\xbe\xd0\xb8.jpg", "wallpaper bytes"));
    theme.setPath(kTagBackground, file("\xe8\x83\x8c\xe6\x99\xaf.png", "background bytes"));
    theme.setPath(kTagScreensaver, file("saver & more.gif", "screensaver bytes"));
    for (const auto& row : kIconTable)
        theme.setPath(row.tag, file(std::string(row.itemId) + "_" + std::string(row.size) + ".png",
                                    "icon " + std::to_string(row.tag) + std::string(3000, 'a' + row.tag % 26)));
    theme.setRingtone(file("\xd0\xbc\xd0\xb5\xd0\xbb\xd0\xbe\xd0\xb4\xd0\xb8\xd1\x8f.aac", std::string(70000, 'r')));
    theme.setColorIndex(5);
    return theme;
}

TEST_F(WorkflowTest, FullThemeRoundTripsIntoAnotherFolder) {
    ThemeFields saved =
        fullTheme([this](const std::string& name, const std::string& bytes) { return file(name, bytes); });
    const auto package = SaveWorkflow().run(saved, folder_ + "/full.nth");
    EXPECT_EQ(run("unzip -tq " + quote(package)), 0);

    ThemeFields opened;
    OpenWorkflow open;
    ASSERT_TRUE(open.run(package, root_.path() + "/other", opened));
    const auto unpack = root_.path() + "/other/files/";
    EXPECT_EQ(open.unpackFolder(), unpack);
    EXPECT_TRUE(open.problems().empty());
    for (int tag : kElementTags) {
        const auto path = opened.path(tag);
        EXPECT_EQ(path, unpack + platform::fileNamePart(saved.path(tag))) << tag;
        EXPECT_EQ(readFile(path), readFile(saved.path(tag))) << tag;
        EXPECT_EQ(opened.picture(tag), readFile(saved.path(tag))) << "reloaded " << tag;
    }
    EXPECT_EQ(opened.ringtone(), unpack + platform::fileNamePart(saved.ringtone()));
    EXPECT_EQ(readFile(opened.ringtone()), readFile(saved.ringtone()));
    EXPECT_EQ(opened.colorIndex(), 5);
    EXPECT_EQ(opened.previewUpdates, 1);
}

TEST_F(WorkflowTest, PackagesOfOtherToolsOpenLikeOurs) {
    const std::string descriptor =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<theme>\n"
        "  <wallpaper src=\"\xd0\xbd\xd0\xb5\xd0\xb1\xd0\xbe.jpg\"/>\n"
        "  <icon src=\"m.png\" item_id=\"messages\" size=\"small\"/>\n"
        "  <colorscheme color=\"red\"/>\n</theme>\n";
    const auto source = folder_ + "/src";
    mkdir(source.c_str(), 0700);
    writeFile(source + "/theme_descriptor.xml", descriptor);
    writeFile(source + "/\xd0\xbd\xd0\xb5\xd0\xb1\xd0\xbe.jpg", "sky");
    writeFile(source + "/m.png", "icon");
    ASSERT_EQ(run("cd " + quote(source) + " && zip -q -X ../infozip.nth *"), 0);
    ASSERT_EQ(run("cd " + quote(source) +
                  " && python3 -c \"import zipfile,os\n"
                  "with zipfile.ZipFile('../python.nth','w',zipfile.ZIP_DEFLATED) as z:\n"
                  " [z.write(n) for n in sorted(os.listdir('.'))]\""),
              0);
    for (const char* package : {"infozip.nth", "python.nth"}) {
        SCOPED_TRACE(package);
        ThemeFields theme;
        OpenWorkflow open;
        const auto into = root_.path() + "/" + package;
        ASSERT_TRUE(open.run(folder_ + "/" + package, into, theme));
        EXPECT_EQ(theme.path(kTagWallpaper), into + "/files/\xd0\xbd\xd0\xb5\xd0\xb1\xd0\xbe.jpg");
        EXPECT_EQ(theme.picture(kTagWallpaper), "sky");
        EXPECT_EQ(theme.picture(kMessages + kSmallIconOffset), "icon");
        EXPECT_EQ(theme.colorIndex(), 6);
    }
}

TEST_F(WorkflowTest, PackagesFromCaseInsensitiveFileSystemsFindTheirFiles) {
    // Names written in another letter case than the members, a src outside the unpack folder.
    const auto source = folder_ + "/src";
    mkdir(source.c_str(), 0700);
    writeFile(source + "/THEME_DESCRIPTOR.XML",
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<theme>\n  <wallpaper src=\"Photo.PNG\"/>\n"
              "  <background src=\"../../work/src/bg.png\"/>\n  <ringtone src=\"RING.aac\"/>\n</theme>\n");
    writeFile(source + "/photo.png", "photo");
    writeFile(source + "/bg.png", "bg");
    writeFile(source + "/ring.aac", "ring");
    ASSERT_EQ(run("cd " + quote(source) + " && zip -q -X ../mixed.nth *"), 0);
    ThemeFields theme;
    OpenWorkflow open;
    const auto into = root_.path() + "/o";
    ASSERT_TRUE(open.run(folder_ + "/mixed.nth", into, theme));
    EXPECT_EQ(theme.path(kTagWallpaper), into + "/files/photo.png");
    EXPECT_EQ(theme.picture(kTagWallpaper), "photo");
    EXPECT_EQ(theme.ringtone(), into + "/files/ring.aac");
    EXPECT_EQ(theme.path(kTagBackground), "");
    ASSERT_EQ(open.problems().size(), 1u);
    EXPECT_EQ(open.problems()[0].text, kOutsideUnpackFolder);
    EXPECT_EQ(open.problems()[0].member, "../../work/src/bg.png");
}

TEST_F(WorkflowTest, OpenOfATextFileFailsBeforeAnythingChanges) {
    ThemeFields theme;
    theme.setPath(kTagWallpaper, "/kept.jpg");
    OpenWorkflow open;
    try {
        open.run(file("text.nth", "just some text\n"), root_.path() + "/o", theme);
        FAIL() << "Open succeeded";
    } catch (const platform::Error& e) {
        EXPECT_STREQ(e.what(), "Invalid or unsupported archive type for this operation");
    }
    EXPECT_EQ(theme.path(kTagWallpaper), "/kept.jpg");
    EXPECT_EQ(theme.previewUpdates, 0);
}

TEST_F(WorkflowTest, OpenWithoutDescriptorResetsAndSaysWhichFileIsMissing) {
    const auto source = file("a.jpg", "a");
    ASSERT_EQ(run("cd " + quote(folder_) + " && zip -q -X nodesc.nth a.jpg"), 0);
    ThemeFields theme;
    theme.setPath(kTagWallpaper, "/kept.jpg");
    theme.setRingtone("/ring.aac");
    OpenWorkflow open;
    try {
        open.run(folder_ + "/nodesc.nth", root_.path() + "/o", theme);
        FAIL() << "Open succeeded";
    } catch (const platform::Error& e) {
        EXPECT_STREQ(e.what(), ("Cannot open file " + root_.path() + "/o/files/theme_descriptor.xml").c_str());
    }
    EXPECT_EQ(theme.path(kTagWallpaper), "");
    EXPECT_EQ(theme.ringtone(), "/ring.aac");
    EXPECT_EQ(theme.previewUpdates, 1);
}

TEST_F(WorkflowTest, DamagedMemberIsListedAndTheRestLoads) {
    ThemeFields saved;
    saved.setPath(kTagWallpaper, file("w.jpg", std::string(5000, 'w') + "tail"));
    saved.setPath(kTagBackground, file("b.jpg", "background"));
    const auto package = SaveWorkflow().run(saved, folder_ + "/damaged.nth");
    // Flip a byte inside the first member's data (after its 30-byte header and 5-byte name).
    std::string bytes = readFile(package);
    bytes[40] = static_cast<char>(bytes[40] ^ 0x55);
    writeFile(package, bytes);

    ThemeFields theme;
    OpenWorkflow open;
    open.run(package, root_.path() + "/o", theme);
    ASSERT_FALSE(open.problems().empty());
    EXPECT_EQ(open.problems().front().member.find("w.jpg") != std::string::npos, true)
        << open.problems().front().member;
    EXPECT_EQ(theme.picture(kTagBackground), "background");
    const auto message = damagedMessage(package, open.problems());
    EXPECT_NE(message.find(package), std::string::npos);
    EXPECT_NE(message.find("повреждён"), std::string::npos);
    EXPECT_NE(message.find("w.jpg"), std::string::npos);
}

TEST_F(WorkflowTest, PackageInsideItsOwnUnpackFolderStillOpens) {
    ThemeFields saved;
    saved.setPath(kTagWallpaper, file("w.jpg", "w"));
    const auto unpack = root_.path() + "/t/files";
    platform::createFolders(unpack);
    const auto package = SaveWorkflow().run(saved, unpack + "/x.nth");
    writeFile(unpack + "/stale.txt", "old");

    ThemeFields theme;
    OpenWorkflow open;
    std::vector<std::string> asked;
    open.confirmEmptying = [&](const std::string& text) {
        asked.push_back(text);
        return true;
    };
    ASSERT_TRUE(open.run(package, root_.path() + "/t", theme));
    EXPECT_EQ(asked, std::vector<std::string>{std::string(kUnpackWarning)});
    EXPECT_TRUE(exists(package));
    EXPECT_FALSE(exists(unpack + "/stale.txt"));
    EXPECT_EQ(theme.picture(kTagWallpaper), "w");
}

TEST_F(WorkflowTest, MemberNamedLikeThePackageInItsUnpackFolderLeavesThePackageIntact) {
    ThemeFields saved;
    saved.setPath(kTagWallpaper, file("w.jpg", "w"));
    saved.setRingtone(file("x.nth", "a ringtone named like the package"));
    const auto unpack = root_.path() + "/t/files";
    platform::createFolders(unpack);
    const auto package = SaveWorkflow().run(saved, unpack + "/x.nth");
    const auto bytes = readFile(package);

    ThemeFields theme;
    OpenWorkflow open;
    open.confirmEmptying = [](const std::string&) { return true; };
    ASSERT_TRUE(open.run(package, root_.path() + "/t", theme));
    EXPECT_EQ(readFile(package), bytes);
    EXPECT_EQ(theme.picture(kTagWallpaper), "w");
    // The member is reported as not opened (and, since nothing was written, as failing its CRC).
    ASSERT_FALSE(open.problems().empty());
    EXPECT_EQ(open.problems()[0].number, 25235);
    for (const auto& problem : open.problems()) EXPECT_EQ(problem.member, "x.nth");
}

TEST_F(WorkflowTest, OpenIntoFolderWithLinkLeavesTheLinkedFolderAlone) {
    ThemeFields saved;
    const auto package = SaveWorkflow().run(saved, folder_ + "/p.nth");
    const auto other = root_.path() + "/precious";
    mkdir(other.c_str(), 0700);
    writeFile(other + "/keep.txt", "keep");
    const auto unpack = root_.path() + "/o/files";
    platform::createFolders(unpack);
    symlink(other.c_str(), (unpack + "/link").c_str());

    ThemeFields theme;
    OpenWorkflow open;
    open.confirmEmptying = [](const std::string&) { return true; };
    ASSERT_TRUE(open.run(package, root_.path() + "/o", theme));
    EXPECT_FALSE(exists(unpack + "/link"));
    EXPECT_EQ(readFile(other + "/keep.txt"), "keep");
}

TEST_F(WorkflowTest, DecliningTheWarningChangesNothing) {
    ThemeFields saved;
    const auto package = SaveWorkflow().run(saved, folder_ + "/p.nth");
    const auto unpack = root_.path() + "/o/files";
    platform::createFolders(unpack);
    writeFile(unpack + "/mine.txt", "mine");

    ThemeFields theme;
    theme.setPath(kTagWallpaper, "/kept.jpg");
    for (bool assigned : {false, true}) {
        OpenWorkflow open;
        if (assigned) open.confirmEmptying = [](const std::string&) { return false; };
        EXPECT_FALSE(open.run(package, root_.path() + "/o", theme));
    }
    EXPECT_EQ(readFile(unpack + "/mine.txt"), "mine");
    EXPECT_FALSE(exists(unpack + "/theme_descriptor.xml"));
    EXPECT_EQ(theme.path(kTagWallpaper), "/kept.jpg");
}

TEST_F(WorkflowTest, FirstFailingReloadKeepsLaterFieldsEmpty) {
    ThemeFields saved;
    saved.setPath(kTagWallpaper, file("w.jpg", "w"));
    saved.setPath(kTagBackground, file("b.jpg", "b"));
    const auto package = SaveWorkflow().run(saved, folder_ + "/p.nth");
    ThemeFields theme([](const std::string& path) -> std::string {
        if (path.ends_with("w.jpg")) throw platform::EFOpenError(path);
        return "ok";
    });
    OpenWorkflow open;
    EXPECT_THROW(open.run(package, root_.path() + "/o", theme), platform::EFOpenError);
    EXPECT_EQ(theme.path(kTagWallpaper), root_.path() + "/o/files/w.jpg");
    EXPECT_EQ(theme.path(kTagBackground), "");
    EXPECT_EQ(theme.previewUpdates, 1);
}

}  // namespace
}  // namespace theme
