// The member decoders, fed in blocks of several sizes, on the legacy-method test archives and on
// deflate streams made here.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "tests/zip/zip_test_support.h"
#include "zip/decoders/decoder.h"
#include "zip/decoders/inflate_errors.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

const fs::path kVectors = ziptest::zipVectorsFolder();

Bytes readFile(const fs::path& path) {
    const std::string bytes = ziptest::readFile(path);
    return Bytes(bytes.begin(), bytes.end());
}

std::uint32_t get16(const Bytes& b, std::size_t at) { return b.at(at) | b.at(at + 1) << 8; }
std::uint32_t get32(const Bytes& b, std::size_t at) { return get16(b, at) | get16(b, at + 2) << 16; }

// A member as the central directory lists it, with the offset of its data.
struct Member {
    std::string name;
    int method;
    std::uint16_t flags;
    std::uint32_t crc;
    std::uint32_t compressedSize;
    std::uint32_t size;
    std::size_t dataOffset;
};

// Just enough of a reader for the test vectors: end record, central headers, local headers.
std::vector<Member> listMembers(const Bytes& archive) {
    std::size_t end = archive.size() - 22;
    while (end > 0 && get32(archive, end) != 0x06054B50) --end;
    std::vector<Member> members;
    std::size_t at = get32(archive, end + 16);
    for (std::uint32_t i = 0; i < get16(archive, end + 10); ++i) {
        EXPECT_EQ(get32(archive, at), 0x02014B50u);
        Member m;
        m.flags = static_cast<std::uint16_t>(get16(archive, at + 8));
        m.method = static_cast<int>(get16(archive, at + 10));
        m.crc = get32(archive, at + 16);
        m.compressedSize = get32(archive, at + 20);
        m.size = get32(archive, at + 24);
        const std::size_t nameLength = get16(archive, at + 28);
        m.name.assign(archive.begin() + at + 46, archive.begin() + at + 46 + nameLength);
        const std::size_t local = get32(archive, at + 42);
        m.dataOffset = local + 30 + get16(archive, local + 26) + get16(archive, local + 28);
        at += 46 + nameLength + get16(archive, at + 30) + get16(archive, at + 32);
        members.push_back(m);
    }
    return members;
}

struct Collect : zip::OutputSink {
    Bytes data;
    std::size_t largestBlock = 0;
    void write(const std::uint8_t* bytes, std::size_t size) override {
        data.insert(data.end(), bytes, bytes + size);
        largestBlock = std::max(largestBlock, size);
    }
};

struct Result {
    zip::DecodeStatus status;
    Bytes data;
    bool surplus;
    int error;
};

// Feeds `input` in blocks of `block` bytes, as the reader does.
Result decode(int method, std::uint16_t flags, std::uint64_t limit, const std::uint8_t* input, std::size_t size,
              std::size_t block) {
    Collect sink;
    auto decoder = zip::makeDecoder(method, flags, limit, sink);
    EXPECT_NE(decoder, nullptr);
    zip::DecodeStatus status = zip::DecodeStatus::NeedInput;
    std::size_t at = 0;
    do {
        const std::size_t n = std::min(block, size - at);
        status = decoder->feed({input + at, n}, at + n == size);
        at += n;
    } while (status == zip::DecodeStatus::NeedInput && at < size);
    if (status == zip::DecodeStatus::NeedInput) status = decoder->feed({}, true);
    EXPECT_LE(sink.largestBlock, zip::kOutputBlock);
    EXPECT_EQ(decoder->produced(), sink.data.size());
    return {status, sink.data, decoder->surplus(), decoder->errorNumber()};
}

std::uint32_t crcOf(const Bytes& data) {
    return static_cast<std::uint32_t>(crc32(0, data.data(), static_cast<uInt>(data.size())));
}

// Info-ZIP unzip's bytes of every member, one after the other in directory order.
bool peerBytes(const fs::path& archive, Bytes& out) {
    const auto run = ziptest::runCommand("unzip -p " + ziptest::quote(archive), testsupport::StandardError::Dropped);
    out.assign(run.output.begin(), run.output.end());
    return run.status == 0;
}

class VectorArchives : public ::testing::Test {
protected:
    void SetUp() override {
        if (kVectors.empty()) GTEST_SKIP() << "no folder of test vectors (set SKARVEL_ZIPVECTORS); skipped";
    }
};

// The state machines give the same result whatever the block boundaries.
TEST_F(VectorArchives, BlockSizesDoNotMatter) {
    for (const char* name : {"zip2_legacy_shrink.zip", "zip2_legacy_reduce.zip", "zip2_legacy_implode.zip",
                             "commons-compress_imploding-4Kdict-2trees.zip", "defacto2-archive_expand_example-r.zip"}) {
        const Bytes archive = readFile(kVectors / name);
        for (const Member& m : listMembers(archive)) {
            for (std::size_t block : {std::size_t{1}, std::size_t{5}, std::size_t{509}}) {
                SCOPED_TRACE(std::string(name) + " block " + std::to_string(block));
                const Result r =
                    decode(m.method, m.flags, m.size, archive.data() + m.dataOffset, m.compressedSize, block);
                EXPECT_EQ(r.data.size(), m.size);
                EXPECT_EQ(crcOf(r.data), m.crc);
            }
        }
    }
}

// Shrunk and imploded members give the bytes that Info-ZIP unzip gives.
TEST_F(VectorArchives, SameBytesAsInfoZip) {
    if (!ziptest::haveTool("unzip")) GTEST_SKIP() << "Info-ZIP unzip not installed; skipped";
    for (const char* name : {"commons-compress_SHRUNK.ZIP", "commons-compress_imploding-8Kdict-3trees.zip",
                             "sharpcompress_Zip.implode.zip", "defacto2-archive_HWSHRINK.ZIP"}) {
        SCOPED_TRACE(name);
        const Bytes archive = readFile(kVectors / name);
        Bytes ours;
        for (const Member& m : listMembers(archive)) {
            const Result r = decode(m.method, m.flags, m.size, archive.data() + m.dataOffset, m.compressedSize, 32768);
            ours.insert(ours.end(), r.data.begin(), r.data.end());
        }
        Bytes expected;
        ASSERT_TRUE(peerBytes(kVectors / name, expected));
        EXPECT_EQ(ours, expected);
    }
}

// A raw deflate stream of `data`; with `flushAt` the stream is flushed to a byte boundary after that
// many input bytes and `flushOffset` receives where the next block begins.
Bytes deflateRaw(const Bytes& data, std::size_t flushAt = 0, std::size_t* flushOffset = nullptr) {
    z_stream s{};
    deflateInit2(&s, 9, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
    Bytes out(deflateBound(&s, data.size()) + 64);
    s.next_in = const_cast<Bytef*>(data.data());
    s.next_out = out.data();
    s.avail_out = static_cast<uInt>(out.size());
    if (flushAt > 0) {
        s.avail_in = static_cast<uInt>(flushAt);
        deflate(&s, Z_FULL_FLUSH);
        *flushOffset = s.total_out;
    }
    s.avail_in = static_cast<uInt>(data.size() - flushAt);
    deflate(&s, Z_FINISH);
    out.resize(s.total_out);
    deflateEnd(&s);
    return out;
}

Bytes sampleText(std::size_t size) {
    std::mt19937 random(7);
    Bytes data(size);
    for (auto& b : data) b = static_cast<std::uint8_t>("abcdefgh \n"[random() % 10]);
    return data;
}

TEST(Inflate, StopsAtTheDeclaredSizeAndNotesSurplus) {
    const Bytes data = sampleText(200000);
    const Bytes packed = deflateRaw(data);
    const Result whole = decode(8, 0, data.size(), packed.data(), packed.size(), 32768);
    EXPECT_EQ(whole.status, zip::DecodeStatus::Done);
    EXPECT_EQ(whole.data, data);
    EXPECT_FALSE(whole.surplus);

    const Result cut = decode(8, 0, 1024, packed.data(), packed.size(), 32768);
    EXPECT_EQ(cut.status, zip::DecodeStatus::Done);
    EXPECT_EQ(cut.data, Bytes(data.begin(), data.begin() + 1024));
    EXPECT_TRUE(cut.surplus);
}

TEST(Inflate, DamageKeepsTheBytesDecodedBefore) {
    const Bytes data = sampleText(300000);
    std::size_t damage = 0;
    Bytes packed = deflateRaw(data, 150000, &damage);
    packed.at(damage) |= 0x06;  // block type 3 does not exist
    const Result r = decode(8, 0, data.size(), packed.data(), packed.size(), 32768);
    EXPECT_EQ(r.status, zip::DecodeStatus::Error);
    EXPECT_EQ(r.error, zip::kMsgBadBlock);
    EXPECT_EQ(r.data, Bytes(data.begin(), data.begin() + 150000));
}

// Each row of the zlib error table, met by a raw deflate stream that makes zlib fail that way.
TEST(Inflate, ZlibErrorsMapThroughTheTable) {
    struct Case {
        const char* zlibMessage;
        Bytes stream;
        int number;
    };
    const std::vector<Case> cases = {
        {"invalid code lengths set", {0x05, 0x00, 0x92, 0x00, 0x00, 0x00}, zip::kMsgIncompleteCodeSet},
        {"invalid bit length repeat", {0x05, 0x00, 0x12, 0x00, 0x00}, zip::kMsgIncompleteCodeSet},
        {"invalid literal/lengths set",
         {0x05, 0xc0, 0x01, 0x09, 0x00, 0x00, 0x00, 0x00, 0x10, 0xfe, 0x9f, 0x06, 0x00, 0x00},
         zip::kMsgIncompleteCodeSet},
        {"invalid distances set",
         {0x05, 0xc2, 0x01, 0x09, 0x00, 0x00, 0x00, 0x00, 0x10, 0xff, 0x57, 0x03, 0x00, 0x00},
         zip::kMsgIncompleteCodeSet},
        {"invalid stored block lengths", {0x01, 0x01, 0x00, 0x00, 0x00}, zip::kMsgBadLengths},
        {"too many length or distance symbols", {0xF5, 0x00, 0x00, 0x00}, zip::kMsgBadLengths},
        {"invalid block type", {0x07, 0x00}, zip::kMsgBadBlock},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.zlibMessage);
        z_stream z{};
        ASSERT_EQ(inflateInit2(&z, -MAX_WBITS), Z_OK);
        Bytes in = c.stream, out(64);
        z.next_in = in.data();
        z.avail_in = static_cast<uInt>(in.size());
        z.next_out = out.data();
        z.avail_out = static_cast<uInt>(out.size());
        EXPECT_EQ(inflate(&z, Z_NO_FLUSH), Z_DATA_ERROR);
        EXPECT_STREQ(z.msg, c.zlibMessage);  // the stream really meets this row
        inflateEnd(&z);
        const Result r = decode(8, 0, 100, c.stream.data(), c.stream.size(), 3);
        EXPECT_EQ(r.status, zip::DecodeStatus::Error);
        EXPECT_EQ(r.error, c.number);
        EXPECT_EQ(zip::messageForZlibError(Z_DATA_ERROR, c.zlibMessage), c.number);
    }
    // Rows without a stream to meet them: out of memory whatever the text; a code without a row.
    EXPECT_EQ(zip::messageForZlibError(Z_MEM_ERROR, nullptr), zip::kMsgOutOfMemory);
    EXPECT_EQ(zip::messageForZlibError(Z_DATA_ERROR, nullptr), zip::kMsgBadBlock);
    EXPECT_EQ(zip::messageForZlibError(Z_STREAM_ERROR, "invalid stored block lengths"), zip::kMsgBadBlock);
    // Every row of the table is one of the cases above (or the out-of-memory row).
    for (const zip::ZlibErrorRow& row : zip::zlibErrorTable()) {
        const bool covered = row.message == nullptr || std::any_of(cases.begin(), cases.end(), [&](const Case& c) {
                                 return std::strcmp(c.zlibMessage, row.message) == 0;
                             });
        EXPECT_TRUE(covered) << row.message;
    }
}

TEST(Inflate, TruncatedInputEndsWithThePrefix) {
    const Bytes data = sampleText(100000);
    const Bytes packed = deflateRaw(data);
    const Result r = decode(8, 0, data.size(), packed.data(), packed.size() / 2, 4096);
    EXPECT_EQ(r.status, zip::DecodeStatus::Done);
    EXPECT_LT(r.data.size(), data.size());
    EXPECT_TRUE(std::equal(r.data.begin(), r.data.end(), data.begin()));
}

TEST(Stored, CopiesExactlyTheDeclaredSize) {
    const Bytes data = sampleText(70000);
    EXPECT_EQ(decode(0, 0, data.size(), data.data(), data.size(), 1000).data, data);
    EXPECT_EQ(decode(0, 0, 10, data.data(), data.size(), 1000).data, Bytes(data.begin(), data.begin() + 10));
    EXPECT_EQ(decode(0, 0, 5000, data.data(), 100, 1000).data.size(), 100u);
}

TEST(Decoders, UnknownMethodsHaveNone) {
    Collect sink;
    for (int method : {7, 9, 12, 14, 99}) EXPECT_EQ(zip::makeDecoder(method, 0, 10, sink), nullptr) << method;
}

// Garbage never makes a legacy decoder produce more than its limit or fail to end.
TEST(Decoders, GarbageStaysWithinTheLimit) {
    std::mt19937 random(11);
    Bytes noise(20000);
    for (auto& b : noise) b = static_cast<std::uint8_t>(random());
    for (int method : {1, 2, 3, 4, 5, 6, 8}) {
        for (std::uint16_t flags : {0, 2, 4, 6}) {
            const Result r = decode(method, flags, 50000, noise.data(), noise.size(), 3000);
            EXPECT_LE(r.data.size(), 50000u) << method;
            EXPECT_NE(r.status, zip::DecodeStatus::NeedInput);
        }
    }
}

}  // namespace
