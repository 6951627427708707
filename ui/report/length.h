// Physical lengths on a printed page, held as whole thousandths of an inch.
//
// Every position and size a report gives (margins, label cells, band heights,
// field boxes) is a Length; conversion to device pixels happens only when a page
// is painted. Label layouts keep inches with three decimals, so a thousandth of an
// inch is exact for them.
#pragma once

#include <compare>
#include <cstdint>

namespace zv::ui {

class Length {
public:
    constexpr Length() = default;

    static constexpr Length mils(std::int64_t thousandths) { return Length(thousandths); }
    // Inches and points are rounded to the nearest thousandth.
    static constexpr Length inches(double in) { return Length(round(in * 1000.0)); }
    static constexpr Length points(double pt) { return Length(round(pt * 1000.0 / 72.0)); }
    static constexpr Length millimetres(double mm) { return Length(round(mm * 1000.0 / 25.4)); }

    constexpr std::int64_t mils() const { return mils_; }
    constexpr double inches() const { return static_cast<double>(mils_) / 1000.0; }
    constexpr double millimetres() const { return static_cast<double>(mils_) * 0.0254; }
    // The length in pixels of a device with the given resolution (dots per inch).
    constexpr double toDots(double dpi) const { return static_cast<double>(mils_) * dpi / 1000.0; }

    constexpr Length& operator+=(Length o) {
        mils_ += o.mils_;
        return *this;
    }
    constexpr Length& operator-=(Length o) {
        mils_ -= o.mils_;
        return *this;
    }
    friend constexpr Length operator+(Length a, Length b) { return Length(a.mils_ + b.mils_); }
    friend constexpr Length operator-(Length a, Length b) { return Length(a.mils_ - b.mils_); }
    friend constexpr Length operator-(Length a) { return Length(-a.mils_); }
    friend constexpr Length operator*(Length a, std::int64_t n) { return Length(a.mils_ * n); }
    friend constexpr Length operator*(std::int64_t n, Length a) { return Length(a.mils_ * n); }
    // Scaled by a factor (line spacing), rounded to the nearest thousandth.
    friend constexpr Length operator*(Length a, double f) {
        return Length(round(static_cast<double>(a.mils_) * f));
    }
    friend constexpr auto operator<=>(Length a, Length b) = default;

private:
    constexpr explicit Length(std::int64_t m) : mils_(m) {}
    // Nearest whole thousandth; NaN gives 0 and values past a thousand miles are held
    // there, so no input makes the conversion undefined.
    static constexpr std::int64_t round(double v) {
        constexpr double kLimit = 6.336e10; // 1000 miles in thousandths of an inch
        if (!(v == v)) return 0;
        if (v > kLimit) v = kLimit;
        if (v < -kLimit) v = -kLimit;
        return static_cast<std::int64_t>(v < 0 ? v - 0.5 : v + 0.5);
    }

    std::int64_t mils_ = 0; // thousandths of an inch
};

// A point and a rectangle on the page, origin at the paper's top-left corner.
struct PagePoint {
    Length x, y;
    friend constexpr bool operator==(const PagePoint&, const PagePoint&) = default;
};

struct PageRect {
    Length x, y, width, height;
    constexpr Length right() const { return x + width; }
    constexpr Length bottom() const { return y + height; }
    friend constexpr bool operator==(const PageRect&, const PageRect&) = default;
};

} // namespace zv::ui
