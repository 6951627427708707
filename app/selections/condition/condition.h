// The condition dialog's logic: the fields a condition may name (captions of the
// categories from the category record, blank categories left out), the
// operators, and the two texts a choice turns into: the expression the
// selection evaluates (without the "ADR:" prefix) and its readable caption.
// Values are checked before anything is built: a number must be a number, a
// date must read as one, and apostrophes in a text are doubled, so a value can
// only ever be compared with, never become part of the expression.
#pragma once

#include "app/shell/access/record_file.h"

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace zv::selections {

enum class FieldKind { Text = 1, Number = 2, Flag = 3, Date = 4 };

struct FieldChoice {
    std::string caption; // Windows-1250, as the list shows it ("Název firmy")
    std::string field;   // the Adresar field without prefix ("FIRMA")
    FieldKind kind = FieldKind::Text;
};

// The captions of the 20 categories from the first record of Kategorie in file
// order (which must be open); blank when there is none. Kategorie's buffer is used.
std::array<std::string, 20> firstCategoryCaptions(access::RecordFile& kategorie);

// The offered fields in list order for these category captions.
std::vector<FieldChoice> fieldChoices(const std::array<std::string, 20>& categoryCaptions);

// The offered operators in list order: "=", ">", "<", ">=", "<=", "<>".
const std::vector<std::string>& operatorChoices();

struct Condition {
    std::string text;    // "FIRMA = 'ab'"; Windows-1250
    std::string caption; // "Název firmy = ab"
    std::string error;   // why the value was refused (Windows-1250); "" when built
};

// Builds the condition for field, operator and value (Windows-1250); a flag field
// takes `flag` and ignores the operator and value.
Condition buildCondition(const FieldChoice& field, std::string_view op, std::string_view value,
                         bool flag);

} // namespace zv::selections
