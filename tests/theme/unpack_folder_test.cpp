// The unpack folder: naming, the files test and emptying (links never followed, package kept).
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

#include "platform/files.h"
#include "platform/tempfile.h"
#include "support/files.h"
#include "theme/unpack_folder.h"

namespace theme {
namespace {

void writeFile(const std::string& path, const std::string& bytes = "x") { testsupport::writeFile(path, bytes); }

bool exists(const std::string& path) {
    struct stat info;
    return lstat(path.c_str(), &info) == 0;
}

TEST(UnpackFolder, IsTheChosenFolderPlusFiles) {
    EXPECT_EQ(unpackFolderFor("/home/u/themes"), "/home/u/themes/files/");
    EXPECT_EQ(unpackFolderFor("/home/u/themes/"), "/home/u/themes/files/");
    EXPECT_EQ(unpackFolderFor("/"), "/files/");
}

TEST(UnpackFolder, IsCreatedWithItsParents) {
    platform::TempFolder temp;
    const auto folder = unpackFolderFor(temp.path() + "/a/b");
    createUnpackFolder(folder);
    EXPECT_TRUE(platform::folderExists(folder));
}

TEST(UnpackFolder, OnlyNonFoldersMakeItHoldFiles) {
    platform::TempFolder temp;
    const auto folder = temp.path() + "/u";
    EXPECT_FALSE(holdsFiles(folder)) << "missing folder";
    mkdir(folder.c_str(), 0700);
    EXPECT_FALSE(holdsFiles(folder)) << "empty folder";
    mkdir((folder + "/sub").c_str(), 0700);
    writeFile(folder + "/sub/deep.jpg");
    EXPECT_FALSE(holdsFiles(folder)) << "files in a subfolder do not count";
    writeFile(folder + "/.keep");
    EXPECT_TRUE(holdsFiles(folder)) << "a dot file counts";
    unlink((folder + "/.keep").c_str());
    symlink(temp.path().c_str(), (folder + "/link").c_str());
    EXPECT_TRUE(holdsFiles(folder)) << "a link to a folder counts";
}

TEST(UnpackFolder, EmptyingKeepsFoldersDotNamesAndThePackage) {
    platform::TempFolder temp;
    const auto folder = temp.path() + "/files";
    mkdir(folder.c_str(), 0700);
    mkdir((folder + "/sub").c_str(), 0700);
    mkdir((folder + "/.hidden").c_str(), 0700);
    writeFile(folder + "/a.jpg");
    writeFile(folder + "/readonly.jpg");
    chmod((folder + "/readonly.jpg").c_str(), 0400);
    writeFile(folder + "/sub/b.png");
    writeFile(folder + "/.keep");
    writeFile(folder + "/.hidden/c.png");
    writeFile(folder + "/sub/theme.nth");

    emptyFolder(folder, folder + "/sub/../sub/theme.nth");

    EXPECT_FALSE(exists(folder + "/a.jpg"));
    EXPECT_FALSE(exists(folder + "/readonly.jpg"));
    EXPECT_FALSE(exists(folder + "/sub/b.png"));
    EXPECT_TRUE(exists(folder + "/sub"));
    EXPECT_TRUE(exists(folder + "/.keep"));
    EXPECT_TRUE(exists(folder + "/.hidden/c.png"));
    EXPECT_TRUE(exists(folder + "/sub/theme.nth"));
}

TEST(UnpackFolder, EmptyingRemovesLinksNeverTheirTargets) {
    platform::TempFolder temp;
    const auto folder = temp.path() + "/files";
    const auto other = temp.path() + "/other";
    mkdir(folder.c_str(), 0700);
    mkdir(other.c_str(), 0700);
    writeFile(other + "/precious.txt");
    symlink(other.c_str(), (folder + "/to-folder").c_str());
    symlink((other + "/precious.txt").c_str(), (folder + "/to-file").c_str());

    emptyFolder(folder, "");

    EXPECT_FALSE(exists(folder + "/to-folder"));
    EXPECT_FALSE(exists(folder + "/to-file"));
    EXPECT_TRUE(exists(other + "/precious.txt"));
}

TEST(UnpackFolder, PackageReachedThroughAnotherPathIsKept) {
    platform::TempFolder temp;
    const auto folder = temp.path() + "/files";
    mkdir(folder.c_str(), 0700);
    writeFile(folder + "/x.nth");
    ASSERT_EQ(link((folder + "/x.nth").c_str(), (temp.path() + "/hard.nth").c_str()), 0);
    emptyFolder(folder, temp.path() + "/hard.nth");
    EXPECT_TRUE(exists(folder + "/x.nth"));
}

TEST(UnpackFolder, NamesFindTheirFilesIgnoringLetterCase) {
    platform::TempFolder temp;
    const std::string folder = temp.path() + "/";
    for (const char* name : {"photo.png", "a.png", "A.png", "b.PNG", "B.png", "b.png",
                             "\xD1\x84\xD0\xBE\xD1\x82\xD0\xBE.jpg" /* фото.jpg */})
        writeFile(folder + name);
    mkdir((folder + "Sub").c_str(), 0700);
    writeFile(folder + "Sub/Pic.gif");
    const struct {
        std::string src, found;
    } cases[] = {
        {"Photo.PNG", "photo.png"},
        {"A.png", "A.png"},  // an exact match wins
        {"B.PNG", "B.png"},  // of several, the first in byte order
        {"\xD0\xA4\xD0\x9E\xD0\xA2\xD0\x9E.JPG", "\xD1\x84\xD0\xBE\xD1\x82\xD0\xBE.jpg"},  // ФОТО.JPG
        {"sub/PIC.GIF", "Sub/Pic.gif"},
        {"sub/../PHOTO.png", "photo.png"},
        {"missing.png", "missing.png"},  // nothing matches: the name as written
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(findInUnpackFolder(folder, c.src), folder + c.found) << c.src;
    for (const char* outside : {"../x.png", "a/../../x.png", "./..", "sub/../../photo.png"})
        EXPECT_EQ(findInUnpackFolder(folder, outside), std::nullopt) << outside;
}

}  // namespace
}  // namespace theme
