// Locating without regard to accents and letter case: typed "cerny" finds
// "Černý" and "novak" finds "NOVÁK", whatever order the key keeps its text in.
//
// Where the first record at or after the typed text does not begin with it
// (accents and case aside), the search tries the typed letters with their
// accents, letter by letter, and goes on only from beginnings some record
// has: a few positionings of the key even on a large file.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace zv::records {

// How the key compares text, which decides which forms of a letter lead to
// different places: by bytes in upper case, by bytes, or in Czech order.
enum class TextKeyOrder { BytesNoCase, Bytes, Czech };

// Reads the key's first record at or after `text` and gives its text (the
// located field); false when there is none.
using FirstFrom = std::function<bool(const std::string& text1250, std::string* found1250)>;

// The text to position at (Windows-1250) so that the first record found
// begins with `typed` accents and case aside; `typed` itself when it already
// does or no record begins so.
std::string locatorTarget(std::string_view typed1250, TextKeyOrder order,
                          const FirstFrom& firstFrom);

} // namespace zv::records
