// Date and time pictures: "@D6." or "@t1" compiled once into a descriptor that
// formats a standard date or time as text and reads one back from what a user
// typed. Texts are Windows-1250.
//
// Date pictures: "@D" [fill] number(1-20) [separator] ["<n" | ">n"]
// Time pictures: "@T" [fill] number(1-8) [separator]
//   fill: "0" zero, "*" asterisk, "_" blank; without one, a leading zero that the
//         template suppresses ("Dd", "Mm", "Hh") is dropped;
//   separator: "." full stop, "-" hyphen, "_" blank, "`" comma; it replaces every
//         literal character of the template except a comma;
//   "<n" sets the century window to n, ">n" to 99 - n (see expandYear()).
// Letter case of the picture text does not matter.
//
// Date pictures 17 and 18 and time pictures 7 and 8 follow the regional settings
// (section "intl" of the system profile), read once per process on first use.
//
// Thread rule: a compiled Picture is an immutable value; all functions are thread safe.
#pragma once

#include "platform/dates/picture_template.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zv::dates {

enum class PictureKind : std::uint8_t { Date, Time };

enum class Fill : std::uint8_t { None, Zero, Asterisk, Blank };

// A compiled picture.
class Picture {
public:
    PictureKind kind() const { return kind_; }
    int number() const { return number_; } // 1-20 dates, 1-8 times
    Fill fill() const { return fill_; }
    char separator() const { return separator_; } // as shown (' ' for "_"); 0 when none
    int window() const { return window_; }        // century window of two-digit years
    const Template& elements() const { return elements_; }
    const std::string& amMark() const { return am_; } // half-day marks of times
    const std::string& pmMark() const { return pm_; }

private:
    friend std::optional<Picture> compileWith(std::string_view, const Regional*, std::string*);

    PictureKind kind_ = PictureKind::Date;
    int number_ = 0;
    Fill fill_ = Fill::None;
    char separator_ = 0;
    int window_ = kDefaultWindow;
    Template elements_; // the template with the separator already applied
    std::string am_ = "AM";
    std::string pm_ = "PM";
};

// Compiles a picture; nullopt (and a one-line reason in *why) when the text is no
// valid date or time picture. Pictures 17, 18 (dates) and 7, 8 (times) are built
// from the regional settings of the system profile.
[[nodiscard]] std::optional<Picture> compile(std::string_view text, std::string* why = nullptr);

// The same with given regional settings (tests, or settings read elsewhere).
[[nodiscard]] std::optional<Picture> compile(std::string_view text, const Regional& regional,
                                             std::string* why = nullptr);

// Both of the above: the system's settings when `regional` is null, read only when
// the picture is one of the regional ones.
[[nodiscard]] std::optional<Picture> compileWith(std::string_view text, const Regional* regional,
                                                 std::string* why);

// The text of a standard date or time. No date / no time (0) and numbers outside the
// valid range give an empty text.
std::string format(const Picture& picture, std::int32_t value);

// Reads a typed date or time. A blank text gives 0 (no date / no time); a text that is
// no valid date or time gives nullopt, never a wrong value. Accepted: digits with any
// separators between them (blanks, ".", "/", "-", ":", ","), the parts in the order of
// the picture's template, one- or two-digit days and months, two- or four-digit years,
// all digits run together as the template has them ("010198"), month names and their
// first three letters in place of the month, an optional weekday name, and for times
// seconds and hundredths that the picture does not show and half-day marks.
[[nodiscard]] std::optional<std::int32_t> parse(const Picture& picture, std::string_view text);

// parse() with "no date" for what is not a date or time: 0 then.
std::int32_t deformat(const Picture& picture, std::string_view text);

} // namespace zv::dates
