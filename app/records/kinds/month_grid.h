// The calendar's month: which day stands in which cell of the grid under the
// weekday headings "Po" … "Ne" (Monday first).
#pragma once

#include <vector>

namespace zv::records {

struct DayCell {
    int day = 0;    // 1..31
    int row = 0;    // 0.. (weeks of the month as they fall)
    int column = 0; // 0 = Monday … 6 = Sunday
};

// The days of `month` (1-12) of `year`, in order; empty outside the dates the
// program keeps (1801-2099).
std::vector<DayCell> monthGrid(int year, int month);

} // namespace zv::records
