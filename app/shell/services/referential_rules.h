// The delete and update rules that keep child records consistent with their
// parents, each run inside a transaction with a 2-second lock time-out:
//  - Adresar: restrict (a firm with keywords, persons, contacts or tasks is
//    neither deleted nor given another number);
//  - EVKLICSL: cascade on delete (a keyword's attachments to firms go with it),
//    restrict on update;
//  - every other file: plain delete and update inside a transaction.
// Every path commits or rolls back, and child files a rule opened are released
// before it returns.
#pragma once

#include "procedure_services.h"

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace zv::services {

enum RuleResult : int {
    kRuleDone = 0,
    kRuleFailed = 1,
    kRuleChangedElsewhere = 2, // the record was changed by another station and has been re-read
};

// One child relation: the child file, its key on the link field, and the field
// pair that links it to the parent.
struct ChildLink {
    std::string_view child;       // "Klice"
    std::string_view key;         // "KLI:BYID"
    std::string_view childField;  // "KLI:ID"
    std::string_view parentField; // "ADR:ID"
};

enum class DeleteKind { None, Plain, Restrict, Cascade };

struct FileRules {
    std::string_view label;
    DeleteKind onDelete;
    bool restrictUpdate;
    std::vector<ChildLink> children; // checked in this order
};

// The rules of a file (plain rules for a file without an entry of its own).
const FileRules& rulesFor(std::string_view label);

// Deletes the current record of file under its rule.
int deleteRule(ProcedureServices& s, access::RecordFile& file);

// Writes the record buffer of file (its current record) under its rule.
// calledFromForm chooses message 38 over 15 when another station changed the
// record. original, when given, is the record as it was read: a changed link
// value is refused while children still point at the old one.
int updateRule(ProcedureServices& s, access::RecordFile& file, bool calledFromForm,
               std::span<const std::uint8_t> original = {});

} // namespace zv::services
