// The page store's space management: 59 size classes, each with a region of
// page numbers in which its pages lie back to back. Pure bookkeeping over the
// two region tables of the file header; moving the pages themselves is the
// caller's job (NativeFile applies the Moves in order).
//
// Invariants:
//  1. For every class c: start[c] <= end[c], and (end[c] - start[c]) is a
//     multiple of c; the slots start[c], start[c]+c, ... all hold pages.
//  2. Regions are ordered: end[c] <= start[c+1].
//  3. Entry 0 of both tables is 0.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace zv::storage {

class RegionTable {
public:
    struct Move {
        std::uint32_t from; // page number of the page that moves
        std::uint32_t to;   // its new page number
        int cls;            // its size class
    };

    RegionTable() = default;
    RegionTable(const std::array<std::uint32_t, 60>& start,
                const std::array<std::uint32_t, 60>& end)
        : start_(start), end_(end) {}

    const std::array<std::uint32_t, 60>& starts() const { return start_; }
    const std::array<std::uint32_t, 60>& ends() const { return end_; }

    // The class of a page number, 0 when it lies in no region (or between slots).
    int classOf(std::uint32_t page) const;
    // Number of 256-byte units of the page store (region end of the highest
    // class with pages, 0 when all are empty).
    std::uint32_t storeUnits() const;
    int pagesIn(int c) const { return static_cast<int>((end_[c] - start_[c]) / c); }

    // Takes a slot for a page of class c; `moves` receives the pages that had to
    // move to make room, in the order they must move.
    std::uint32_t allocate(int c, std::vector<Move>* moves);
    // Frees the slot of `page` (class c): the region's last page moves into it.
    void free(std::uint32_t page, int c, std::vector<Move>* moves);

    // Checks the invariants; the first violation as text, or empty.
    std::string check() const;

private:
    bool makeGapBelow(int c, std::uint32_t units, std::vector<Move>* moves);
    void makeRoomAbove(int r, std::uint32_t units, std::vector<Move>* moves);
    void collapseEmpty(int k, int c);

    std::array<std::uint32_t, 60> start_{}; // first page number of region c
    std::array<std::uint32_t, 60> end_{};   // page number just past region c
};

} // namespace zv::storage
