// Name days and birthdays of the persons whose "Upozornit" (OSO:VYROCI) is
// ticked: the task list and the calendar show them on their day beside the
// tasks. They are reminders only; nothing is written for them.
#pragma once

#include "app/shell/access/database.h"

#include <cstdint>
#include <string>
#include <vector>

namespace zv::records {

struct Anniversary {
    enum Kind { NameDay, Birthday } kind = NameDay;
    std::int32_t firm = 0;   // OSO:ID
    std::int32_t person = 0; // OSO:REC
    std::string firmName;    // Windows-1250, trailing blanks removed
    std::string personName;  // OSO:KONTAKT
    int age = 0;             // years reached on a birthday (0 when not known)
};

// "24.12", "24.12." or "3.7." as day and month; false for anything else.
bool parseNameDay(std::string_view text, int& day, int& month);

// Whether a person with this name day and date of birth has an anniversary on
// `date`. A birthday of 29 February is kept on 28 February in other years.
bool isNameDay(std::string_view nameDay, std::int32_t date);
bool isBirthday(std::int32_t birth, std::int32_t date);

// A person who is to be reminded, as read from Osoby.
struct RemindedPerson {
    std::int32_t firm = 0, person = 0;
    std::string name;    // OSO:KONTAKT, Windows-1250
    std::string nameDay; // OSO:SVATEK
    std::int32_t birth = 0;
};

// The persons whose "Upozornit" is ticked, read once (a window showing many
// days keeps them). Osoby must be open; *error gets 0 or a read's code.
std::vector<RemindedPerson> remindedPersons(access::Database& db, int* error = nullptr);

// Their anniversaries on `date`, by firm and person, with the firm's name
// looked up in Adresar (which must be open).
std::vector<Anniversary> anniversariesOn(access::Database& db,
                                         const std::vector<RemindedPerson>& persons,
                                         std::int32_t date);

// Both at once: the anniversaries on `date` of the persons who are to be reminded.
std::vector<Anniversary> anniversariesOn(access::Database& db, std::int32_t date,
                                         int* error = nullptr);

// "Svátek: Jan Novák (Novák s.r.o.)" / "Narozeniny (40): …" in Windows-1250.
std::string anniversaryText(const Anniversary& a);

} // namespace zv::records
