#include "app/records/browse/thumb.h"

#include "platform/codepage.h"
#include "platform/czech_order.h"

#include <array>

namespace zv::records {
namespace {

// A, Q and Z are cut short: A's own blank entry is the table's first, Q and Z
// have only their blank and "N" entries.
std::array<std::string, kThumbPositions> makeTable() {
    std::array<std::string, kThumbPositions> table;
    std::size_t n = 0;
    table[n++] = "  ";
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
        const std::string l(1, letter);
        if (letter == 'Q' || letter == 'Z') {
            table[n++] = l + " ";
            table[n++] = l + "N";
            continue;
        }
        if (letter != 'A') table[n++] = l + " ";
        table[n++] = l + "F";
        table[n++] = l + "N";
        table[n++] = l + "T";
    }
    return table;
}

const std::array<std::string, kThumbPositions>& table() {
    static const auto t = makeTable();
    return t;
}

} // namespace

std::string_view thumbPrefix(int position) {
    if (position < 1 || position > kThumbPositions) return table()[0];
    return table()[static_cast<std::size_t>(position - 1)];
}

int thumbPositionForText(std::string_view value, bool czech) {
    std::string two = cp1250::upper(value.substr(0, 2));
    while (two.size() < 2)
        two.push_back(' ');
    int found = 1;
    for (int i = 1; i <= kThumbPositions; ++i) {
        // Byte order, as the key compares: letters with diacritics sort after Z.
        const auto prefix = thumbPrefix(i);
        const int order =
            czech ? czech::compare(two, prefix) : std::string_view(two).compare(prefix);
        if (order >= 0)
            found = i;
        else
            break;
    }
    return found;
}

int thumbPositionForNumber(std::int64_t value, std::int64_t lowest, std::int64_t highest) {
    if (highest <= lowest || value <= lowest) return 1;
    if (value >= highest) return kThumbPositions;
    return 1 + static_cast<int>((value - lowest) * (kThumbPositions - 1) / (highest - lowest));
}

std::int64_t thumbNumberForPosition(int position, std::int64_t lowest, std::int64_t highest) {
    if (position <= 1 || highest <= lowest) return lowest;
    if (position >= kThumbPositions) return highest;
    return lowest + (highest - lowest) * (position - 1) / (kThumbPositions - 1);
}

} // namespace zv::records
