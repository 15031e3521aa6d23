#include "platform/tempfile.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "platform/errors.h"
#include "platform/files.h"
#include "support/files.h"

namespace platform {
namespace {

using testsupport::readFile;
using testsupport::writeFile;

TEST(TempFile, TempFolderFollowsTmpdir) {
    const char* old = std::getenv("TMPDIR");
    const std::string saved = old ? old : "";
    setenv("TMPDIR", "/some/where/", 1);
    EXPECT_EQ(tempFolder(), "/some/where");
    unsetenv("TMPDIR");
    EXPECT_EQ(tempFolder(), "/tmp");
    if (old) setenv("TMPDIR", saved.c_str(), 1);
}

TEST(TempFile, CreatesDistinctEmptyFilesWithThePrefix) {
    TempFolder folder;
    const std::string first = createTempFile("oxr", folder.path());
    const std::string second = createTempFile("oxr", folder.path() + "/");
    EXPECT_NE(first, second);
    for (const std::string& path : {first, second}) {
        EXPECT_EQ(folderPart(path), folder.path() + "/");
        EXPECT_EQ(fileNamePart(path).rfind("oxr", 0), 0u) << path;
        EXPECT_TRUE(fileExists(path));
        EXPECT_EQ(readFile(path), "");
    }
    EXPECT_THROW(createTempFile("oxr", folder.path() + "/missing"), EFCreateError);
}

TEST(TempFile, TempFolderIsPrivate) {
    TempFolder folder("skarvel-test");
    struct stat st {};
    ASSERT_EQ(::stat(folder.path().c_str(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    EXPECT_EQ(st.st_mode & 0777, 0700u);
}

TEST(MoveFile, ReplacesTheTarget) {
    TempFolder folder;
    const std::string from = folder.path() + "/new", to = folder.path() + "/old";
    writeFile(from, "new content");
    writeFile(to, "old");
    ASSERT_TRUE(moveFile(from, to));
    EXPECT_EQ(readFile(to), "new content");
    EXPECT_FALSE(fileExists(from));
}

TEST(MoveFile, FailureLeavesBothSidesAlone) {
    TempFolder folder;
    const std::string from = folder.path() + "/source", to = folder.path() + "/target";
    writeFile(to, "target");
    EXPECT_FALSE(moveFile(folder.path() + "/missing", to));
    EXPECT_EQ(readFile(to), "target");
    writeFile(from, "source");
    EXPECT_FALSE(moveFile(from, folder.path() + "/no/such/folder/target"));
    EXPECT_EQ(readFile(from), "source");
}

mode_t modeOf(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

TEST(ReplaceFile, KeepsTheModeOfTheFileItReplaces) {
    TempFolder folder;
    const std::string from = folder.path() + "/finished", to = folder.path() + "/theme.nth";
    writeFile(from, "new");
    writeFile(to, "old");
    ASSERT_EQ(::chmod(from.c_str(), 0600), 0);
    ASSERT_EQ(::chmod(to.c_str(), 0640), 0);
    ASSERT_TRUE(replaceFile(from, to));
    EXPECT_EQ(readFile(to), "new");
    EXPECT_EQ(modeOf(to), 0640u);
    EXPECT_EQ(findFiles(folder.path(), "*", 0x3F).size(), 1u);
}

TEST(ReplaceFile, NewFileGetsWhatTheUmaskAllows) {
    TempFolder folder;
    const std::string from = folder.path() + "/finished", to = folder.path() + "/theme.nth";
    writeFile(from, "new");
    ASSERT_EQ(::chmod(from.c_str(), 0600), 0);
    const mode_t previous = ::umask(027);
    const bool replaced = replaceFile(from, to);
    ::umask(previous);
    ASSERT_TRUE(replaced);
    EXPECT_EQ(modeOf(to), 0640u);
}

TEST(ReplaceFile, FailureLeavesTheOldFile) {
    TempFolder folder;
    const std::string to = folder.path() + "/theme.nth";
    writeFile(to, "old");
    ASSERT_EQ(::chmod(to.c_str(), 0640), 0);
    EXPECT_FALSE(replaceFile(folder.path() + "/missing", to));
    // A folder in the way cannot be replaced by a file.
    const std::string from = folder.path() + "/finished", busy = folder.path() + "/busy";
    writeFile(from, "new");
    ASSERT_TRUE(createFolders(busy + "/inside"));
    EXPECT_FALSE(replaceFile(from, busy));
    EXPECT_TRUE(folderExists(busy + "/inside"));
    EXPECT_EQ(readFile(from), "new");
    EXPECT_EQ(readFile(to), "old");
    EXPECT_EQ(modeOf(to), 0640u);
}

// /dev/shm is a separate file system on most Linux machines; rename() fails there with EXDEV.
class MoveAcrossFileSystems : public testing::Test {
protected:
    void SetUp() override {
        std::string path = "/dev/shm/skarvel-XXXXXX";
        if (!::mkdtemp(path.data())) GTEST_SKIP() << "no /dev/shm";
        other_ = path;
        struct stat a {
        }, b{};
        ::stat(other_.c_str(), &a);
        ::stat(local_.path().c_str(), &b);
        if (a.st_dev == b.st_dev) GTEST_SKIP() << "/dev/shm is on the same file system";
    }
    void TearDown() override {
        if (!other_.empty()) removeTree(other_);
    }

    TempFolder local_;
    std::string other_;
};

TEST_F(MoveAcrossFileSystems, CopiesThenRemovesTheSource) {
    const std::string from = other_ + "/archive.tmp", to = local_.path() + "/theme.nth";
    std::string content(300000, '\0');
    for (std::size_t i = 0; i < content.size(); ++i) content[i] = static_cast<char>(i * 7);
    writeFile(from, content);
    ASSERT_EQ(::chmod(from.c_str(), 0640), 0);
    writeFile(to, "old");
    ASSERT_TRUE(moveFile(from, to));
    EXPECT_EQ(readFile(to), content);
    EXPECT_FALSE(fileExists(from));
    struct stat st {};
    ASSERT_EQ(::stat(to.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_EQ(findFiles(local_.path(), "*", 0x3F).size(), 1u) << "no temporary copy left behind";
}

TEST_F(MoveAcrossFileSystems, FailureLeavesSourceInPlace) {
    const std::string from = other_ + "/archive.tmp";
    writeFile(from, "data");
    EXPECT_FALSE(moveFile(from, local_.path() + "/missing/theme.nth"));
    EXPECT_EQ(readFile(from), "data");
}

TEST_F(MoveAcrossFileSystems, ReplaceKeepsTheOldModeAndLeavesNoCopy) {
    const std::string from = other_ + "/archive.tmp", to = local_.path() + "/theme.nth";
    writeFile(from, "new content");
    ASSERT_EQ(::chmod(from.c_str(), 0600), 0);
    writeFile(to, "old");
    ASSERT_EQ(::chmod(to.c_str(), 0604), 0);
    ASSERT_TRUE(replaceFile(from, to));
    EXPECT_EQ(readFile(to), "new content");
    EXPECT_EQ(modeOf(to), 0604u);
    EXPECT_FALSE(fileExists(from));
    EXPECT_EQ(findFiles(local_.path(), "*", 0x3F).size(), 1u) << "no temporary copy left behind";
}

// A copy that fails half way (the file size limit stops the write) leaves the old file as it was
// and no temporary copy beside it.
TEST_F(MoveAcrossFileSystems, ReplaceFailingMidCopyLeavesTheOldFile) {
    const std::string from = other_ + "/archive.tmp", to = local_.path() + "/theme.nth";
    writeFile(from, std::string(200000, 'n'));
    writeFile(to, "old");
    ASSERT_EQ(::chmod(to.c_str(), 0640), 0);
    const auto previousSignal = std::signal(SIGXFSZ, SIG_IGN);
    rlimit previous{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &previous), 0);
    rlimit small = previous;
    small.rlim_cur = 1000;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool replaced = replaceFile(from, to);
    ::setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, previousSignal);
    EXPECT_FALSE(replaced);
    EXPECT_EQ(readFile(to), "old");
    EXPECT_EQ(modeOf(to), 0640u);
    EXPECT_EQ(readFile(from).size(), 200000u) << "the finished file stays for the caller";
    EXPECT_EQ(findFiles(local_.path(), "*", 0x3F).size(), 1u) << "no temporary copy left behind";
}

TEST(RemoveTree, RemovesEverythingButNeverFollowsLinks) {
    TempFolder outside;
    writeFile(outside.path() + "/keep.txt", "keep");
    const std::string root = createTempFolder("skarvel-tree");
    ASSERT_TRUE(createFolders(root + "/a/b"));
    writeFile(root + "/a/b/file", "x");
    writeFile(root + "/readonly", "x");
    ASSERT_EQ(::chmod((root + "/readonly").c_str(), 0444), 0);
    ASSERT_EQ(::chmod((root + "/a/b").c_str(), 0500), 0);
    ASSERT_EQ(::symlink(outside.path().c_str(), (root + "/link").c_str()), 0);

    removeTree(root);
    EXPECT_FALSE(folderExists(root));
    EXPECT_EQ(readFile(outside.path() + "/keep.txt"), "keep");
    removeTree(root);  // a missing tree is no error
}

}  // namespace
}  // namespace platform
