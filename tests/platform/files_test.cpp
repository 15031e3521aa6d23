#include "platform/files.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

#include "platform/dostime.h"
#include "platform/errors.h"
#include "platform/tempfile.h"
#include "support/files.h"

namespace platform {
namespace {

using testsupport::writeFile;

std::vector<std::string> namesOf(const std::vector<FoundFile>& found) {
    std::vector<std::string> names;
    for (const FoundFile& f : found) names.push_back(f.name);
    return names;
}

// A folder holding one entry of every kind the search distinguishes.
class FolderFixture : public testing::Test {
protected:
    void SetUp() override {
        writeFile(at("b.txt"), "hello");
        writeFile(at("a.png"), "png");
        ASSERT_EQ(::chmod(at("a.png").c_str(), 0444), 0);
        writeFile(at("a:b\\c.png"), "");
        writeFile(at(".hidden"), "");
        ASSERT_EQ(::mkdir(at("sub").c_str(), 0755), 0);
        writeFile(at("sub/inner.png"), "");
        ASSERT_EQ(::mkdir(at(".dotdir").c_str(), 0755), 0);
        ASSERT_EQ(::symlink("b.txt", at("link-file").c_str()), 0);
        ASSERT_EQ(::symlink("sub", at("link-dir").c_str()), 0);
    }

    std::string at(const std::string& name) const { return folder_.path() + "/" + name; }
    const std::string& path() const { return folder_.path(); }

private:
    TempFolder folder_;
};

TEST_F(FolderFixture, AttributeWordOfEachKind) {
    const std::pair<const char*, std::uint32_t> cases[] = {
        {"b.txt", 0x20}, {"a.png", 0x21},   {"a:b\\c.png", 0x20}, {".hidden", 0x22},
        {"sub", 0x10},   {".dotdir", 0x12}, {"link-file", 0x400}, {"link-dir", 0x400},
    };
    const auto all = findFiles(path(), "*", 0x93F);
    for (auto [name, attr] : cases) {
        EXPECT_EQ(fileAttributes(at(name)), attr) << name;
        auto it = std::find_if(all.begin(), all.end(), [&](const FoundFile& f) { return f.name == name; });
        ASSERT_NE(it, all.end()) << name;
        EXPECT_EQ(it->attr, attr) << name;
    }
    EXPECT_EQ(fileAttributes(at("missing")), kNoFile);
    EXPECT_EQ(fileAttributes(at("sub") + "/"), 0x10u);
}

TEST_F(FolderFixture, MaskDecidesWhichKindsAreListed) {
    EXPECT_EQ(namesOf(findFiles(path(), "*", 0x93F)),
              (std::vector<std::string>{".dotdir", ".hidden", "a.png", "a:b\\c.png", "b.txt", "link-dir", "link-file",
                                        "sub"}));
    // Plain files only: folders and dot names stay hidden; links are neither.
    EXPECT_EQ(namesOf(findFiles(path(), "*", 0x20)),
              (std::vector<std::string>{"a.png", "a:b\\c.png", "b.txt", "link-dir", "link-file"}));
    EXPECT_EQ(namesOf(findFiles(path(), "*", 0x30)),
              (std::vector<std::string>{"a.png", "a:b\\c.png", "b.txt", "link-dir", "link-file", "sub"}));
    EXPECT_EQ(namesOf(findFiles(path(), "*", 0x02)),
              (std::vector<std::string>{".hidden", "a.png", "a:b\\c.png", "b.txt", "link-dir", "link-file"}));
}

TEST_F(FolderFixture, PatternMatchesNamesAsSpelled) {
    EXPECT_EQ(namesOf(findFiles(path(), "*.png", 0x3F)), (std::vector<std::string>{"a.png", "a:b\\c.png"}));
    EXPECT_EQ(namesOf(findFiles(path(), "?.txt", 0x3F)), (std::vector<std::string>{"b.txt"}));
    EXPECT_TRUE(findFiles(path(), "*.PNG", 0x3F).empty());
    EXPECT_TRUE(findFiles(path() + "/missing", "*", 0x3F).empty());
}

TEST_F(FolderFixture, ReportsSizeAndTimeOfFilesButNotLinkTargets) {
    ASSERT_TRUE(setFileDosDateTime(at("b.txt"), 0x285D645C));
    const auto found = findFiles(path(), "*", 0x3F);
    auto find = [&](const std::string& name) {
        return *std::find_if(found.begin(), found.end(), [&](const FoundFile& f) { return f.name == name; });
    };
    EXPECT_EQ(find("b.txt").size, 5u);
    EXPECT_EQ(find("b.txt").dosTime, 0x285D645Cu);
    EXPECT_EQ(find("b.txt").mtime, fromDosDateTime(0x285D645C));
    EXPECT_EQ(find("link-file").size, 0u);
    EXPECT_EQ(find("sub").size, 0u);
}

TEST_F(FolderFixture, ExistenceChecksFollowLinksExceptIsSymlink) {
    EXPECT_TRUE(fileExists(at("b.txt")));
    EXPECT_TRUE(fileExists(at("link-file")));
    EXPECT_FALSE(fileExists(at("sub")));
    EXPECT_TRUE(folderExists(at("link-dir")));
    EXPECT_FALSE(folderExists(at("b.txt")));
    EXPECT_TRUE(isSymlink(at("link-dir")));
    EXPECT_FALSE(isSymlink(at("sub")));
    EXPECT_FALSE(fileExists(at("missing")));
}

TEST_F(FolderFixture, SetFileAttributesTogglesWritePermission) {
    ASSERT_EQ(::chmod(at("b.txt").c_str(), 0664), 0);
    ASSERT_TRUE(setFileAttributes(at("b.txt"), 0x21));
    struct stat st {};
    ASSERT_EQ(::stat(at("b.txt").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0444u);
    EXPECT_EQ(fileAttributes(at("b.txt")), 0x21u);

    ASSERT_TRUE(setFileAttributes(at("b.txt"), 0x20));
    ASSERT_EQ(::stat(at("b.txt").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0644u);  // only the owner's write permission comes back
    EXPECT_FALSE(setFileAttributes(at("missing"), 0));
}

TEST_F(FolderFixture, DeleteFileRemovesLinksNotTargets) {
    EXPECT_TRUE(deleteFile(at("link-file")));
    EXPECT_FALSE(isSymlink(at("link-file")));
    EXPECT_TRUE(fileExists(at("b.txt")));
    EXPECT_TRUE(deleteFile(at("link-dir")));
    EXPECT_TRUE(fileExists(at("sub/inner.png")));
    EXPECT_FALSE(deleteFile(at("sub")));
    EXPECT_FALSE(deleteFile(at("missing")));
}

// Whole files: a link is followed; folders, FIFOs and missing files are refused without blocking.
TEST_F(FolderFixture, ReadWholeFileReadsRegularFilesOnly) {
    EXPECT_EQ(readWholeFile(at("b.txt")), "hello");
    EXPECT_EQ(readWholeFile(at("link-file")), "hello");
    EXPECT_EQ(readWholeFile(at(".hidden")), "");
    EXPECT_EQ(readWholeFile(at("b.txt"), 5), "hello");
    ASSERT_EQ(::mkfifo(at("fifo").c_str(), 0600), 0);
    for (const char* name : {"sub", "fifo", "missing"}) EXPECT_THROW(readWholeFile(at(name)), EFOpenError) << name;
    try {
        readWholeFile(at("b.txt"), 4);
        FAIL() << "a file over the limit was read";
    } catch (const EFileTooLarge& error) {
        EXPECT_EQ(error.what(), "File is too large: " + at("b.txt"));
    }
}

TEST_F(FolderFixture, CreateFoldersMakesParents) {
    EXPECT_TRUE(createFolders(at("x/y/z")));
    EXPECT_TRUE(folderExists(at("x/y/z")));
    EXPECT_TRUE(createFolders(at("x/y/z")));  // already there
    EXPECT_FALSE(createFolders(at("b.txt/below")));
}

struct MatchCase {
    const char* name;
    const char* pattern;
    bool ignoreCase;
    bool matches;
};

class WildcardMatch : public testing::TestWithParam<MatchCase> {};

TEST_P(WildcardMatch, Matches) {
    const MatchCase& c = GetParam();
    EXPECT_EQ(wildcardMatch(c.name, c.pattern, c.ignoreCase), c.matches) << c.name << " ~ " << c.pattern;
}

INSTANTIATE_TEST_SUITE_P(Cases, WildcardMatch,
                         testing::Values(MatchCase{"abc", "abc", false, true}, MatchCase{"abc", "a?c", false, true},
                                         MatchCase{"abc", "*", false, true}, MatchCase{"", "*", false, true},
                                         MatchCase{"", "", false, true}, MatchCase{"", "?", false, false},
                                         MatchCase{"abc", "ab", false, false}, MatchCase{"ab", "abc", false, false},
                                         MatchCase{"a.b.c", "*.c", false, true}, MatchCase{"abcbc", "*bc", false, true},
                                         MatchCase{"abc", "a**c", false, true},
                                         MatchCase{"mississippi", "m*iss*ppi", false, true},
                                         MatchCase{"mississippi", "m*iss*x", false, false},
                                         MatchCase{"a.png", "*.?ng", false, true},
                                         MatchCase{"ABC", "abc", false, false}, MatchCase{"ABC", "abc", true, true},
                                         MatchCase{"Theme.NTH", "*.nth", true, true},
                                         // Only ASCII letters fold: "Ж" and "ж" stay different.
                                         MatchCase{"\xD0\x96", "\xD0\xB6", true, false},
                                         // Many stars against a long near-miss must finish quickly.
                                         MatchCase{"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa",
                                                   "*a*a*a*a*a*a*a*a*a*a*a*b", false, false}));

struct PathCase {
    const char* path;
    const char* fileName;
    const char* folder;
};

TEST(PathParts, SplitAtTheLastSlashOnly) {
    const PathCase cases[] = {
        {"/a/b/c.png", "c.png", "/a/b/"},
        {"a:b.png", "a:b.png", ""},
        {"dir\\x.png", "dir\\x.png", ""},
        {"/x", "x", "/"},
        {"dir/", "", "dir/"},
        {"", "", ""},
    };
    for (const PathCase& c : cases) {
        EXPECT_EQ(fileNamePart(c.path), c.fileName) << c.path;
        EXPECT_EQ(folderPart(c.path), c.folder) << c.path;
    }
}

TEST(PathParts, AbsolutePathResolvesDotsLexically) {
    const std::pair<const char*, const char*> cases[] = {
        {"/a/./b/../c", "/a/c"}, {"/..", "/"}, {"/a/b/", "/a/b"}, {"/", "/"}, {"//a//b", "/a/b"}, {"/a/b/../..", "/"},
    };
    for (auto [path, expected] : cases) EXPECT_EQ(absolutePath(path), expected) << path;
    const std::string here = currentFolder();
    EXPECT_EQ(absolutePath("x/../y"), absolutePath(here + "/y"));
    EXPECT_EQ(absolutePath("."), here);
}

TEST(PathParts, ProgramFolderHoldsTheRunningExecutable) {
    const std::string folder = programFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.back(), '/');
    EXPECT_TRUE(fileExists(folder + "platform_tests"));
}

}  // namespace
}  // namespace platform
