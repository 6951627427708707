// Persons added to the address book's Osoby under a firm of the book, as the
// imports bring them: a person keeps its own number when the book has it free,
// else takes the next free one; with `missingOnly` a person whose name the firm
// has already is left out. The caller runs the adds inside its transaction.
#pragma once

#include "app/shell/services/procedure_services.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace zv::exchange {

class PersonWriter {
public:
    // REQUIRES: Osoby is open.
    explicit PersonWriter(services::ProcedureServices& s);
    PersonWriter(const PersonWriter&) = delete;
    PersonWriter& operator=(const PersonWriter&) = delete;

    // person: an Osoby record image; it is added with OSO:ID := firm and the
    // note as its memo. True when it was added.
    bool add(const std::uint8_t* person, const std::string& note, std::int32_t firm,
             bool missingOnly);

private:
    std::int32_t freeNumber(std::int32_t wanted);
    bool firmHas(std::int32_t firm, std::string_view name);

    services::ProcedureServices& s_;
    std::int32_t next_ = 1; // where a renumbered person's number is looked for
};

} // namespace zv::exchange
