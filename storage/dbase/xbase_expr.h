// Key and filter expressions of dBase index tags: the xBase subset this driver
// evaluates against a table row. Field names (the table's columns), text in
// quotes, numbers, .T./.F., "+" and "-", the comparisons = <> # < > <= >=,
// .NOT., .AND., .OR., parentheses and the functions DTOC, DTOS, CTOD, LEFT,
// RIGHT, SUBSTR, STR, VAL, FIXED, FLOAT, UPPER, LOWER, LTRIM, RTRIM, ALLTRIM,
// TRIM, RECNO, IIF and DELETED.
//
// compile() checks names, argument counts and types once; evaluate() then never
// fails. Text results of an expression have a fixed width known after compile()
// (what a character key needs): shorter results are padded with blanks.
// A compiled expression is immutable; any thread may evaluate it.
#pragma once

#include "storage/dbase/dbf_format.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace zv::dbase {

// A value: text ('C'), number ('N'), date ('D', as a Julian day number, 0 for
// no date) or logical ('L').
struct XValue {
    char type = 'C';
    std::string text;
    double number = 0;
    bool logical = false;
};

// The Julian day number of a calendar date, 0 for an empty or invalid one; and back.
double julianDay(int year, int month, int day);
void fromJulianDay(double jd, int& year, int& month, int& day);

class XbaseExpr {
public:
    XbaseExpr();
    ~XbaseExpr();
    XbaseExpr(XbaseExpr&&) noexcept;
    XbaseExpr& operator=(XbaseExpr&&) noexcept;

    // False (and the expression stays empty) when the text cannot be evaluated
    // over these columns.
    [[nodiscard]] bool compile(std::string_view text, const std::vector<Column>& columns);
    bool empty() const { return !root_; }
    const std::string& text() const { return text_; }
    // The result's type ('C', 'N', 'D' or 'L') and, for text, its width.
    char type() const;
    std::size_t width() const;

    // REQUIRES: !empty(); row is a whole row of the compiled columns (deletion flag first).
    XValue evaluate(std::span<const std::uint8_t> row, std::uint32_t recno) const;

    struct Node;

private:
    std::string text_;
    std::vector<Column> columns_; // the columns compiled against
    std::unique_ptr<Node> root_;
};

} // namespace zv::dbase
