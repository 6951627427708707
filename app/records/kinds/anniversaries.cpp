#include "app/records/kinds/anniversaries.h"

#include "app/shell/access/look_up.h"
#include "app/shell/dictionary/records.h"
#include "platform/codepage.h"
#include "platform/dates/standard_date.h"

#include <algorithm>

namespace zv::records {

namespace {

// Digits at `text[i]`, at most two; -1 when there are none.
int number(std::string_view text, std::size_t& i) {
    int value = -1;
    for (int n = 0; n < 2 && i < text.size() && text[i] >= '0' && text[i] <= '9'; ++n, ++i)
        value = (value < 0 ? 0 : value * 10) + (text[i] - '0');
    return value;
}

void skipBlanks(std::string_view text, std::size_t& i) {
    while (i < text.size() && text[i] == ' ')
        ++i;
}

} // namespace

bool parseNameDay(std::string_view text, int& day, int& month) {
    std::size_t i = 0;
    skipBlanks(text, i);
    const int d = number(text, i);
    if (d < 1 || i >= text.size() || text[i] != '.') return false;
    ++i;
    skipBlanks(text, i);
    const int m = number(text, i);
    if (m < 1 || m > 12) return false;
    if (i < text.size() && text[i] == '.') ++i;
    skipBlanks(text, i);
    if (i != text.size()) return false;
    // A name day exists in a leap year at least.
    if (d > dates::monthLength(m, 2000)) return false;
    day = d;
    month = m;
    return true;
}

bool isNameDay(std::string_view nameDay, std::int32_t date) {
    int day = 0, month = 0;
    dates::DateParts parts;
    if (!parseNameDay(nameDay, day, month) || dates::dateToParts(date, parts) != 0) return false;
    if (month == 2 && day == 29 && !dates::isLeapYear(parts.year)) day = 28;
    return parts.day == day && parts.month == month;
}

bool isBirthday(std::int32_t birth, std::int32_t date) {
    dates::DateParts born, on;
    if (birth > date || dates::dateToParts(birth, born) != 0 || dates::dateToParts(date, on) != 0)
        return false;
    if (born.month == 2 && born.day == 29 && !dates::isLeapYear(on.year)) born.day = 28;
    return born.day == on.day && born.month == on.month;
}

std::vector<RemindedPerson> remindedPersons(access::Database& db, int* error) {
    std::vector<RemindedPerson> persons;
    if (error) *error = 0;
    access::RecordFile* osoby = db.fileOrNull("Osoby");
    if (!osoby) {
        if (error) *error = access::kFileNotOpen;
        return persons;
    }
    const std::vector<std::uint8_t> saved(osoby->record(), osoby->record() + osoby->recordSize());
    int code = osoby->setFile();
    while (code == 0) {
        code = osoby->next();
        if (code != 0) break;
        const auto& p = osoby->as<rec::OsobyRecord>();
        if (p.VYROCI.get() == 0) continue;
        persons.push_back({p.ID.get(), p.REC.get(), std::string(p.KONTAKT.trimmed()),
                           std::string(p.SVATEK.trimmed()), p.NAROZENINY.get()});
    }
    std::copy(saved.begin(), saved.end(), osoby->record());
    if (error) *error = code == access::kRecordNotAvailable ? 0 : code;
    std::stable_sort(persons.begin(), persons.end(),
                     [](const RemindedPerson& x, const RemindedPerson& y) {
                         return x.firm != y.firm ? x.firm < y.firm : x.person < y.person;
                     });
    return persons;
}

std::vector<Anniversary> anniversariesOn(access::Database& db,
                                         const std::vector<RemindedPerson>& persons,
                                         std::int32_t date) {
    std::vector<Anniversary> found;
    dates::DateParts on;
    if (dates::dateToParts(date, on) != 0) return found;
    for (const RemindedPerson& p : persons) {
        Anniversary a;
        a.firm = p.firm;
        a.person = p.person;
        a.personName = p.name;
        if (isNameDay(p.nameDay, date)) {
            a.kind = Anniversary::NameDay;
            found.push_back(a);
        }
        if (isBirthday(p.birth, date)) {
            a.kind = Anniversary::Birthday;
            dates::DateParts born;
            (void)dates::dateToParts(p.birth, born);
            a.age = on.year - born.year;
            found.push_back(a);
        }
    }
    if (access::RecordFile* adresar = db.fileOrNull("Adresar"))
        for (auto& a : found)
            a.firmName = access::firmName(*adresar, a.firm);
    return found;
}

std::vector<Anniversary> anniversariesOn(access::Database& db, std::int32_t date, int* error) {
    return anniversariesOn(db, remindedPersons(db, error), date);
}

std::string anniversaryText(const Anniversary& a) {
    std::string text = a.kind == Anniversary::NameDay
                           ? cp1250::fromUtf8("Svátek: ")
                           : (a.age > 0 ? "Narozeniny (" + std::to_string(a.age) + "): "
                                        : std::string("Narozeniny: "));
    text += a.personName;
    if (!a.firmName.empty()) text += " (" + a.firmName + ")";
    return text;
}

} // namespace zv::records
