#include "storage/coding.h"
#include "storage/page_codec.h"
#include "storage/page_entries.h"
#include "storage/qtf_format.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>

namespace zv::storage {
namespace {

constexpr std::size_t kPackFrom = 64;

// A record image as the files hold them: fields of letters padded with blanks
// or zeros to their widths, some runs crossing where the cache's decoder stops
// making bytes whole (63 bytes into a record).
std::string recordImage(std::mt19937& rng, std::size_t size) {
    std::string out;
    while (out.size() < size) {
        const std::size_t used = rng() % 12;
        for (std::size_t i = 0; i < used && out.size() < size; ++i)
            out.push_back(static_cast<char>('a' + rng() % 26));
        const std::size_t pad = rng() % 4 == 0 ? rng() % 4 : rng() % 60;
        out.append(std::min(pad, size - out.size()), rng() % 3 ? ' ' : '\0');
    }
    return out;
}

// Keys in ascending order: padded names (long shared prefixes), short ones,
// and with `prefixKeys` keys that begin the next key, so that a record shares
// bytes of the payload before it.
std::vector<PageRecord> randomRecords(std::mt19937& rng, bool prefixKeys) {
    std::map<std::string, std::string> records;
    const std::size_t count = 1 + rng() % 40;
    while (records.size() < count) {
        std::string key;
        switch (rng() % 3) {
        case 0: // a name padded to its width
            key = std::string(1 + rng() % 3, 'K') + recordImage(rng, 24 + rng() % 80);
            break;
        case 1:
            key = "K" + std::to_string(rng() % 100000);
            break;
        default: // equal bytes across the end of the key
            key = "K" + std::string(rng() % 6, 'q');
            break;
        }
        std::string payload;
        switch (rng() % 5) {
        case 0:
            payload = recordImage(rng, rng() % kPackFrom);
            break;
        case 1: // no run at all, or only after more than 127 other bytes
            for (std::size_t i = 64 + rng() % 200; i > 0; --i)
                payload.push_back(static_cast<char>('a' + i % 7));
            if (payload.size() > 127 && rng() % 2) payload += recordImage(rng, 100);
            break;
        case 4:
            payload = recordImage(rng, 1000 + rng() % 3000);
            break;
        case 2: // beginning with the key's last bytes
            payload = std::string(rng() % 8, 'q') + recordImage(rng, 64 + rng() % 400);
            break;
        default:
            payload = recordImage(rng, 64 + rng() % 800);
            break;
        }
        records[key] = payload;
        if (prefixKeys && rng() % 3 == 0) records[key + payload.substr(0, rng() % 20)] = payload;
    }
    std::vector<PageRecord> out;
    for (auto& [k, v] : records)
        out.push_back({k, v});
    return out;
}

std::string encoded(const std::vector<PageRecord>& records) {
    PageImage page;
    page.records = records;
    page.sizeBound = 0xFFFF;
    std::string out;
    return encodePage(page, 512, &out) ? out : std::string();
}

struct Decoded {
    PageDecode result = PageDecode::Ok;
    std::vector<PageRecord> records; // payloads unpacked
    std::vector<KeptRecord> kept;
    std::vector<std::string> keptBytes;
};

Decoded decodeKept(const std::string& page) {
    Decoded d;
    PageImage image;
    std::uint32_t own = 0;
    d.result =
        decodePageKept(bytes(page), page.size(), &image, &own, kPackFrom, [&](const KeptRecord& r) {
            std::string payload(r.payload);
            if (r.packed && !rleDecode(reinterpret_cast<const std::uint8_t*>(r.payload.data()),
                                       r.payload.size(), r.size, &payload))
                payload = "(does not unpack)";
            d.records.push_back({std::string(r.key), payload});
            d.kept.push_back(r);
            d.keptBytes.emplace_back(r.payload);
            return true;
        });
    return d;
}

TEST(KeptPageDecodingTest, HandsOverThePageRecordsWithLongPayloadsPackedAsRleEncodePacks) {
    std::mt19937 rng(29);
    int pages = 0, packed = 0, sharedPayloads = 0;
    for (int round = 0; round < 600; ++round) {
        const bool prefixKeys = round % 2;
        const std::vector<PageRecord> records = randomRecords(rng, prefixKeys);
        const std::string page = encoded(records);
        if (page.empty()) continue; // more than a page holds
        ++pages;
        const Decoded d = decodeKept(page);
        ASSERT_EQ(d.result, PageDecode::Ok);
        // A page stored as it is hands its payloads over as they are.
        const bool pagePacked = getLe16(bytes(page) + 4) < getLe16(bytes(page) + 6);
        ASSERT_EQ(d.records.size(), records.size());
        for (std::size_t i = 0; i < records.size(); ++i) {
            ASSERT_EQ(d.records[i].key, records[i].key);
            ASSERT_EQ(d.records[i].payload, records[i].payload) << "record " << i;
            const std::string& payload = records[i].payload;
            std::string rle;
            const bool hasRuns = rleEncode(bytes(payload), payload.size(), &rle);
            EXPECT_EQ(d.kept[i].size, payload.size());
            EXPECT_EQ(d.kept[i].packed, pagePacked && payload.size() >= kPackFrom && hasRuns);
            if (i > 0 && records[i].key.starts_with(records[i - 1].key)) ++sharedPayloads;
            // The packing is rleEncode's own to the byte, also where a record
            // shares bytes of the payload before it.
            if (d.kept[i].packed) {
                EXPECT_EQ(d.keptBytes[i], rle) << "record " << i;
            }
            packed += d.kept[i].packed;
        }
    }
    EXPECT_GT(pages, 250);
    EXPECT_GT(packed, 2000);
    EXPECT_GT(sharedPayloads, 50);
}

TEST(KeptPageDecodingTest, DamagedPagesAreRefusedOrReadAsThePageDecoderReadsThem) {
    std::mt19937 rng(31);
    int refused = 0, read = 0;
    for (int round = 0; round < 4000; ++round) {
        std::string page = encoded(randomRecords(rng, round % 2));
        if (page.empty()) continue;
        const std::size_t stored = storedSizeOf(bytes(page));
        for (int j = rng() % 3 + 1; j > 0; --j) {
            // Mostly within the packed records, sometimes the fixed part.
            const std::size_t at = rng() % 8 ? qtf::kPageFixed + rng() % (stored - qtf::kPageFixed)
                                             : rng() % qtf::kPageFixed;
            page[at] = static_cast<char>(rng() % 4 ? rng() : page[at] ^ 1);
        }
        if (rng() % 5 == 0) page.resize(rng() % page.size());
        PageImage reference;
        std::uint32_t own = 0;
        const PageDecode expected = decodePage(bytes(page), page.size(), &reference, &own);
        const Decoded d = decodeKept(page);
        ASSERT_EQ(d.result == PageDecode::Ok, expected == PageDecode::Ok) << "round " << round;
        if (expected != PageDecode::Ok) {
            ++refused;
            continue;
        }
        ++read;
        ASSERT_EQ(d.records.size(), reference.records.size());
        for (std::size_t i = 0; i < d.records.size(); ++i) {
            ASSERT_EQ(d.records[i].key, reference.records[i].key);
            ASSERT_EQ(d.records[i].payload, reference.records[i].payload);
        }
    }
    EXPECT_GT(refused, 1000);
    EXPECT_GT(read, 100);
}

// The page a cached leaf makes, as encodePage makes it from the records.
bool encodedFromRecords(const PageEntries& entries, std::string* out) {
    std::vector<std::string> room(2 * entries.size());
    PageView view;
    view.sizeBound = 0xFFFF;
    for (std::size_t i = 0; i < entries.size(); ++i)
        view.records.push_back(
            {entries.key(i, &room[2 * i]), entries.payloadView(i, &room[2 * i + 1])});
    return encodePage(view, 512, out);
}

TEST(KeptPageEncodingTest, ALeafIsWrittenByteForByteAsEncodePageWritesItsRecords) {
    std::mt19937 rng(37);
    int done = 0, unpacked = 0, tooLarge = 0;
    for (int round = 0; round < 1500; ++round) {
        PageEntries entries;
        for (const PageRecord& r : randomRecords(rng, round % 2))
            entries.append(r.key, r.payload, 0);
        std::string expected, kept;
        const bool encodes = encodedFromRecords(entries, &expected);
        switch (encodeKeptLeaf(entries, 0xFFFF, 512, &kept)) {
        case KeptEncode::Done:
            ++done;
            ASSERT_TRUE(encodes);
            ASSERT_EQ(kept, expected) << "round " << round;
            break;
        case KeptEncode::Unpacked:
            // Only pages without packed payloads, or stored as they are.
            ++unpacked;
            if (encodes && getLe16(bytes(expected) + 4) < getLe16(bytes(expected) + 6)) {
                for (std::size_t i = 0; i < entries.size(); ++i) {
                    bool packed = false;
                    entries.keptPayload(i, &packed);
                    ASSERT_FALSE(packed) << "round " << round;
                }
            }
            break;
        case KeptEncode::TooLarge:
            ++tooLarge;
            ASSERT_FALSE(encodes);
            break;
        }
    }
    EXPECT_GT(done, 500);
    EXPECT_GT(unpacked, 20);
    EXPECT_GT(tooLarge, 20);
}

} // namespace
} // namespace zv::storage
