// The forms of a firm's name, town and IČO under which two records of the same
// firm meet: letter case, accents, punctuation and blanks do not count, nor a
// legal form at the end of the name ("s.r.o.", "spol. s r.o.", "a.s.",
// "v.o.s." ...); an IČO counts by its number. Text is Windows-1250.
#pragma once

#include <string>
#include <string_view>

namespace zv::records {

// Lower case ASCII letters and digits, words separated by one blank.
std::string matchText(std::string_view text1250);

// matchText of a firm's name without the legal forms it ends with; never empty
// when the name has a letter or digit (a name that is only a legal form keeps it).
std::string firmNameKey(std::string_view name1250);

// The digits of an IČO without leading zeros; "" when it has none or they are all zero.
std::string icoKey(std::string_view ico1250);

} // namespace zv::records
