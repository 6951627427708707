#include "platform/dates/picture.h"

#include "platform/codepage.h"

#include <array>

namespace zv::dates {
namespace {

constexpr std::array<const char*, 12> kMonthNames = {
    "January", "February", "March",     "April",   "May",      "June",
    "July",    "August",   "September", "October", "November", "December"};
constexpr std::array<const char*, 7> kWeekdayNames = {"Monday", "Tuesday",  "Wednesday", "Thursday",
                                                      "Friday", "Saturday", "Sunday"};

// Built-in templates by picture number; 17, 18 (dates) and 7, 8 (times) are regional.
constexpr std::array<const char*, 21> kDateTemplates = {"",
                                                        "Mm/dd/yy",
                                                        "Mm/dd/yyyy",
                                                        "NNN Dd, yyyy",
                                                        "NNNNNNNNN Dd, yyyy",
                                                        "Dd/mm/yy",
                                                        "Dd/mm/yyyy",
                                                        "Dd NNN yy",
                                                        "Dd NNN yyyy",
                                                        "yy/mm/dd",
                                                        "yyyy/mm/dd",
                                                        "yymmdd",
                                                        "yyyymmdd",
                                                        "Mm/yy",
                                                        "Mm/yyyy",
                                                        "yy/mm",
                                                        "yyyy/mm",
                                                        "",
                                                        "",
                                                        "Dd NNNNNNNNN yyyy",
                                                        "NNNNNNNNN Dd yyyy"};
constexpr std::array<const char*, 9> kTimeTemplates = {
    "", "hh:mm", "hhmm", "Hh:mmPP", "hh:mm:ss", "hhmmss", "Hh:mm:ssPP", "", ""};

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

// Letters of typed text: ASCII letters and every byte of the upper half (accented letters).
bool isWordChar(char c) {
    const auto u = static_cast<unsigned char>(c);
    return (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || u >= 0x80;
}

std::string_view trimBlanks(std::string_view s) {
    while (!s.empty() && isBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

// Parses up to `maxDigits` decimal digits at s[i]; -1 when there are none or too many.
int readNumber(std::string_view s, std::size_t& i, std::size_t maxDigits) {
    const std::size_t start = i;
    int value = 0;
    while (i < s.size() && isDigit(s[i])) {
        if (i - start >= maxDigits) return -1;
        value = value * 10 + (s[i] - '0');
        ++i;
    }
    return i == start ? -1 : value;
}

// The value of a run of at most nine digits.
int digitsValue(std::string_view digits) {
    int value = 0;
    for (char c : digits)
        value = value * 10 + (c - '0');
    return value;
}

void appendNumber(std::string& out, int value, int width, bool noLeadingZero, Fill fill) {
    std::string digits = std::to_string(value);
    while (static_cast<int>(digits.size()) < width)
        digits.insert(digits.begin(), '0');
    if (noLeadingZero && digits.size() > 1 && digits.front() == '0') {
        switch (fill) {
        case Fill::None:
            digits.erase(digits.begin());
            break;
        case Fill::Zero:
            break;
        case Fill::Asterisk:
            digits.front() = '*';
            break;
        case Fill::Blank:
            digits.front() = ' ';
            break;
        }
    }
    out += digits;
}

bool hasPart(const Template& t, Part part) {
    for (const auto& e : t)
        if (e.part == part) return true;
    return false;
}

// One piece of typed text: a run of digits or a word.
struct Token {
    bool number = false;
    int value = 0;          // numbers: their value (or -1 when too long)
    std::size_t digits = 0; // numbers: count of digits
    std::string_view text;
};

std::vector<Token> tokenize(std::string_view s) {
    std::vector<Token> tokens;
    std::size_t i = 0;
    while (i < s.size()) {
        const std::size_t start = i;
        if (isDigit(s[i])) {
            while (i < s.size() && isDigit(s[i]))
                ++i;
            Token t{true, 0, i - start, s.substr(start, i - start)};
            t.value = t.digits > 9 ? -1 : digitsValue(t.text);
            tokens.push_back(t);
        } else if (isWordChar(s[i])) {
            while (i < s.size() && isWordChar(s[i]))
                ++i;
            tokens.push_back({false, 0, 0, s.substr(start, i - start)});
        } else {
            ++i; // a separator of any kind
        }
    }
    return tokens;
}

// 1-12 for a month name or its beginning (at least three letters), else 0.
int monthFromWord(std::string_view word) {
    if (word.size() < 3) return 0;
    for (std::size_t m = 0; m < kMonthNames.size(); ++m) {
        const std::string_view name = kMonthNames[m];
        if (word.size() <= name.size() && cp1250::equalNoCase(word, name.substr(0, word.size())))
            return static_cast<int>(m) + 1;
    }
    return 0;
}

bool isWeekdayWord(std::string_view word) {
    if (word.size() < 2) return false;
    for (std::string_view name : kWeekdayNames)
        if (word.size() <= name.size() && cp1250::equalNoCase(word, name.substr(0, word.size())))
            return true;
    return false;
}

std::optional<std::int32_t> parseDate(const Picture& picture, std::string_view text) {
    std::vector<Token> tokens;
    for (const Token& t : tokenize(text)) {
        if (!t.number && isWeekdayWord(t.text) && !monthFromWord(t.text)) continue;
        if (!t.number && !monthFromWord(t.text)) return std::nullopt;
        tokens.push_back(t);
    }
    std::vector<const Element*> fields;
    for (const auto& e : picture.elements())
        if (e.part == Part::Day || e.part == Part::Month || e.part == Part::Year2 ||
            e.part == Part::Year4 || e.part == Part::MonthAbbr || e.part == Part::MonthName)
            fields.push_back(&e);

    int day = 1, month = 0, year = -1;
    bool yearTwoDigits = false;
    if (tokens.size() == 1 && tokens[0].number && fields.size() > 1) {
        // All digits run together ("010198", "19980519"): split by the template's widths.
        std::size_t width = 0;
        bool names = false;
        for (const Element* f : fields) {
            width += f->part == Part::Year4 ? 4 : 2;
            names = names || f->part == Part::MonthAbbr || f->part == Part::MonthName;
        }
        const std::size_t n = tokens[0].digits;
        // A year may be typed with two or four digits whatever the picture shows.
        const bool shortYear = hasPart(picture.elements(), Part::Year4) && n + 2 == width;
        const bool longYear = hasPart(picture.elements(), Part::Year2) && n == width + 2;
        if (names || (n != width && !shortYear && !longYear)) return std::nullopt;
        std::size_t pos = 0;
        for (const Element* f : fields) {
            const bool isYear = f->part == Part::Year4 || f->part == Part::Year2;
            const std::size_t w =
                isYear ? ((f->part == Part::Year4 && !shortYear) || longYear ? 4 : 2) : 2;
            const int v = digitsValue(tokens[0].text.substr(pos, w));
            pos += w;
            if (f->part == Part::Day)
                day = v;
            else if (f->part == Part::Month)
                month = v;
            else {
                year = v;
                yearTwoDigits = w == 2;
            }
        }
    } else {
        if (tokens.size() != fields.size()) return std::nullopt;
        for (std::size_t k = 0; k < fields.size(); ++k) {
            const Token& t = tokens[k];
            switch (fields[k]->part) {
            case Part::Day:
                if (!t.number || t.digits > 2) return std::nullopt;
                day = t.value;
                break;
            case Part::Month:
            case Part::MonthAbbr:
            case Part::MonthName:
                if (t.number && t.digits > 2) return std::nullopt;
                month = t.number ? t.value : monthFromWord(t.text);
                break;
            default: // the year: two or four digits
                if (!t.number || t.digits > 4 || t.digits == 3) return std::nullopt;
                year = t.value;
                yearTwoDigits = t.digits <= 2;
                break;
            }
        }
    }
    if (year < 0 || month < 1) return std::nullopt;
    if (!yearTwoDigits && year < 100) return std::nullopt; // "0098" is no year of ours
    const std::int32_t n = dateFromParts(month, day, year, picture.window());
    if (n < 0) return std::nullopt;
    return n;
}

std::optional<std::int32_t> parseTime(const Picture& picture, std::string_view text) {
    int parts[4] = {0, 0, 0, 0};
    std::size_t count = 0;
    int mark = 0; // 1 AM, 2 PM
    std::vector<Token> numbers;
    for (const Token& t : tokenize(text)) {
        if (t.number) {
            numbers.push_back(t);
            continue;
        }
        if (mark) return std::nullopt;
        if (cp1250::equalNoCase(t.text, picture.amMark()) || cp1250::equalNoCase(t.text, "AM"))
            mark = 1;
        else if (cp1250::equalNoCase(t.text, picture.pmMark()) || cp1250::equalNoCase(t.text, "PM"))
            mark = 2;
        else
            return std::nullopt;
    }
    if (numbers.size() == 1 && numbers[0].digits >= 3) {
        // Digits run together: "1345", "134510", "945".
        const std::string_view d = numbers[0].text;
        if (d.size() > 8) return std::nullopt;
        std::size_t pos = d.size() % 2 ? 1 : 2;
        parts[count++] = digitsValue(d.substr(0, pos));
        for (; pos < d.size(); pos += 2)
            parts[count++] = digitsValue(d.substr(pos, 2));
    } else {
        if (numbers.empty() || numbers.size() > 4) return std::nullopt;
        for (const Token& t : numbers) {
            if (t.digits > 2) return std::nullopt;
            // Hundredths written with one digit are tenths of a second: "10.5".
            parts[count] = count == 3 && t.digits == 1 ? t.value * 10 : t.value;
            ++count;
        }
    }
    int hour = parts[0];
    if (mark) {
        if (hour < 1 || hour > 12) return std::nullopt;
        hour = hour % 12 + (mark == 2 ? 12 : 0);
    }
    const std::int32_t t = timeFromParts(hour, parts[1], parts[2], parts[3]);
    if (t < 0) return std::nullopt;
    return t;
}

const Regional kNoRegional;

} // namespace

std::optional<Picture> compile(std::string_view text, std::string* why) {
    return compileWith(text, nullptr, why);
}

std::optional<Picture> compile(std::string_view text, const Regional& regional, std::string* why) {
    return compileWith(text, &regional, why);
}

// The system's regional settings are read only for the pictures that use them.
std::optional<Picture> compileWith(std::string_view text, const Regional* given, std::string* why) {
    const auto fail = [&](std::string reason) -> std::optional<Picture> {
        if (why) *why = std::move(reason);
        return std::nullopt;
    };
    const std::string_view s = trimBlanks(text);
    if (s.size() < 2 || s[0] != '@') return fail("a picture starts with @D or @T");
    Picture p;
    const char kindLetter = s[1];
    if (kindLetter == 'D' || kindLetter == 'd')
        p.kind_ = PictureKind::Date;
    else if (kindLetter == 'T' || kindLetter == 't')
        p.kind_ = PictureKind::Time;
    else
        return fail("not a date (@D) or time (@T) picture");
    const bool date = p.kind_ == PictureKind::Date;
    std::size_t i = 2;
    if (i < s.size() && (s[i] == '0' || s[i] == '*' || s[i] == '_')) {
        p.fill_ = s[i] == '0' ? Fill::Zero : s[i] == '*' ? Fill::Asterisk : Fill::Blank;
        ++i;
    }
    const int number = readNumber(s, i, 3);
    const int maxNumber = date ? 20 : 8;
    if (number < 1 || number > maxNumber)
        return fail(date ? "date picture number must be 1 to 20"
                         : "time picture number must be 1 to 8");
    p.number_ = number;
    if (i < s.size()) {
        switch (s[i]) {
        case '.':
            p.separator_ = '.';
            ++i;
            break;
        case '-':
            p.separator_ = '-';
            ++i;
            break;
        case '_':
            p.separator_ = ' ';
            ++i;
            break;
        case '`':
            p.separator_ = ',';
            ++i;
            break;
        default:
            break;
        }
    }
    if (date && i < s.size() && (s[i] == '<' || s[i] == '>')) {
        const bool back = s[i] == '<';
        ++i;
        std::size_t j = i;
        while (j < s.size() && isDigit(s[j]))
            ++j;
        int n = -1;
        if (j > i && j - i <= 2) {
            std::size_t k = i;
            n = readNumber(s, k, 2);
        }
        i = j;
        if (back)
            p.window_ = n >= 0 ? n : kDefaultWindow;
        else
            p.window_ = n >= 0 ? 99 - n : 19;
    }
    if (i < s.size()) return fail("unexpected characters after the picture number");

    const bool regionalPicture = date ? number >= 17 && number <= 18 : number >= 7;
    const Regional& regional = given ? *given : (regionalPicture ? systemRegional() : kNoRegional);
    if (date) {
        p.elements_ = number == 17   ? regional.shortDate
                      : number == 18 ? regional.longDate
                                     : dateTemplate(kDateTemplates[number]);
    } else {
        p.elements_ = number == 7   ? regional.shortTime
                      : number == 8 ? regional.longTime
                                    : timeTemplate(kTimeTemplates[number]);
        if (number >= 7) {
            p.am_ = regional.am;
            p.pm_ = regional.pm;
        }
    }
    if (p.separator_) {
        for (auto& e : p.elements_) {
            if (e.part != Part::Literal) continue;
            for (char& c : e.text)
                if (c != ',' && !isWordChar(c)) c = p.separator_;
        }
    }
    return p;
}

std::string format(const Picture& picture, std::int32_t value) {
    std::string out;
    if (picture.kind() == PictureKind::Date) {
        DateParts d;
        if (dateToParts(value, d) < 0) return out;
        for (const auto& e : picture.elements()) {
            switch (e.part) {
            case Part::Day:
                appendNumber(out, d.day, 2, e.noLeadingZero, picture.fill());
                break;
            case Part::Month:
                appendNumber(out, d.month, 2, e.noLeadingZero, picture.fill());
                break;
            case Part::Year2:
                appendNumber(out, d.year % 100, 2, false, picture.fill());
                break;
            case Part::Year4:
                appendNumber(out, d.year, 4, false, picture.fill());
                break;
            case Part::MonthAbbr:
                out.append(kMonthNames[d.month - 1], 3);
                break;
            case Part::MonthName:
                out += kMonthNames[d.month - 1];
                break;
            case Part::WeekdayAbbr:
                out.append(kWeekdayNames[weekdayOf(value)], 3);
                break;
            case Part::WeekdayName:
                out += kWeekdayNames[weekdayOf(value)];
                break;
            case Part::Literal:
                out += e.text;
                break;
            default:
                break;
            }
        }
        return out;
    }
    TimeParts t;
    if (timeToParts(value, t) < 0) return out;
    const bool twelve = hasPart(picture.elements(), Part::HalfDay);
    for (const auto& e : picture.elements()) {
        switch (e.part) {
        case Part::Hour: {
            const int h = twelve ? (t.hour % 12 == 0 ? 12 : t.hour % 12) : t.hour;
            appendNumber(out, h, 2, e.noLeadingZero, picture.fill());
            break;
        }
        case Part::Minute:
            appendNumber(out, t.minute, 2, false, picture.fill());
            break;
        case Part::Second:
            appendNumber(out, t.second, 2, false, picture.fill());
            break;
        case Part::HalfDay:
            out += t.hour < 12 ? picture.amMark() : picture.pmMark();
            break;
        case Part::Literal:
            out += e.text;
            break;
        default:
            break;
        }
    }
    return out;
}

std::optional<std::int32_t> parse(const Picture& picture, std::string_view text) {
    if (trimBlanks(text).empty()) return 0;
    return picture.kind() == PictureKind::Date ? parseDate(picture, text)
                                               : parseTime(picture, text);
}

std::int32_t deformat(const Picture& picture, std::string_view text) {
    return parse(picture, text).value_or(0);
}

} // namespace zv::dates
