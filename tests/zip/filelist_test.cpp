// The writer's file list: attribute filter, stored names, FileSpec expansion, name setters.
#include <gtest/gtest.h>
#include <unistd.h>

#include "platform/dostime.h"
#include "platform/files.h"
#include "platform/tempfile.h"
#include "tests/zip/zip_test_support.h"
#include "zip/writer.h"

using namespace zip;
using ziptest::writeFile;

TEST(AttributeFilter, NewFilterTakesAnyFile) {
    TAttributeFilter f;
    EXPECT_EQ(f.ftFileAttr(), 2367u);
    EXPECT_TRUE(f.ftAnyFile());
    EXPECT_TRUE(f.ftArchive() && f.ftHidden() && f.ftReadOnly() && f.ftSysFile() && f.ftCompressed() &&
                f.ftDirectory() && f.ftVolumeID() && f.ftTemporary());
}

TEST(AttributeFilter, SettersKeepMaskAndFlagsInStep) {
    TAttributeFilter f;
    f.SetftFileAttr(0x21);  // archive + read-only
    EXPECT_FALSE(f.ftAnyFile());
    EXPECT_EQ(f.ftFileAttr(), 0x21u);
    EXPECT_TRUE(f.ftArchive());
    EXPECT_TRUE(f.ftReadOnly());
    EXPECT_FALSE(f.ftHidden());

    f.SetftHidden(true);
    EXPECT_EQ(f.ftFileAttr(), 0x23u);
    f.SetftFileAttr(0x80);  // "normal" means any file
    EXPECT_TRUE(f.ftAnyFile());
    EXPECT_EQ(f.ftFileAttr(), 2367u);

    f.SetftArchive(false);  // one flag cleared: no longer any file
    EXPECT_FALSE(f.ftAnyFile());
    EXPECT_EQ(f.ftFileAttr(), 0x93Fu - 0x20);
    f.SetftArchive(true);  // all eight equal again
    EXPECT_TRUE(f.ftAnyFile());

    f.SetftAnyFile(false);
    EXPECT_EQ(f.ftFileAttr(), 0x93Fu);  // the flags still all set
}

struct FilterCase {
    const char* label;
    std::uint32_t mask;
    std::uint32_t attr;
    bool accepted;
};

class AttributeFilterAccepts : public testing::TestWithParam<FilterCase> {};

TEST_P(AttributeFilterAccepts, Table) {
    TAttributeFilter f;
    f.SetftFileAttr(GetParam().mask);
    EXPECT_EQ(f.accepts(GetParam().attr), GetParam().accepted);
}

INSTANTIATE_TEST_SUITE_P(Filter, AttributeFilterAccepts,
                         testing::Values(FilterCase{"any_archive", 0, 0x20, true},
                                         FilterCase{"any_readonly", 0, 0x21, true},
                                         FilterCase{"archive_only_plain", 0x20, 0x20, true},
                                         FilterCase{"archive_only_readonly", 0x20, 0x21, false},
                                         FilterCase{"readonly_mask_archive_file", 0x01, 0x21, false},
                                         FilterCase{"no_archive_bit_passes", 0x01, 0x01, true},
                                         FilterCase{"temporary_needs_flag", 0x20, 0x120, false},
                                         FilterCase{"temporary_with_flag", 0x120, 0x120, true},
                                         FilterCase{"all_dos_bits_always", 0x20, 0xBF, true},
                                         FilterCase{"symlink_bit_not_examined", 0x20, 0x400, true}),
                         [](const auto& info) { return std::string(info.param.label); });

struct StoredPathCase {
    const char* label;
    TStoredDirNames mode;
    std::string full, start, stored;
};

class StoredPaths : public testing::TestWithParam<StoredPathCase> {};

TEST_P(StoredPaths, Table) {
    const auto& c = GetParam();
    EXPECT_EQ(storedPath(c.full, c.start, c.mode), c.stored);
}

INSTANTIATE_TEST_SUITE_P(
    Modes, StoredPaths,
    testing::Values(StoredPathCase{"none", sdNone, "/x/start/sub/a.png", "/x/start/", "a.png"},
                    StoredPathCase{"absolute", sdAbsolute, "/x/start/sub/a.png", "/x/start/", "/x/start/sub/a.png"},
                    StoredPathCase{"absolute_nodrive", sdAbsoluteNoDrv, "/x/a:b.png", "/x/", "/x/a:b.png"},
                    StoredPathCase{"relative", sdRelative, "/x/start/sub/a.png", "/x/start/", "sub/a.png"},
                    StoredPathCase{"relative_start", sdRelativeStoreStart, "/x/start/sub/a.png", "/x/start/",
                                   "start/sub/a.png"},
                    StoredPathCase{"relative_start_root", sdRelativeStoreStart, "/a.png", "/", "/a.png"}),
    [](const auto& info) { return std::string(info.param.label); });

namespace {

class Expansion : public testing::Test {
protected:
    Expansion() { writer.StoredDirNames = sdNone; }

    std::string file(const std::string& relative, const std::string& bytes = "data") {
        const std::string path = dir.path() + "/" + relative;
        platform::createFolders(platform::folderPart(path));
        writeFile(path, bytes);
        return path;
    }

    std::vector<std::string> expand(std::vector<std::string> lines) {
        writer.FileSpec = std::move(lines);
        writer.ExpandFileSpec();
        std::vector<std::string> keys;
        for (const TEntry& e : writer.Entries().items())
            keys.push_back(e.Key.substr(dir.path().size() + 1) + "=" + e.StoredName);
        return keys;
    }

    platform::TempFolder dir;
    TZip writer;
};

}  // namespace

TEST_F(Expansion, MissingDuplicateAndSameNameFromTwoFolders) {
    const std::string a = file("one/a.png"), b = file("two/a.png");
    EXPECT_EQ(expand({a, dir.path() + "/missing.png", "", b, a, dir.path() + "/one/../one/a.png"}),
              (std::vector<std::string>{"one/a.png=a.png", "two/a.png=a.png"}));
    const TEntry& entry = writer.Entries().items()[0];
    EXPECT_EQ(entry.State, esNew);
    EXPECT_EQ(entry.Size, 4u);
    EXPECT_EQ(entry.Attributes & 0xFF, 0x20u);
    EXPECT_EQ(entry.DateTime, platform::fileDosDateTime(a));
}

TEST_F(Expansion, PatternSkipsDotFilesAndHonoursExclude) {
    file("p/b.jpg");
    file("p/a.jpg");
    file("p/.hidden.jpg");
    file("p/c.png");
    file("p/skip.jpg");
    writer.ExcludeSpec = {"SKIP.*"};
    EXPECT_EQ(expand({dir.path() + "/p/*.jpg"}), (std::vector<std::string>{"p/a.jpg=a.jpg", "p/b.jpg=b.jpg"}));
}

TEST_F(Expansion, RecurseStoresBareOrRelativeNames) {
    file("r/top.txt");
    file("r/sub/deep.txt");
    file("r/.git/ignored.txt");
    writer.RecurseDirs = true;
    EXPECT_EQ(expand({dir.path() + "/r/*.txt"}),
              (std::vector<std::string>{"r/top.txt=top.txt", "r/sub/deep.txt=deep.txt"}));
    TZip relative;
    relative.RecurseDirs = true;
    relative.StoredDirNames = sdRelativeStoreStart;
    relative.FileSpec = {dir.path() + "/r/*.txt"};
    relative.ExpandFileSpec();
    ASSERT_EQ(relative.Entries().size(), 2u);
    EXPECT_EQ(relative.Entries().items()[1].StoredName, "r/sub/deep.txt");
}

TEST_F(Expansion, HostileLines) {
    const std::string target = file("t/target.bin", "target bytes");
    ASSERT_EQ(::symlink(target.c_str(), (dir.path() + "/t/link.bin").c_str()), 0);
    const std::string longName = dir.path() + "/" + std::string(300, 'n');
    // A folder is a match under the any-file mask; a link is listed under its own name.
    EXPECT_EQ(expand({dir.path() + "/t", dir.path() + "/t/link.bin", longName, dir.path() + "/t/"}),
              (std::vector<std::string>{"t=t", "t/link.bin=link.bin"}));
}

TEST_F(Expansion, CyrillicAndChineseStoredNames) {
    const std::string cyr = file("\xD0\xBE\xD0\xB1\xD0\xBE\xD0\xB8.jpg");
    const std::string chn = file("\xE4\xB8\xBB.png");
    expand({cyr, chn});
    ASSERT_EQ(writer.Entries().size(), 2u);
    EXPECT_EQ(writer.Entries().items()[0].StoredName, "\xAE\xA1\xAE\xA8.jpg");
    EXPECT_FALSE(writer.Entries().items()[0].Utf8Name);
    EXPECT_EQ(writer.Entries().items()[1].StoredName, "\xE4\xB8\xBB.png");
    EXPECT_TRUE(writer.Entries().items()[1].Utf8Name);
}

struct NameRuleCase {
    const char* label;
    std::vector<std::string> defaultExts;  // set in order; "-" sets ArchiveFile in between
    std::string archive;
    std::string expected;
    std::string expectedExt;
};

class NameRules : public testing::TestWithParam<NameRuleCase> {};

TEST_P(NameRules, ArchiveFileAndDefaultExt) {
    const auto& c = GetParam();
    TZip writer;
    EXPECT_EQ(writer.DefaultExt(), ".zip");
    bool archiveSet = false;
    for (const auto& ext : c.defaultExts) {
        if (ext == "-") {
            writer.SetArchiveFile(c.archive);
            archiveSet = true;
        } else {
            writer.SetDefaultExt(ext);
        }
    }
    if (!archiveSet) writer.SetArchiveFile(c.archive);
    EXPECT_EQ(writer.ArchiveFile(), c.expected);
    EXPECT_EQ(writer.DefaultExt(), c.expectedExt);
    EXPECT_EQ(writer.ArcType(), c.expected.empty() ? atNA : atZip);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, NameRules,
    testing::Values(NameRuleCase{"no_extension_gets_nth", {".nth"}, "/t/theme", "/t/theme.nth", ".nth"},
                    NameRuleCase{"zip_keeps_its_extension", {".nth"}, "/t/theme.zip", "/t/theme.zip", ".nth"},
                    NameRuleCase{"dot_in_folder_only", {".nth"}, "/t.d/theme", "/t.d/theme.nth", ".nth"},
                    NameRuleCase{"ext_without_dot_cut_lowered", {"NTHX"}, "/t/a", "/t/a.nth", ".nth"},
                    NameRuleCase{"empty_ext_is_capital_zip", {""}, "/t/a", "/t/a.ZIP", ".ZIP"},
                    NameRuleCase{"ext_change_replaces_previous", {".nth", "-", ".zip"}, "/t/a", "/t/a.zip", ".zip"},
                    NameRuleCase{"ext_change_keeps_other", {".nth", "-", ".zip"}, "/t/a.jpg", "/t/a.jpg", ".zip"},
                    NameRuleCase{"empty_name", {".nth"}, "", "", ".nth"}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(CompressMethodProperty, OnlyStoreAndDeflateAreTaken) {
    TZip writer;
    EXPECT_EQ(writer.CompressMethod(), cmDeflate);
    writer.SetCompressMethod(cmImplode);
    EXPECT_EQ(writer.CompressMethod(), cmDeflate);
    writer.SetCompressMethod(cmStore);
    EXPECT_EQ(writer.CompressMethod(), cmStore);
}
