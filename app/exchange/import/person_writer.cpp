#include "app/exchange/import/person_writer.h"

#include "app/shell/access/saved_record.h"
#include "app/shell/dictionary/records.h"

#include <cstring>

namespace zv::exchange {

using rec::OsobyRecord;

PersonWriter::PersonWriter(services::ProcedureServices& s) : s_(s) {
    auto& oso = s_.db.file("Osoby");
    oso.clearBuffer();
    if (oso.setKeyEnd(oso.keyNumber("OSO:BYREC")) == 0 && oso.previous() == 0)
        next_ = oso.as<OsobyRecord>().REC.get() + 1;
}

std::int32_t PersonWriter::freeNumber(std::int32_t wanted) {
    auto& oso = s_.db.file("Osoby");
    const access::SavedRecord keep(oso);
    auto taken = [&](std::int32_t n) {
        oso.clearBuffer();
        oso.as<OsobyRecord>().REC.set(n);
        return oso.getByKey(oso.keyNumber("OSO:BYREC")) == 0;
    };
    if (wanted > 0 && !taken(wanted)) return wanted;
    while (taken(next_))
        ++next_;
    return next_++;
}

bool PersonWriter::firmHas(std::int32_t firm, std::string_view name) {
    auto& oso = s_.db.file("Osoby");
    oso.clearBuffer();
    oso.as<OsobyRecord>().ID.set(firm);
    if (oso.setKeyValue(oso.keyNumber("OSO:BYID")) != 0) return false;
    while (oso.next() == 0 && oso.as<OsobyRecord>().ID.get() == firm)
        if (oso.as<OsobyRecord>().KONTAKT.trimmed() == name) return true;
    return false;
}

bool PersonWriter::add(const std::uint8_t* person, const std::string& note, std::int32_t firm,
                       bool missingOnly) {
    auto& oso = s_.db.file("Osoby");
    OsobyRecord image;
    std::memcpy(&image, person, sizeof image);
    if (missingOnly && firmHas(firm, image.KONTAKT.trimmed())) return false;
    const std::int32_t number = freeNumber(image.REC.get());
    std::memcpy(oso.record(), &image, sizeof image);
    oso.setMemo(note);
    oso.as<OsobyRecord>().ID.set(firm);
    oso.as<OsobyRecord>().REC.set(number);
    oso.clearCurrent();
    return oso.add() == 0;
}

} // namespace zv::exchange
