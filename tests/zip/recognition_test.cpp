// Recognition of ZIP archives: end record search, probes, kinds, chain flags.
#include <gtest/gtest.h>

#include "platform/tempfile.h"
#include "tests/zip/zip_test_support.h"
#include "zip/component.h"
#include "zip/recognition.h"

using namespace zip;
using ziptest::writeFile;

namespace {

template <std::size_t N>
std::string bytesOf(const std::array<std::uint8_t, N>& a) {
    return std::string(reinterpret_cast<const char*>(a.data()), N);
}

// A stored one-member archive built from the records, with an optional archive comment.
std::string oneMemberArchive(const std::string& name, const std::string& data, const std::string& comment = {}) {
    LocalFileHeader local;
    local.method = kMethodStored;
    local.crc32 = crc32Of(data);
    local.compressedSize = local.uncompressedSize = static_cast<std::uint32_t>(data.size());
    local.nameLength = static_cast<std::uint16_t>(name.size());
    std::string out = bytesOf(local.encode()) + name + data;
    const auto centralOffset = static_cast<std::uint32_t>(out.size());
    out += bytesOf(CentralFileHeader::fromLocal(local, 0x20, 0).encode()) + name;
    EndRecord end;
    end.entriesOnDisk = end.totalEntries = 1;
    end.centralDirectorySize = static_cast<std::uint32_t>(out.size()) - centralOffset;
    end.centralDirectoryOffset = centralOffset;
    end.commentLength = static_cast<std::uint16_t>(comment.size());
    return out + bytesOf(end.encode()) + comment;
}

class RecognitionTest : public testing::Test {
protected:
    Recognition recognize(const std::string& bytes, const std::string& name = "a.nth", int bufSize = 2000) {
        const std::string path = dir.path() + "/" + name;
        writeFile(path, bytes);
        return recognizeArchive(path, bufSize);
    }
    platform::TempFolder dir;
};

}  // namespace

TEST_F(RecognitionTest, SoundArchiveIsZipWithFullChain) {
    const std::string archive = oneMemberArchive("a.png", "hello world");
    const Recognition r = recognize(archive);
    EXPECT_EQ(r.arcType, atZip);
    EXPECT_EQ(r.chainFlags, kChainComplete);
    EXPECT_EQ(r.firstRecordOffset, 30u + 5 + 11);
    EXPECT_EQ(r.archiveSize, archive.size());
    EXPECT_EQ(r.endRecord.totalEntries, 1);
    EXPECT_EQ(r.centralHeader.nameLength, 5);
    EXPECT_EQ(r.localHeader.compressedSize, 11u);
}

TEST_F(RecognitionTest, JarNameInAnyCaseGivesAtJar) {
    const std::string archive = oneMemberArchive("a.png", "hello world");
    EXPECT_EQ(recognize(archive, "x.JaR").arcType, atJar);
    EXPECT_EQ(recognize(archive, "x.jar.nth").arcType, atZip);
}

TEST_F(RecognitionTest, ShortFilesAndMissingFilesAreFileOpenErr) {
    EXPECT_EQ(recognize(std::string(19, 'x')).arcType, atFileOpenErr);
    EXPECT_EQ(recognize(std::string("PK\x03\x04", 4) + std::string(15, '\0')).arcType, atFileOpenErr);
    EXPECT_EQ(recognizeArchive(dir.path() + "/missing.nth", 2000).arcType, atFileOpenErr);
    EXPECT_EQ(recognizeArchive(dir.path(), 2000).arcType, atFileOpenErr);  // a folder
    EXPECT_EQ(recognizeArchive("", 2000).arcType, atNA);
}

TEST_F(RecognitionTest, LostTailGivesLocalWalkFromZero) {
    std::string archive = oneMemberArchive("a.png", ziptest::randomBytes(3000));
    archive.resize(30 + 5 + 3000);  // central directory and end record gone
    const Recognition r = recognize(archive);
    EXPECT_EQ(r.arcType, atZip);
    EXPECT_EQ(r.firstRecordOffset, 0u);
    EXPECT_EQ(r.chainFlags, kChainLocalHeader);
}

TEST_F(RecognitionTest, CommentLongerThanWindowHidesTheEndRecord) {
    const std::string archive = oneMemberArchive("a.png", "data", std::string(2100, 'c'));
    Recognition r = recognize(archive, "a.nth", 2000);
    EXPECT_EQ(r.arcType, atZip);
    EXPECT_EQ(r.firstRecordOffset, 0u);
    EXPECT_EQ(r.chainFlags, kChainLocalHeader);
    r = recognize(archive, "a.nth", 4000);
    EXPECT_EQ(r.chainFlags, kChainComplete);
}

TEST_F(RecognitionTest, TextFileIsNoZipKind) {
    const Recognition r = recognize(ziptest::textBytes(5000));
    EXPECT_FALSE(isZipKind(r.arcType));
}

TEST_F(RecognitionTest, CentralOffsetBeyondFileIsNotTrusted) {
    std::string archive = oneMemberArchive("a.png", "hello world");
    // Offset of the start of the central directory lies in the end record at +16.
    archive[archive.size() - 22 + 16] = '\xFF';
    archive[archive.size() - 22 + 19] = '\x7F';
    const Recognition r = recognize(archive);
    EXPECT_EQ(r.arcType, atZip);
    EXPECT_EQ(r.firstRecordOffset, 0u);
    EXPECT_EQ(r.chainFlags & kChainCentralHeader, 0);
    EXPECT_NE(r.chainFlags & kChainLocalHeader, 0);
}

TEST_F(RecognitionTest, StubbedArchiveAndZeroPrefix) {
    const std::string archive = oneMemberArchive("a.png", "hello world");
    Recognition r = recognize(std::string(7612, 'S') + archive);
    EXPECT_EQ(r.arcType, atZipExe);
    EXPECT_EQ(r.firstRecordOffset, 7612u);
    EXPECT_EQ(r.chainFlags, kChainLocalHeader);

    // Leading zeros before a lost-tail archive: the walk starts after them.
    std::string lost = oneMemberArchive("a.png", ziptest::randomBytes(100));
    lost.resize(30 + 5 + 100);
    r = recognize(std::string(7, '\0') + lost);
    EXPECT_EQ(r.arcType, atZip);
    EXPECT_EQ(r.firstRecordOffset, 7u);
    EXPECT_EQ(r.chainFlags, kChainLocalHeader);
}

TEST(EndRecordWindow, ZipCmntBufSizeIsClamped) {
    TArchiveComponent component;
    EXPECT_EQ(component.ZipCmntBufSize(), 0);
    component.SetZipCmntBufSize(5);
    EXPECT_EQ(component.ZipCmntBufSize(), 2000);
    component.SetZipCmntBufSize(100000);
    EXPECT_EQ(component.ZipCmntBufSize(), 32767);
}

TEST_F(RecognitionTest, SettingArchiveFileRunsTheRecognition) {
    const std::string path = dir.path() + "/x.nth";
    writeFile(path, oneMemberArchive("abcde", "12345"));
    TArchiveComponent component;
    component.SetZipCmntBufSize(2000);
    component.SetArchiveFile(path);
    EXPECT_EQ(component.ArcType(), atZip);
    EXPECT_EQ(component.ChainFlags(), kChainComplete);
    EXPECT_EQ(component.FirstRecordOffset(), 30u + 5 + 5);
    component.SetArchiveFile("");
    EXPECT_EQ(component.ArcType(), atNA);
    EXPECT_TRUE(component.ArchiveFile().empty());
}
