#include "referential_rules.h"

#include "standard_open.h"

#include "app/shell/dictionary/dictionary.h"
#include "platform/codepage.h"

#include <algorithm>
#include <cstring>

namespace zv::services {

using namespace zv::access;

namespace {

constexpr int kLockSeconds = 2;

const std::vector<FileRules>& allRules() {
    static const std::vector<FileRules> rules = {
        {"Adresar",
         DeleteKind::Restrict,
         true,
         {{"Klice", "KLI:BYID", "KLI:ID", "ADR:ID"},
          {"Osoby", "OSO:BYID", "OSO:ID", "ADR:ID"},
          {"Schuzky", "SCH:BYID", "SCH:ID", "ADR:ID"},
          {"UKOLY", "UKO:BYID", "UKO:ID", "ADR:ID"}}},
        {"EVKLICSL", DeleteKind::Cascade, true, {{"Klice", "KLI:BYKLIC", "KLI:IDKL", "EVK:IDKS"}}},
        {"Kategorie", DeleteKind::None, false, {}},
    };
    return rules;
}

// The bytes of a field in a record buffer.
std::span<std::uint8_t> fieldBytes(RecordFile& file, std::string_view fieldName) {
    const auto ref = dict::fieldByName(fieldName);
    if (!ref) return {};
    return {file.record() + ref.layoutField().offset, ref.layoutField().size};
}

// The child files a rule works on; those nobody had open are opened by the
// rule and released when it ends.
class Children {
public:
    Children(ProcedureServices& s, const FileRules& rules) {
        for (const ChildLink& link : rules.children) {
            RecordFile& f = s.db.file(link.child);
            if (std::find(files_.begin(), files_.end(), &f) != files_.end()) continue;
            if (!f.isOpen()) {
                if (standardOpen(s, f) != OpenOutcome::Opened) {
                    ok_ = false;
                    continue;
                }
                opened_.push_back(&f);
            }
            files_.push_back(&f);
        }
    }
    ~Children() {
        for (RecordFile* f : opened_)
            standardRelease(*f);
    }
    Children(const Children&) = delete;
    Children& operator=(const Children&) = delete;

    bool ok() const { return ok_; }
    const std::vector<RecordFile*>& files() const { return files_; }

private:
    std::vector<RecordFile*> files_;  // every child file, in rule order
    std::vector<RecordFile*> opened_; // those this rule opened
    bool ok_ = true;
};

int beginFor(ProcedureServices& s, RecordFile& parent, const Children& children,
             std::string_view operation) {
    std::vector<RecordFile*> files{&parent};
    files.insert(files.end(), children.files().begin(), children.files().end());
    const int code = s.db.beginTransaction(kLockSeconds, files);
    if (code != 0) {
        s.saveError();
        s.message(msg::TransactionFraming, parent.def().label, operation);
    }
    return code;
}

int fail(ProcedureServices& s, int message, std::string_view name) {
    s.saveError();
    (void)s.db.rollback();
    if (message) s.message(message, name);
    return kRuleFailed;
}

// Looks for a child of link whose link field holds value. 1: found, 0: none,
// -1: a read error (message 35 shown).
int findChild(ProcedureServices& s, const ChildLink& link, std::span<const std::uint8_t> value) {
    RecordFile& child = s.db.file(link.child);
    const auto field = fieldBytes(child, link.childField);
    if (field.size() != value.size()) return 0;
    std::memcpy(field.data(), value.data(), value.size());
    const int key = child.keyNumber(link.key);
    int code = child.setKeyValue(key);
    if (code == 0) code = child.next();
    if (code == kRecordNotAvailable) return 0;
    if (code != 0) {
        s.saveError();
        s.message(msg::RecordRetrieval, link.child);
        return -1;
    }
    return std::memcmp(fieldBytes(child, link.childField).data(), value.data(), value.size()) == 0
               ? 1
               : 0;
}

} // namespace

const FileRules& rulesFor(std::string_view label) {
    for (const FileRules& r : allRules())
        if (cp1250::equalNoCase(r.label, label)) return r;
    static const FileRules plain{"", DeleteKind::Plain, false, {}};
    return plain;
}

int deleteRule(ProcedureServices& s, RecordFile& file) {
    const FileRules& rules = rulesFor(file.def().label);
    if (rules.onDelete == DeleteKind::None) {
        if (file.remove() != 0) return fail(s, 17, file.name());
        return kRuleDone;
    }
    const Position pos = file.position(-1);
    Children children(s, rules);
    if (!children.ok()) return kRuleFailed;
    if (beginFor(s, file, children, "Delete") != 0) return kRuleFailed;
    if (file.reget(pos) != 0) {
        s.saveError();
        (void)s.db.rollback();
        s.message(msg::RecordRetrieval, file.def().label);
        return kRuleFailed;
    }
    for (const ChildLink& link : rules.children) {
        std::vector<std::uint8_t> value;
        {
            const auto v = fieldBytes(file, link.parentField);
            value.assign(v.begin(), v.end());
        }
        if (rules.onDelete == DeleteKind::Cascade) {
            RecordFile& child = s.db.file(link.child);
            for (;;) {
                const int found = findChild(s, link, value);
                if (found < 0) return fail(s, 0, {});
                if (found == 0) break;
                if (child.remove() != 0) return fail(s, 17, child.name());
            }
            continue;
        }
        const int found = findChild(s, link, value);
        if (found < 0) return fail(s, 0, {});
        if (found > 0) return fail(s, 13, link.child);
    }
    if (file.remove() != 0) return fail(s, 17, file.name());
    if (s.db.commit() != 0) {
        s.saveError();
        s.message(msg::DeleteOperationError, file.name());
        return kRuleFailed;
    }
    return kRuleDone;
}

int updateRule(ProcedureServices& s, RecordFile& file, bool calledFromForm,
               std::span<const std::uint8_t> original) {
    const FileRules& rules = rulesFor(file.def().label);
    std::vector<const ChildLink*> checks;
    if (rules.restrictUpdate && original.size() == file.recordSize()) {
        for (const ChildLink& link : rules.children) {
            const auto ref = dict::fieldByName(link.parentField);
            const auto now = fieldBytes(file, link.parentField);
            if (std::memcmp(now.data(), original.data() + ref.layoutField().offset, now.size()) !=
                0)
                checks.push_back(&link);
        }
    }
    const FileRules none{"", DeleteKind::Plain, false, {}};
    Children children(s, checks.empty() ? none : rules);
    if (!children.ok()) return kRuleFailed;
    if (beginFor(s, file, children, "Update") != 0) return kRuleFailed;
    const Position pos = file.position(-1);
    for (const ChildLink* link : checks) {
        const auto ref = dict::fieldByName(link->parentField);
        const std::span<const std::uint8_t> old(original.data() + ref.layoutField().offset,
                                                ref.layoutField().size);
        const int found = findChild(s, *link, old);
        if (found < 0) return fail(s, 0, {});
        if (found > 0) {
            // The link goes back to its original value; the rest of the change stays in the buffer.
            std::memcpy(file.record() + ref.layoutField().offset, old.data(), old.size());
            return fail(s, 12, link->child);
        }
    }
    const int code = file.put();
    if (code == 0) {
        if (s.db.commit() != 0) {
            s.saveError();
            s.message(msg::UpdateOperationError, s.saved.text);
            return kRuleFailed;
        }
        return kRuleDone;
    }
    s.saveError();
    if (code == kRecordChanged) {
        if (calledFromForm)
            s.message(msg::ChangedByAnotherStation);
        else
            s.message(msg::UpdateOperationError, "Record Changed by Another Station");
        (void)file.reget(pos);
        (void)s.db.rollback();
        return kRuleChangedElsewhere;
    }
    (void)s.db.rollback();
    s.message(msg::UpdateOperationError, s.saved.text);
    return kRuleFailed;
}

} // namespace zv::services
