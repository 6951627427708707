// How a table declaration becomes dBase columns, and how a record buffer and its
// memos turn into a row and back.
//
// One column per declared field in declaration order; groups and fields that
// overlay others give none. The column is named by the field's name after its
// last ":", and a name may carry a type override after "=" ("=C", "=D", "=L",
// "=M", "=N" or "=F" with an optional "(width)" or "(width,decimals)").
// Without an override: BYTE -> L, DATE -> D, LONG -> M (the LONG holds the memo's
// block number), REAL -> N(9,2), STRING with a date picture -> D, with a number
// picture -> N of the picture's shape, named as a memo -> M (the STRING holds the
// block number as text), any other STRING -> C; every other type is refused.
//
// Memo columns pair with the declared memos: a memo of the same name first, else
// the first memo not yet paired, in declaration order.
#pragma once

#include "platform/dates/picture.h"
#include "storage/dbase/calendar.h"
#include "storage/dbase/dbf_format.h"
#include "storage/declaration.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace zv::dbase {

inline constexpr const char* kLongWithoutMemo =
    "You have a field of type LONG with no matching memo";

// Where a column's value lives in the record buffer and how it is converted.
enum class Source : std::uint8_t {
    Text,         // text field <-> C
    Raw,          // the bytes of a non-text field <-> C ("=C")
    Logical,      // integer field <-> L (0 = F)
    LogicalText,  // text field <-> L (T/Y/1 = T, F/N/0 = F, else ?)
    Number,       // binary number field <-> N/F
    NumberText,   // text field holding a number <-> N/F
    DateCalendar, // DATE field <-> D
    DateStandard, // LONG holding a standard date <-> D ("=D")
    DateText,     // text field holding YYYYMMDD <-> D ("=D")
    DatePicture,  // text field holding a date in its date picture <-> D
    MemoLong,     // integer field holding the memo's block <-> M
    MemoText,     // text field holding the memo's block as text <-> M
};

struct Binding {
    Column column;
    Source source = Source::Text;
    std::uint16_t field = 0;               // index into the declaration's fields
    int memo = -1;                         // index into the declaration's memos (memo columns)
    std::optional<dates::Picture> picture; // DatePicture: the field's compiled date picture
    char decimalPoint = '.';               // NumberText: the text's decimal point
};

struct ColumnMap {
    std::vector<Binding> bindings;
    std::vector<Column> columns() const;
    bool hasMemo() const;
};

// The outcome of mapping a declaration: a runtime error code (0 when the map is
// good), the xBase error behind it where there is one, and a message.
struct MapResult {
    int code = 0;
    Xbase xbase = Xbase::None;
    std::string message;
    bool ok() const { return code == 0; }
};

[[nodiscard]] MapResult buildColumnMap(const storage::TableDecl& decl, ColumnMap& map);

// Fills a row (deletion flag ' ', then the columns) from the record buffer.
// memoBlocks[i] is the memo block of binding i (ignored for other columns).
// Fails with BadData when a number does not fit its column.
// REQUIRES: record holds decl.recordLength bytes; memoBlocks.size() == bindings.size().
[[nodiscard]] Xbase encodeRow(const ColumnMap& map, const storage::TableDecl& decl,
                              std::span<const std::uint8_t> record,
                              const std::vector<std::uint32_t>& memoBlocks,
                              std::vector<std::uint8_t>& row);

// Fills the record buffer's mapped fields from a row and gives each memo column's
// block number (0 for none). Damaged values read as empty or zero; never fails.
void decodeRow(const ColumnMap& map, const storage::TableDecl& decl,
               std::span<const std::uint8_t> row, std::span<std::uint8_t> record,
               std::vector<std::uint32_t>& memoBlocks);

// Stores a memo block number in the field a memo column is bound to.
void storeMemoBlock(const Binding& b, const storage::TableDecl& decl, std::uint32_t block,
                    std::span<std::uint8_t> record);
// The memo block number a memo column's field holds (0 for none).
std::uint32_t memoBlockOf(const Binding& b, const storage::TableDecl& decl,
                          std::span<const std::uint8_t> record);

// The memo block number a memo column of a row holds (0 for none).
std::uint32_t memoBlockInRow(const Binding& b, std::span<const std::uint8_t> row);

// Text made safe for a column or memo: bytes the code page leaves to control
// characters become "?" (zero bytes become blanks in columns).
std::string cleanColumnText(std::string_view text1250);
std::string cleanMemoText(std::string_view text1250);

} // namespace zv::dbase
