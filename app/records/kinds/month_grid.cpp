#include "app/records/kinds/month_grid.h"

#include "platform/dates/standard_date.h"

namespace zv::records {

std::vector<DayCell> monthGrid(int year, int month) {
    std::vector<DayCell> cells;
    const std::int32_t first = dates::dateFromParts(month, 1, year);
    if (year < dates::kFirstYear || year > dates::kLastYear || first < 0) return cells;
    const int offset = dates::weekdayOf(first);
    const int days = dates::monthLength(month, year);
    for (int day = 1; day <= days; ++day) {
        const int cell = offset + day - 1;
        cells.push_back({day, cell / 7, cell % 7});
    }
    return cells;
}

} // namespace zv::records
