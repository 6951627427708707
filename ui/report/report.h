// What a report is made of: bands of text fields, lines and boxes, and the page
// layout the bands flow on. A report is described once and then printed band by
// band through a ReportWriter (report_writer.h), which turns it into stored pages.
//
// All texts are Windows-1250; all lengths are Lengths. Nothing here paints: the
// description holds no Qt types, so report procedures build it from their own data.
#pragma once

#include "ui/report/length.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace zv::ui {

// Face, size, colour and style of printed text. The face is the name the report
// uses ("Corvid CE", "Small Fonts"); it is turned into an installed face through the
// system's font substitutes when the band prints (font_faces.h).
struct FontSpec {
    std::string face;        // Windows-1250; empty: the default face
    double points = 10.0;    // size in points (1/72 inch)
    std::uint32_t color = 0; // 0xRRGGBB
    int weight = 400;        // 100 thin ... 400 normal ... 700 bold ... 900
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    friend bool operator==(const FontSpec&, const FontSpec&) = default;
};

enum class Align { Left, Center, Right };

// A value a field prints: text (Windows-1250), a whole number (dates and times are
// their day and time numbers) or a real number.
using FieldValue = std::variant<std::string, std::int64_t, double>;

// What a field may ask about the page it is printed on.
struct PrintState {
    int pageNumber = 0; // from 1
};

// Where a field takes its value from when its band prints.
using ValueSource = std::function<FieldValue(const PrintState&)>;

// Turns a value into the text shown under a picture such as "@d5." or "@s50".
// The dates-and-pictures module plugs in here; without a formatter, or with an
// empty picture, a value prints as plainText() gives it.
using PictureFormatter = std::function<std::string(const FieldValue&, std::string_view picture)>;

// The value as text without a picture: text as it stands, numbers in decimal.
std::string plainText(const FieldValue& value);

// A source giving the number of the page being printed.
ValueSource pageNumberSource();

// A text field. Its box is relative to the band's origin; a width of 0 lets the
// text run on, otherwise the text is aligned in the box and cut at its edges.
struct TextField {
    PageRect box;
    FontSpec font;
    Align align = Align::Left;
    std::string text;    // constant text (Windows-1250), used when value is empty
    ValueSource value;   // read each time the band prints
    std::string picture; // picture the value is shown through, e.g. "@d5."
};

// A straight line between two points of the band; thickness 0 is the thinnest
// line the device draws.
struct LineElement {
    PagePoint from, to;
    Length thickness;
    std::uint32_t color = 0;
};

// A rectangle with a border (thickness 0: the thinnest line; none when
// borderless) and an optional filling.
struct BoxElement {
    PageRect rect;
    Length thickness;
    std::uint32_t borderColor = 0;
    bool borderless = false;
    std::optional<std::uint32_t> fill;
};

using BandElement = std::variant<TextField, LineElement, BoxElement>;

// A horizontal strip printed as one piece: a page header, a detail or a footer.
struct Band {
    Length height;
    std::vector<BandElement> elements;

    TextField& addText(PageRect box, FontSpec font, std::string text1250,
                       Align align = Align::Left);
    TextField& addField(PageRect box, FontSpec font, ValueSource value, std::string picture = {},
                        Align align = Align::Left);
    void addLine(PagePoint from, PagePoint to, Length thickness = {}, std::uint32_t color = 0);
    void addBox(PageRect rect, Length thickness = {}, std::optional<std::uint32_t> fill = {});
};

// How detail bands follow one another.
enum class DetailFlow {
    Down,           // each band under the previous one, the full width of the area
    AcrossThenDown, // fixed cells: across the row while they fit, then the next row
};

struct PageLayout {
    Length paperWidth = Length::mils(8268); // A4
    Length paperHeight = Length::mils(11693);
    // The part of the paper the bands print on: the page header at its top, the
    // footer at its bottom, the details between them.
    PageRect area{Length::mils(500), Length::mils(500), Length::mils(7268), Length::mils(10693)};
    DetailFlow flow = DetailFlow::Down;
    Length cellWidth; // AcrossThenDown: the size of one cell (a label)
    Length cellHeight;
};

struct Report {
    PageLayout layout;
    std::optional<Band> pageHeader;
    std::optional<Band> pageFooter;
    Band detail;                // the band printDetail() prints
    PictureFormatter formatter; // may be empty
};

} // namespace zv::ui
