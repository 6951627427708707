#include "storage/dbase/tag_sort.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>

namespace zv::dbase {
namespace {

namespace fs = std::filesystem;

TEST(TagSortTest, RunsThroughWorkFilesGiveTheTagsOrderAndAreRemoved) {
    const fs::path dir = fs::temp_directory_path() / ("zv_tag_sort_" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    Tag tag;
    tag.keyType = 'N';
    tag.keyLength = 12;
    tag.def.descending = true;
    std::mt19937 rng(12);
    for (std::uint32_t n = 1; n <= 2345; ++n) {
        const double v = static_cast<double>(rng() % 300);
        tag.entries.push_back({encodeNumberKey(v), v, n});
    }
    auto expected = tag.entries;
    std::sort(expected.begin(), expected.end(),
              [&](const TagEntry& a, const TagEntry& b) { return tag.less(a, b); });
    ASSERT_EQ(sortTagEntries(tag, dir.string() + "/", 100), Xbase::None);
    ASSERT_EQ(tag.entries.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(tag.entries[i].recno, expected[i].recno);
        EXPECT_EQ(tag.entries[i].key, expected[i].key);
        EXPECT_EQ(tag.entries[i].value, expected[i].value);
    }
    EXPECT_TRUE(fs::is_empty(dir)); // STKS0.TMP .. STKS23.TMP are gone

    // A directory that cannot take the work files: sorted in memory, the error told.
    std::shuffle(tag.entries.begin(), tag.entries.end(), rng);
    EXPECT_EQ(sortTagEntries(tag, (dir / "none" / "").string(), 100), Xbase::FileWrite);
    for (std::size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(tag.entries[i].recno, expected[i].recno);
    fs::remove_all(dir);
}

} // namespace
} // namespace zv::dbase
