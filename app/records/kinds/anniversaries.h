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

// The anniversaries on `date` of the persons who are to be reminded, by firm
// and person. Osoby and Adresar must be open; *error gets 0 or a read's code.
std::vector<Anniversary> anniversariesOn(access::Database& db, std::int32_t date,
                                         int* error = nullptr);

// "Svátek: Jan Novák (Novák s.r.o.)" / "Narozeniny (40): …" in Windows-1250.
std::string anniversaryText(const Anniversary& a);

} // namespace zv::records
