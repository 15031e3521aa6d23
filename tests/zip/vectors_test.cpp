// The reader on the legacy-method archives: every member extracts with its CRC-32, and the
// members Info-ZIP unzip can extract come out the same.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/tempfile.h"
#include "reader_support.h"
#include "tests/zip/zip_test_support.h"

namespace {

using namespace readertest;

const fs::path kVectors = ziptest::zipVectorsFolder();

std::vector<fs::path> vectorArchives() {
    std::vector<fs::path> archives;
    if (kVectors.empty()) return archives;
    for (const auto& entry : fs::directory_iterator(kVectors)) {
        if (entry.path().filename() != "MANIFEST.txt") archives.push_back(entry.path());
    }
    std::sort(archives.begin(), archives.end());
    return archives;
}

TEST(VectorExtraction, EveryMemberPassesItsCrcAndMatchesInfoZip) {
    const auto archives = vectorArchives();
    if (archives.empty()) GTEST_SKIP() << "no folder of test vectors (set SKARVEL_ZIPVECTORS); skipped";
    const bool haveUnzip = ziptest::haveTool("unzip");
    platform::TempFolder temp("zipvectors");
    std::uint32_t extracted = 0;
    for (const fs::path& archive : archives) {
        SCOPED_TRACE(archive.filename().string());
        const std::string ours = temp.path() + "/ours";
        const Extraction run(archive.string(), ours);
        EXPECT_TRUE(run.problems().empty()) << ::testing::PrintToString(run.problems());
        extracted += run.count;

        // Info-ZIP cannot expand reduced members; where it extracts everything, the trees agree.
        const std::string theirs = temp.path() + "/theirs";
        if (haveUnzip &&
            ziptest::runCommand("unzip -qq -o " + ziptest::quote(archive.string()) + " -d " + ziptest::quote(theirs))
                    .status == 0) {
            const auto expected = readTree(theirs);
            const auto actual = readTree(ours);
            ASSERT_EQ(actual.size(), expected.size());
            auto a = actual.begin();
            for (auto e = expected.begin(); e != expected.end(); ++e, ++a) {
                // Names of the old DOS archives may differ in code page handling; the bytes may not.
                EXPECT_EQ(zip::crc32Of(a->second), zip::crc32Of(e->second)) << a->first;
                EXPECT_EQ(a->second.size(), e->second.size()) << a->first;
            }
        }
        fs::remove_all(ours);
        fs::remove_all(theirs);
    }
    EXPECT_GE(extracted, 290u);
}

}  // namespace
