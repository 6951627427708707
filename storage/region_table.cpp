#include "storage/region_table.h"

namespace zv::storage {

int RegionTable::classOf(std::uint32_t page) const {
    for (int c = 1; c <= 59; ++c)
        if (page >= start_[c] && page < end_[c]) return (page - start_[c]) % c == 0 ? c : 0;
    return 0;
}

std::uint32_t RegionTable::storeUnits() const {
    for (int c = 59; c >= 1; --c)
        if (end_[c] > start_[c]) return end_[c];
    return 0;
}

std::uint32_t RegionTable::allocate(int c, std::vector<Move>* moves) {
    if (c > 1) {
        RegionTable trial = *this;
        std::vector<Move> trialMoves;
        if (trial.makeGapBelow(c, c, &trialMoves)) {
            *this = trial;
            moves->insert(moves->end(), trialMoves.begin(), trialMoves.end());
            start_[c] -= c;
            return start_[c];
        }
    }
    makeRoomAbove(c, c, moves);
    std::uint32_t slot = end_[c];
    end_[c] += c;
    return slot;
}

void RegionTable::free(std::uint32_t page, int c, std::vector<Move>* moves) {
    std::uint32_t last = end_[c] - c;
    if (page != last) moves->push_back({last, page, c});
    end_[c] -= c;
}

// Empty regions between k and c take no room: they sit at the end of region k.
void RegionTable::collapseEmpty(int k, int c) {
    std::uint32_t base = k >= 1 ? end_[k] : 0;
    for (int j = k + 1; j < c; ++j)
        start_[j] = end_[j] = base;
}

// Makes at least `units` free units directly below region c by sliding the
// regions below it down; false when there is not enough room.
bool RegionTable::makeGapBelow(int c, std::uint32_t units, std::vector<Move>* moves) {
    int k = c - 1;
    while (k >= 1 && start_[k] == end_[k])
        --k;
    collapseEmpty(k, c);
    while (start_[c] - (k >= 1 ? end_[k] : 0) < units) {
        if (k == 0) return false;
        if (!makeGapBelow(k, k, moves)) return false;
        std::uint32_t last = end_[k] - k;
        std::uint32_t dest = start_[k] - k;
        moves->push_back({last, dest, k});
        start_[k] -= k;
        end_[k] -= k;
        collapseEmpty(k, c);
    }
    return true;
}

// Makes at least `units` free units directly above region r (units <= r).
void RegionTable::makeRoomAbove(int r, std::uint32_t units, std::vector<Move>* moves) {
    if (r >= 59) return; // the file grows
    std::uint32_t gap = start_[r + 1] - end_[r];
    if (gap >= units) return;
    int n = r + 1;
    if (pagesIn(n) > 1) {
        makeRoomAbove(n, n, moves);
        moves->push_back({start_[n], end_[n], n});
        start_[n] += n;
        end_[n] += n;
    } else {
        std::uint32_t shortfall = units - gap;
        makeRoomAbove(n, shortfall, moves);
        if (pagesIn(n) == 1) moves->push_back({start_[n], start_[n] + shortfall, n});
        start_[n] += shortfall;
        end_[n] += shortfall;
    }
}

std::string RegionTable::check() const {
    if (start_[0] != 0 || end_[0] != 0) return "region table entry 0 is not zero";
    for (int c = 1; c <= 59; ++c) {
        if (start_[c] > end_[c]) return "region " + std::to_string(c) + " ends before it starts";
        if ((end_[c] - start_[c]) % c != 0)
            return "region " + std::to_string(c) + " is not a whole number of pages";
        if (c < 59 && end_[c] > start_[c + 1])
            return "region " + std::to_string(c) + " overlaps region " + std::to_string(c + 1);
    }
    return {};
}

} // namespace zv::storage
