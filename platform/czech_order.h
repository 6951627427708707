// Czech alphabetical order of Windows-1250 texts, as Czech dictionaries sort:
// Č after C, CH after H, Ř after R, Š after S and Ž after Z are letters of their
// own; the other accents (Á, Ď, É, Ě, Í, Ň, Ó, Ť, Ú, Ů, Ý ...) and letter case
// only break ties. So "Cyril" < "Čapek", "Ďáblice" < "Dub" and
// "Hruška" < "Chalupa" < "Ivan". Blanks come before punctuation, punctuation
// before digits and digits before letters.
//
// A sort key compares bytewise in that order. It has three levels, each of
// fixed length and padded with zero bytes: the letters, their accents and
// (when case counts) their case; so a text sorts before every longer text it
// begins, and keys of one width can follow each other in a longer key.
// The weights are this program's own table and never change: keys stored in
// files stay valid.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace zv::czech {

// The sort key of a text; trailing blanks do not count. The key is
// 2 * width bytes, or 3 * width with `withCase`; a text with more letters
// than `width` is cut at `width` letters.
std::string sortKey(std::string_view text1250, std::size_t width, bool withCase);

// Compares two texts in Czech order (accents and case breaking ties):
// negative, zero or positive as strcmp.
int compare(std::string_view a, std::string_view b);

// The first level alone: texts that differ only in accents (other than the
// letters of their own) and case have the same letters.
std::string letters(std::string_view text1250);

} // namespace zv::czech
