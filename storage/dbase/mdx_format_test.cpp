#include "storage/dbase/mdx_format.h"

#include "storage/dbase/ndx_format.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace zv::dbase {
namespace {

std::span<const std::uint8_t> bytesOf(const std::string& s) {
    return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()};
}

MdxImage sampleImage(std::size_t rows) {
    MdxImage image;
    image.dataName = "ADRESY";
    image.year = 2026;
    image.month = 12;
    image.day = 8;
    MdxTag names;
    names.name = "BYJMENO";
    names.keyType = 'C';
    names.keyLength = 30;
    names.expression = "UPPER(JMENO)";
    names.filter = ".NOT.DELETED()";
    MdxTag prices;
    prices.name = "BYCENA";
    prices.keyType = 'N';
    prices.keyLength = 12;
    prices.descending = true;
    prices.unique = true;
    prices.expression = "CENA";
    for (std::uint32_t i = 1; i <= rows; ++i) {
        char key[40];
        std::snprintf(key, sizeof key, "%-30u", i);
        names.entries.push_back({key, i});
        prices.entries.push_back({encodeNumberKey(1000.0 - i), i});
    }
    image.tags = {names, prices};
    return image;
}

TEST(MdxFormatTest, NumberKeysKeepTheirValue) {
    for (double v : {0.0, 1.0, -1.0, 12.5, -0.001, 123456789.25, 1e-7, 99999999999.99}) {
        const std::string k = encodeNumberKey(v);
        ASSERT_EQ(k.size(), 12u);
        EXPECT_DOUBLE_EQ(decodeNumberKey(bytesOf(k)), v) << v;
    }
    const std::string k = encodeNumberKey(123.45);
    EXPECT_EQ(static_cast<std::uint8_t>(k[0]), 0x34 + 3); // three digits before the point
    EXPECT_EQ(static_cast<std::uint8_t>(k[1]), 5 << 2);   // five digits
    EXPECT_EQ(static_cast<std::uint8_t>(k[2]), 0x12);
    EXPECT_EQ(static_cast<std::uint8_t>(k[3]), 0x34);
    EXPECT_EQ(static_cast<std::uint8_t>(k[4]), 0x50);
    EXPECT_EQ(decodeDateKey(bytesOf(encodeDateKey(2451545))), 2451545);
}

TEST(MdxFormatTest, ManyLevelsReadBackInOrder) {
    for (std::size_t rows : {0u, 1u, 29u, 30u, 1000u, 20000u}) {
        const MdxImage image = sampleImage(rows);
        const auto bytes = encodeMdx(image);
        EXPECT_EQ(bytes.size() % mdx::kBlock, 0u);
        EXPECT_EQ(bytes[0], 2);
        EXPECT_EQ(bytes[mdx::kTagTable + mdx::kEntryName], 'B');
        MdxImage back;
        ASSERT_EQ(decodeMdx(bytes, back), Xbase::None) << rows;
        ASSERT_EQ(back.tags.size(), 2u);
        EXPECT_EQ(back.dataName, "ADRESY");
        for (std::size_t t = 0; t < 2; ++t) {
            const MdxTag& a = image.tags[t];
            const MdxTag& b = back.tags[t];
            EXPECT_EQ(b.name, a.name);
            EXPECT_EQ(b.keyType, a.keyType);
            EXPECT_EQ(b.keyLength, a.keyLength);
            EXPECT_EQ(b.descending, a.descending);
            EXPECT_EQ(b.unique, a.unique);
            EXPECT_EQ(b.expression, a.expression);
            EXPECT_EQ(b.filter, a.filter);
            ASSERT_EQ(b.entries.size(), a.entries.size());
            for (std::size_t i = 0; i < a.entries.size(); ++i) {
                EXPECT_EQ(b.entries[i].recno, a.entries[i].recno);
                EXPECT_EQ(b.entries[i].key, a.entries[i].key);
            }
        }
    }
}

TEST(MdxFormatTest, DamagedFilesGiveTheirErrorNeverACrash) {
    const auto good = encodeMdx(sampleImage(700));
    MdxImage out;
    EXPECT_EQ(decodeMdx(std::span(good).first(100), out), Xbase::FileCorrupted);
    auto bad = good;
    bad[mdx::kEntryLengthAt] = 16;
    EXPECT_EQ(decodeMdx(bad, out), Xbase::TagEntryLength);
    bad = good;
    bad[mdx::kBlockBytesAt] = 7;
    EXPECT_EQ(decodeMdx(bad, out), Xbase::InvalidPageSize);
    bad = good;
    bad[mdx::kTagsInUseAt] = 200;
    EXPECT_EQ(decodeMdx(bad, out), Xbase::InvalidTagCount);
    const std::size_t header = 4 * mdx::kPage; // the first tag's header block
    bad = good;
    bad[header + mdx::kKeyType] = 'X';
    EXPECT_EQ(decodeMdx(bad, out), Xbase::InvalidKeyType);
    bad = good;
    bad[header + mdx::kKeyLength] = 0;
    EXPECT_EQ(decodeMdx(bad, out), Xbase::InvalidKeyLength);
    bad = good;
    bad[header + mdx::kRootPage + 2] = 0x7F;
    EXPECT_EQ(decodeMdx(bad, out), Xbase::InvalidRootPage);

    // Random damage and every cut: an error or a whole image, nothing else.
    std::mt19937 rng(30);
    for (int round = 0; round < 3000; ++round) {
        bad = good;
        for (int k = 0; k < 1 + round % 8; ++k)
            bad[rng() % bad.size()] = static_cast<std::uint8_t>(rng());
        (void)decodeMdx(bad, out);
    }
    for (std::size_t cut = 0; cut < good.size(); cut += 97)
        (void)decodeMdx(std::span(good).first(cut), out);
}

TEST(NdxFormatTest, SingleKeyFilesReadBackInOrder) {
    for (std::size_t rows : {0u, 1u, 500u, 9000u}) {
        const MdxImage image = sampleImage(rows);
        for (const MdxTag& tag : image.tags) {
            const auto bytes = encodeNdx(tag);
            EXPECT_EQ(bytes.size() % ndx::kPage, 0u);
            MdxTag back;
            ASSERT_EQ(decodeNdx(bytes, false, back), Xbase::None) << rows;
            EXPECT_EQ(back.keyType, tag.keyType);
            EXPECT_EQ(back.keyLength, tag.keyLength);
            EXPECT_EQ(back.expression, tag.expression);
            ASSERT_EQ(back.entries.size(), tag.entries.size());
            for (std::size_t i = 0; i < tag.entries.size(); ++i) {
                EXPECT_EQ(back.entries[i].recno, tag.entries[i].recno);
                if (tag.keyType == 'N')
                    EXPECT_EQ(decodeNumberKey(bytesOf(back.entries[i].key)),
                              decodeNumberKey(bytesOf(tag.entries[i].key)));
                else
                    EXPECT_EQ(back.entries[i].key, tag.entries[i].key);
            }
        }
    }
    MdxTag days;
    days.name = "BYDATUM";
    days.keyType = 'D';
    days.keyLength = 8;
    days.expression = "DATUM";
    days.entries = {{encodeDateKey(2451545), 3}, {encodeDateKey(2461383), 1}};
    MdxTag back;
    ASSERT_EQ(decodeNdx(encodeNdx(days), true, back), Xbase::None);
    EXPECT_EQ(back.keyType, 'D');
    ASSERT_EQ(back.entries.size(), 2u);
    EXPECT_EQ(decodeDateKey(bytesOf(back.entries[1].key)), 2461383);
}

TEST(NdxFormatTest, DamagedFilesGiveTheirErrorNeverACrash) {
    const auto good = encodeNdx(sampleImage(3000).tags[0]);
    MdxTag out;
    auto bad = good;
    bad[ndx::kKeyType] = 9;
    EXPECT_EQ(decodeNdx(bad, false, out), Xbase::InvalidKeyType);
    bad = good;
    bad[ndx::kRootPage + 3] = 0x10;
    EXPECT_EQ(decodeNdx(bad, false, out), Xbase::InvalidRootPage);
    bad = good;
    bad[ndx::kItemLength] = 2;
    EXPECT_EQ(decodeNdx(bad, false, out), Xbase::ItemLength);
    std::mt19937 rng(31);
    for (int round = 0; round < 3000; ++round) {
        bad = good;
        for (int k = 0; k < 1 + round % 8; ++k)
            bad[rng() % bad.size()] = static_cast<std::uint8_t>(rng());
        (void)decodeNdx(bad, round % 2 == 0, out);
    }
    for (std::size_t cut = 0; cut < good.size(); cut += 61)
        (void)decodeNdx(std::span(good).first(cut), false, out);
}

} // namespace
} // namespace zv::dbase
