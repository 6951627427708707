#include "storage/page_codec.h"

#include "storage/coding.h"
#include "storage/qtf_format.h"

#include <gtest/gtest.h>

#include <random>

namespace zv::storage {
namespace {

std::string rle(const std::string& in, bool* compressed) {
    std::string out;
    *compressed = rleEncode(bytes(in), in.size(), &out);
    return out;
}

TEST(RunLengthTest, RunOf130BytesIsFirstByteAndRepeat129) {
    bool compressed = false;
    std::string out = rle(std::string(130, 'x'), &compressed);
    ASSERT_TRUE(compressed);
    // literal count 1, 'x', repeat 129 (0x81 0x01), final empty literal run
    EXPECT_EQ(out, std::string("\x01x\x81\x01\x00", 5));
}

TEST(RunLengthTest, DataWithoutARunOfFourIsNotCompressed) {
    bool compressed = true;
    std::string out = rle("aaabbbcccaaab", &compressed);
    EXPECT_FALSE(compressed);
    EXPECT_TRUE(out.empty());
}

TEST(RunLengthTest, RoundTripsRandomDataWithRuns) {
    std::mt19937 rng(7);
    for (int trial = 0; trial < 500; ++trial) {
        std::string in;
        int parts = rng() % 20 + 1;
        for (int i = 0; i < parts; ++i) {
            if (rng() % 2)
                in.append(rng() % 300 + 1, static_cast<char>(rng() % 3));
            else
                for (int j = rng() % 10; j > 0; --j)
                    in.push_back(static_cast<char>(rng()));
        }
        bool compressed = false;
        std::string packed = rle(in, &compressed);
        if (!compressed) continue;
        std::string back;
        ASSERT_TRUE(rleDecode(bytes(packed), packed.size(), in.size(), &back));
        EXPECT_EQ(back, in);
    }
}

TEST(RunLengthTest, MalformedStreamsAreRefused) {
    std::string out;
    EXPECT_FALSE(rleDecode(bytes(std::string("\x05"
                                             "ab",
                                             3)),
                           3, 5, &out));                                     // literals cut short
    EXPECT_FALSE(rleDecode(bytes(std::string("\x00\x05", 2)), 2, 5, &out));  // repeat of nothing
    EXPECT_FALSE(rleDecode(bytes(std::string("\x01x\x09", 3)), 3, 5, &out)); // repeat too long
    EXPECT_FALSE(rleDecode(bytes(std::string("\x81\x81\x81\x81\x81\x81", 6)), 6, 5, &out));
}

TEST(RecordEncodingTest, EqualLengthsAndLongCommonPrefixShare63AndOmitLengths) {
    std::string common(70, 'p');
    std::vector<PageRecord> recs = {{common + "a", "12"}, {common + "b", "34"}};
    std::string enc = encodeRecords(recs);
    // first: flags 0xC0, total 73, key length 71, 73 bytes
    ASSERT_EQ(static_cast<std::uint8_t>(enc[0]), 0xC0);
    EXPECT_EQ(getLe16(bytes(enc) + 1), 73);
    EXPECT_EQ(getLe16(bytes(enc) + 3), 71);
    std::size_t second = 5 + 73;
    EXPECT_EQ(static_cast<std::uint8_t>(enc[second]), 63);
    EXPECT_EQ(enc.size(), second + 1 + (73 - 63));
    std::vector<PageRecord> back;
    ASSERT_TRUE(decodeRecords(bytes(enc), enc.size(), 2, &back));
    EXPECT_EQ(back[1].key, common + "b");
    EXPECT_EQ(back[1].payload, "34");
}

TEST(RecordEncodingTest, TruncatedOrOverlongInputIsRefused) {
    std::vector<PageRecord> recs = {{"abc", "1"}, {"abd", "22"}};
    std::string enc = encodeRecords(recs);
    std::vector<PageRecord> back;
    EXPECT_FALSE(decodeRecords(bytes(enc), enc.size() - 1, 2, &back));
    EXPECT_FALSE(decodeRecords(bytes(enc), enc.size(), 3, &back));
    EXPECT_FALSE(decodeRecords(bytes(enc), enc.size(), 1, &back));
}

PageImage leafOf(const std::vector<PageRecord>& recs) {
    PageImage p;
    p.records = recs;
    p.sizeBound = qtf::kPageFixed;
    for (const auto& r : recs)
        p.sizeBound += boundSize(r.key.size(), r.payload.size(), false);
    return p;
}

TEST(PageEncodingTest, PageWithoutRunsIsStoredUncompressedAndPadded) {
    PageImage p = leafOf({{"k1", "abcdefgh"}, {"k2", "ijklmnop"}});
    std::string out;
    ASSERT_TRUE(encodePage(p, 512 + 3 * 256, &out));
    ASSERT_EQ(out.size(), 256u);
    const auto* b = bytes(out);
    EXPECT_EQ(getLe32(b), 512u + 3 * 256);
    EXPECT_EQ(getLe16(b + 4), getLe16(b + 6)); // stored = expanded
    std::size_t stored = getLe16(b + 4);
    for (std::size_t i = stored; i < out.size(); ++i)
        EXPECT_EQ(b[i], 0xB0);
}

TEST(PageEncodingTest, CompressionThatSavesNoUnitIsNotUsed) {
    // A run of 10 saves a few bytes but not a 256-byte unit.
    PageImage p = leafOf({{"key", ""}});
    p.records[0].payload = std::string(10, 'z');
    for (int i = 0; i < 150; ++i)
        p.records[0].payload.push_back(static_cast<char>('a' + i % 26));
    p.sizeBound = qtf::kPageFixed + boundSize(3, p.records[0].payload.size(), false);
    std::string out;
    ASSERT_TRUE(encodePage(p, 512, &out));
    EXPECT_EQ(getLe16(bytes(out) + 4), getLe16(bytes(out) + 6));
}

TEST(PageEncodingTest, CompressedPageRoundTrips) {
    PageImage p = leafOf({{"a", std::string(3000, ' ')}, {"b", std::string(2000, 'x')}});
    std::string out;
    ASSERT_TRUE(encodePage(p, 1024, &out));
    EXPECT_EQ(out.size(), 256u);
    EXPECT_LT(getLe16(bytes(out) + 4), getLe16(bytes(out) + 6));
    PageImage back;
    std::uint32_t own = 0;
    ASSERT_EQ(decodePage(bytes(out), out.size(), &back, &own), PageDecode::Ok);
    EXPECT_EQ(own, 1024u);
    ASSERT_EQ(back.records.size(), 2u);
    EXPECT_EQ(back.records[0].payload, p.records[0].payload);
    EXPECT_EQ(back.records[1].payload, p.records[1].payload);
}

TEST(PageEncodingTest, IndexPageKeepsItsChildTable) {
    PageImage p;
    p.level = 2;
    p.records = {{"alpha", ""}, {"beta", ""}};
    p.children = {7, 42};
    p.sizeBound = 200;
    std::string out;
    ASSERT_TRUE(encodePage(p, 512, &out));
    EXPECT_EQ(getLe32(bytes(out) + 13), 7u);
    EXPECT_EQ(getLe32(bytes(out) + 17), 42u);
    PageImage back;
    std::uint32_t own = 0;
    ASSERT_EQ(decodePage(bytes(out), out.size(), &back, &own), PageDecode::Ok);
    EXPECT_EQ(back.level, 2);
    EXPECT_EQ(back.children, p.children);
}

TEST(PageEncodingTest, ExpandedSizeAboveTheBoundIsRefused) {
    PageImage p = leafOf({{"a", "b"}});
    p.sizeBound = 10;
    std::string out;
    EXPECT_FALSE(encodePage(p, 512, &out));
}

TEST(PageDecodingTest, RandomDamageNeverDecodesOutOfBounds) {
    PageImage p = leafOf({{"a", std::string(300, ' ')}, {"b", "xyz"}, {"c", std::string(50, 'q')}});
    std::string good;
    ASSERT_TRUE(encodePage(p, 512, &good));
    std::mt19937 rng(11);
    for (int i = 0; i < 3000; ++i) {
        std::string bad = good;
        for (int j = rng() % 4 + 1; j > 0; --j)
            bad[rng() % bad.size()] = static_cast<char>(rng());
        PageImage out;
        std::uint32_t own = 0;
        (void)decodePage(bytes(bad), bad.size(), &out, &own);
    }
}

} // namespace
} // namespace zv::storage
