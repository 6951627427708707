#include "app/exchange/import/mapped_firm.h"

#include "app/shell/access/saved_record.h"
#include "app/shell/dictionary/field_values.h"
#include "app/shell/dictionary/records.h"

#include <algorithm>
#include <cstring>
#include <span>

namespace zv::exchange {

using rec::AdresarRecord;

MappedFirmWriter::MappedFirmWriter(services::ProcedureServices& s, bool withPersons)
    : s_(s), withPersons_(withPersons) {
    auto& adr = s_.db.file("Adresar");
    adr.clearBuffer();
    if (adr.setKeyEnd(adr.keyNumber("ADR:BYID")) == 0 && adr.previous() == 0)
        nextFirm_ = adr.as<AdresarRecord>().ID.get() + 1;
    begin();
}

MappedFirmWriter::~MappedFirmWriter() {
    finish();
}

void MappedFirmWriter::begin() {
    access::RecordFile* book[] = {&s_.db.file("Adresar"), &s_.db.file("Osoby")};
    inTransaction_ = s_.db.beginTransaction(
                         2, std::span<access::RecordFile* const>(book, withPersons_ ? 2 : 1)) == 0;
}

void MappedFirmWriter::end() {
    if (inTransaction_) (void)s_.db.commit();
    inTransaction_ = false;
}

void MappedFirmWriter::finish() {
    if (finished_) return;
    finished_ = true;
    end();
}

std::int32_t MappedFirmWriter::freeFirmNumber() {
    auto& adr = s_.db.file("Adresar");
    const access::SavedRecord keep(adr);
    for (;; ++nextFirm_) {
        adr.clearBuffer();
        adr.as<AdresarRecord>().ID.set(nextFirm_);
        if (adr.getByKey(adr.keyNumber("ADR:BYID")) != 0) return nextFirm_++;
    }
}

MappedFirm MappedFirmWriter::apply(const std::vector<std::uint8_t>& image,
                                   const std::vector<int>& mapped, const std::string& note,
                                   bool noteMapped, ImportMode mode, ImportCounts& counts) {
    MappedFirm out;
    if (finished_) return out;
    auto& adr = s_.db.file("Adresar");
    const auto& layout = *adr.def().layout;
    if (image.size() != adr.recordSize()) return out;
    // The batch ends before a row, so that a row's firm and persons share one.
    if (rows_ > 0 && rows_ % kRowsPerWriteOut == 0) {
        end();
        begin();
    }
    ++rows_;
    const auto& firm = *reinterpret_cast<const AdresarRecord*>(image.data());
    adr.clearBuffer();
    adr.as<AdresarRecord>().FIRMA.set(firm.FIRMA.trimmed());
    adr.as<AdresarRecord>().MESTO.set(firm.MESTO.trimmed());
    const bool named = !firm.FIRMA.trimmed().empty();
    const bool exists = named && adr.getByKey(adr.keyNumber("ADR:BYFIRMA")) == 0;
    if (!exists) {
        if (!named) {
            ++counts.skipped; // a row without a firm name
        } else {
            std::copy(image.begin(), image.end(), adr.record());
            adr.setMemo(noteMapped ? note : std::string());
            adr.as<AdresarRecord>().ID.set(freeFirmNumber());
            if (adr.as<AdresarRecord>().TEXTY.get() == 0) adr.as<AdresarRecord>().TEXTY.set(1);
            adr.clearCurrent();
            if (adr.add() == 0) {
                ++counts.added;
                out.added = adr.as<AdresarRecord>().ID.get();
            } else {
                ++counts.skipped;
            }
        }
        return out;
    }
    out.existing = adr.as<AdresarRecord>().ID.get();
    if (mode == ImportMode::Never ||
        (mode == ImportMode::Newer &&
         adr.as<AdresarRecord>().DT_UPRAVY.get() >= firm.DT_UPRAVY.get())) {
        ++counts.skipped; // a row without a date of change is never newer
    } else {
        // Newer and Always: the row's fields replace the firm's; Fill: they fill its empty ones.
        bool changed = false;
        for (const int i : mapped) {
            if (i < 0 || std::size_t(i) >= layout.fields.size()) continue;
            const auto& field = layout.fields[std::size_t(i)];
            if (field.member == "ID" || dict::isBlankField(field, image.data())) continue;
            if (mode == ImportMode::Fill && !dict::isBlankField(field, adr.record())) continue;
            std::memcpy(adr.record() + field.offset, image.data() + field.offset, field.size);
            changed = true;
        }
        if (noteMapped && !note.empty() &&
            (mode != ImportMode::Fill || adr.memo().find_first_not_of(' ') == std::string::npos)) {
            adr.setMemo(note);
            changed = true;
        }
        if (changed && adr.put() == 0)
            ++counts.changed;
        else
            ++counts.skipped;
    }
    return out;
}

} // namespace zv::exchange
