// The tags of one open dBase table, held in memory in their order: compiled key
// and filter expressions, and per tag the sorted entries (key, record number).
// The table keeps them up to date on every add, change and delete and writes
// them out as the production .MDX (see index_file.h); a file read back is
// adopted only where it agrees with the table.
//
// Order of a tag: by key (character keys bytewise, numeric and date keys by
// value), reversed for a descending tag; equal keys by record number.
// One thread at a time, like the table.
#pragma once

#include "storage/dbase/mdx_format.h"
#include "storage/dbase/tag_def.h"
#include "storage/dbase/xbase_expr.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace zv::dbase {

// One index entry: the stored key, its value for numeric and date keys, the row.
struct TagEntry {
    std::string key;
    double value = 0;
    std::uint32_t recno = 0;
};

struct Tag {
    TagDef def;
    char keyType = 'C';
    std::uint16_t keyLength = 0;
    XbaseExpr key;
    XbaseExpr filter; // empty: every row
    std::vector<TagEntry> entries;

    // a < b in the tag's order (record numbers break ties).
    bool less(const TagEntry& a, const TagEntry& b) const;
    // Same key, whatever the record numbers.
    bool sameKey(const TagEntry& a, const TagEntry& b) const;
    // The entry a row gives, false when the filter leaves the row out.
    bool entryFor(std::span<const std::uint8_t> row, std::uint32_t recno, TagEntry& out) const;
    // The entry of a key value taken from a row whatever the filter says.
    TagEntry keyOf(std::span<const std::uint8_t> row, std::uint32_t recno) const;
};

class TagSet {
public:
    // Compiles the keys over the table's columns; an expression that cannot be
    // evaluated gives BadKeyExpression, a key too long InvalidKeyLength.
    [[nodiscard]] Xbase compile(const std::vector<TagDef>& defs,
                                const std::vector<Column>& columns);
    // Adds one more tag.
    [[nodiscard]] Xbase add(const TagDef& def, const std::vector<Column>& columns);
    // Adds the tags of an index file that are not declared (written by another
    // program), so that they are kept up to date too; BadKeyExpression when one
    // cannot be evaluated here.
    [[nodiscard]] Xbase addForeign(const MdxImage& image, const std::vector<Column>& columns);
    bool empty() const { return tags_.empty(); }
    std::size_t size() const { return tags_.size(); }
    const Tag& tag(std::size_t i) const { return tags_[i]; }
    // The tag named so (case does not matter), -1 when there is none.
    int find(std::string_view name) const;

    void clear();
    // Keeps the first n tags.
    void truncate(std::size_t n) {
        if (tags_.size() > n) tags_.resize(n);
    }
    // True when the row would give a unique tag a key another row has already.
    bool duplicates(std::span<const std::uint8_t> row, std::uint32_t recno) const;
    void insert(std::span<const std::uint8_t> row, std::uint32_t recno);
    void remove(std::span<const std::uint8_t> row, std::uint32_t recno);
    // After a batch of inserts made without order (rebuilds); large tags are
    // sorted through work files in the directory (tag_sort.h).
    void append(std::span<const std::uint8_t> row, std::uint32_t recno);
    [[nodiscard]] Xbase sortAll(const std::string& directory);

    // The file image and back. adopt() takes the entries of the image's tags of
    // the same names and false when a tag is missing or disagrees in its shape.
    // image() holds the tags of the .MDX; tagImage() any one tag.
    MdxImage image(const std::string& dataName) const;
    MdxTag tagImage(std::size_t i) const;
    bool hasProduction() const;
    bool adopt(const MdxImage& image);
    bool sameEntries(const TagSet& other) const;

private:
    std::vector<Tag> tags_;
};

} // namespace zv::dbase
