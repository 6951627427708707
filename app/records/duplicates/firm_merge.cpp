#include "app/records/duplicates/firm_merge.h"

#include "app/selections/selection/selection.h"
#include "app/shell/dictionary/field_text.h"
#include "app/shell/dictionary/field_values.h"
#include "app/shell/dictionary/records.h"
#include "app/shell/services/standard_open.h"

#include <cstring>
#include <vector>

namespace zv::records {
namespace {

using access::RecordFile;
using rec::AdresarRecord;

constexpr int kLockSeconds = 2;
const char* const kFiles[] = {"Adresar", "Osoby", "Schuzky", "UKOLY", "Klice", "Vybery"};

// The files of a merge, opened through the standard open for its length.
class MergeFiles {
public:
    explicit MergeFiles(services::ProcedureServices& s) {
        for (const char* label : kFiles) {
            RecordFile& f = s.db.file(label);
            if (services::standardOpen(s, f) != services::OpenOutcome::Opened) {
                error_ = s.db.errorCode() ? s.db.errorCode() : access::kFileNotOpen;
                return;
            }
            opened_.push_back(&f);
        }
    }
    ~MergeFiles() {
        for (RecordFile* f : opened_)
            services::standardRelease(*f);
    }
    MergeFiles(const MergeFiles&) = delete;
    MergeFiles& operator=(const MergeFiles&) = delete;

    int error() const { return error_; }
    const std::vector<RecordFile*>& files() const { return opened_; }

private:
    std::vector<RecordFile*> opened_;
    int error_ = 0;
};

bool readFirm(RecordFile& adr, std::int32_t id) {
    adr.clearBuffer();
    adr.as<AdresarRecord>().ID.set(id);
    return adr.getByKey(adr.keyNumber("ADR:BYID")) == 0;
}

// Gives every child of `from` in `label` (linked by `field`, found by `key`)
// to `to`. Returns 0 or the error; counts the records moved.
int moveChildren(RecordFile& file, const char* key, const char* field, std::int32_t from,
                 std::int32_t to, long& moved) {
    const dict::FieldSpec* link = dict::fieldOf(file.def(), field);
    if (!link) return access::kInvalidDeclaration;
    const int k = file.keyNumber(key);
    for (;;) {
        file.clearBuffer();
        dict::setFieldInteger(*link, file.record(), from);
        // The key holds more than the link: the firm's first record is the first at
        // or after the link value alone; each one moved leaves the range.
        int rc = file.setKeyValue(k);
        if (rc == 0) rc = file.next();
        if (rc == access::kRecordNotAvailable) return 0;
        if (rc != 0) return rc;
        if (dict::fieldInteger(*link, file.record()) != from) return 0;
        dict::setFieldInteger(*link, file.record(), to);
        if (const int put = file.put()) return put;
        ++moved;
    }
}

// Klice: a keyword both firms carry is dropped from the other, the rest move.
int moveKeywords(RecordFile& klice, std::int32_t from, std::int32_t to, MergeCounts& c) {
    const int byId = klice.keyNumber("KLI:BYID");
    std::vector<std::int32_t> keywords;
    klice.clearBuffer();
    klice.as<rec::KliceRecord>().ID.set(from);
    int rc = klice.setKeyValue(byId);
    while (rc == 0 && (rc = klice.next()) == 0 && klice.as<rec::KliceRecord>().ID.get() == from)
        keywords.push_back(klice.as<rec::KliceRecord>().IDKL.get());
    if (rc != 0 && rc != access::kRecordNotAvailable) return rc;
    auto find = [&](std::int32_t firm, std::int32_t keyword) {
        klice.clearBuffer();
        klice.as<rec::KliceRecord>().ID.set(firm);
        klice.as<rec::KliceRecord>().IDKL.set(keyword);
        return klice.getByKey(byId);
    };
    for (const std::int32_t keyword : keywords) {
        const bool shared = find(to, keyword) == 0;
        if (const int got = find(from, keyword)) return got;
        if (shared) {
            if (const int removed = klice.remove()) return removed;
            ++c.keywordsShared;
            continue;
        }
        klice.as<rec::KliceRecord>().ID.set(to);
        if (const int put = klice.put()) return put;
        ++c.keywords;
    }
    return 0;
}

// The merge itself, inside the transaction; 0 or the error.
int merge(services::ProcedureServices& s, std::int32_t kept, std::int32_t other,
          const MergeStamp& stamp, MergeCounts& c) {
    RecordFile& adr = s.db.file("Adresar");
    if (!readFirm(adr, other)) return access::kRecordNotFound;
    const std::vector<std::uint8_t> from(adr.record(), adr.record() + adr.recordSize());
    const std::string fromNote = adr.memo();
    if (!readFirm(adr, kept)) return access::kRecordNotFound;
    std::vector<std::uint8_t> into(adr.record(), adr.record() + adr.recordSize());
    std::string intoNote = adr.memo();

    // The kept firm's empty fields take the other's values.
    for (const auto& field : adr.def().layout->fields) {
        if (field.member == "ID" || !dict::isBlankField(field, into.data()) ||
            dict::isBlankField(field, from.data()))
            continue;
        std::memcpy(into.data() + field.offset, from.data() + field.offset, field.size);
        ++c.fieldsFilled;
    }
    if (intoNote.find_first_not_of(" \r\n") == std::string::npos &&
        fromNote.find_first_not_of(" \r\n") != std::string::npos) {
        intoNote = fromNote;
        ++c.fieldsFilled;
    }
    auto& firm = *reinterpret_cast<AdresarRecord*>(into.data());
    if (!stamp.user.empty()) firm.UPRAVIL.set(stamp.user);
    if (stamp.date != 0) firm.DT_UPRAVY.set(stamp.date);

    if (int rc = moveChildren(s.db.file("Osoby"), "OSO:BYID", "OSO:ID", other, kept, c.persons))
        return rc;
    if (int rc = moveChildren(s.db.file("Schuzky"), "SCH:BYID", "SCH:ID", other, kept, c.meetings))
        return rc;
    if (int rc = moveChildren(s.db.file("UKOLY"), "UKO:BYID", "UKO:ID", other, kept, c.tasks))
        return rc;
    if (int rc = moveKeywords(s.db.file("Klice"), other, kept, c)) return rc;

    // The other firm goes first: the kept one may take its name and town.
    if (!readFirm(adr, other)) return access::kRecordNotFound;
    if (int rc = adr.remove()) return rc;
    if (!readFirm(adr, kept)) return access::kRecordNotFound;
    std::memcpy(adr.record(), into.data(), into.size());
    adr.setMemo(intoNote);
    if (int rc = adr.put()) return rc;

    RecordFile& vyb = s.db.file("Vybery");
    const int byId = vyb.keyNumber("VYB:BYID");
    vyb.clearBuffer();
    vyb.as<rec::VyberyRecord>().ID.set(other);
    if (vyb.getByKey(byId) == 0) {
        if (int rc = vyb.remove()) return rc;
        c.selectionRowDropped = true;
    }
    vyb.clearBuffer();
    vyb.as<rec::VyberyRecord>().ID.set(kept);
    if (vyb.getByKey(byId) == 0) {
        selections::copyFirm(adr, vyb); // the row is a copy of the firm as it is now
        if (int rc = vyb.put()) return rc;
    }
    return 0;
}

} // namespace

int mergeFirms(services::ProcedureServices& s, std::int32_t kept, std::int32_t other,
               const MergeStamp& stamp, MergeCounts* counts) {
    MergeCounts c;
    if (kept == other || kept == 0 || other == 0) return access::kRecordNotFound;
    MergeFiles files(s);
    if (files.error() != 0) return files.error();
    if (const int rc = s.db.beginTransaction(kLockSeconds, files.files())) return rc;
    const int rc = merge(s, kept, other, stamp, c);
    if (rc != 0) {
        (void)s.db.rollback();
        s.db.setError(rc);
        return rc;
    }
    if (const int committed = s.db.commit()) return committed;
    if (counts) *counts = c;
    return 0;
}

} // namespace zv::records
