#include "app/records/kinds/tasks.h"

#include "app/records/kinds/address_book.h"
#include "app/selections/bindings/file_bindings.h"
#include "app/selections/evaluator/evaluator.h"
#include "app/shell/dictionary/records.h"
#include "platform/dates/standard_date.h"

#include <utility>

namespace zv::records {

namespace {

// What the filters' names read: one place for the process, filled from the
// running list's own values just before its filter decides a record.
TaskListValues bound;

bool bindNames() {
    static const bool ok = evaluator::bindInteger("Dnes", &bound.dnes) &&
                           evaluator::bindInteger("Zitra", &bound.zitra) &&
                           evaluator::bindInteger("SH", &bound.sh) &&
                           evaluator::bindInteger("BRW1::Sort4:Reset:ADR:ID", &bound.firm) &&
                           evaluator::bindInteger("BRW3::Sort1:Save:UKO:DT_SCHED", &bound.day);
    return ok;
}

access::View::Filter listFilter(const std::shared_ptr<TaskListValues>& values,
                                std::string_view expression) {
    if (!bindNames()) return {};
    access::View::Filter filter = selections::textFilter(expression);
    if (!filter) return {};
    return [values, filter = std::move(filter)](const access::RecordFile& f) {
        bound = *values;
        return filter(f);
    };
}

// Starts an order at a date of its first key field (UKO:DT_SCHED).
std::function<void(access::RecordFile&)> startAtDate(const std::shared_ptr<TaskListValues>& values,
                                                     std::int32_t TaskListValues::*date) {
    return [values, date](access::RecordFile& f) {
        f.as<rec::UkolyRecord>().DT_SCHED.set(*values.*date);
    };
}

FormDecl taskForm(const startup::AppState& state, std::int32_t firmId) {
    FormDecl d;
    d.file = "UKOLY";
    d.numberField = "UKO:CUKOLU";
    d.numberKey = "UKO:BYCUKOLU";
    d.insertTitle = "Přidávám úkol";
    d.changeTitle = "Změna v úkolu";
    const std::string user = state.userName;
    d.primeInsert = [firmId, user](access::RecordFile& f) {
        auto& r = f.as<rec::UkolyRecord>();
        r.DT_ZADANI.set(dates::today());
        r.TM_ZADANI.set(dates::clockTime());
        r.OS_ZADANI.set(user);
        r.OS_SCHED.set(user);
        if (firmId != 0) r.ID.set(firmId);
    };
    d.files = {"Adresar", "Osoby"};
    d.navigation = true;
    d.okHint = "Potvrdí úkol a uzavre okno";
    FormTab definition{"Definice úkolu", {}, {}};
    definition.items = {shownField("Číslo úkolu:", "UKO:CUKOLU"),
                        field("Úkol:", "UKO:POPIS"),
                        withLookup(withPick(field("ID firmy:", "UKO:ID"),
                                            {"ADRESAR_S", "ADR:ID", "Vybere firmu z adresáře"}),
                                   kFirmName),
                        withChoices(field("Jméno:", "UKO:JMENO"), personsOfFirm("UKO:ID")),
                        field("Datum:", "UKO:DT_SCHED"),
                        field("Čas:", "UKO:TM_SCHED"),
                        field("Řešitel:", "UKO:OS_SCHED")};
    FormTab system{"Systémové údaje", {}, {}};
    system.items = {field("Datum zadání:", "UKO:DT_ZADANI"), field("Čas zadání:", "UKO:TM_ZADANI"),
                    field("Zadal:", "UKO:OS_ZADANI"),
                    group("Splnění úkolu",
                          {check("Splněno", "UKO:SPLNENO"), field("Datum splnění:", "UKO:DT_PROV"),
                           field("Čas splnění:", "UKO:TM_PROV"), field("Splnil:", "UKO:OS_PROV")})};
    d.tabs = {definition, system, {"Poznámka", {}, {memo({})}}};
    return d;
}

} // namespace

std::shared_ptr<TaskListValues> taskListValues(std::int32_t today) {
    auto v = std::make_shared<TaskListValues>();
    v->dnes = today;
    v->zitra = today + 1;
    v->day = today;
    return v;
}

std::uint32_t taskColour(const access::RecordFile& ukoly, std::int32_t today) {
    const auto& r = ukoly.as<rec::UkolyRecord>();
    const std::int32_t due = r.DT_SCHED.get();
    const bool open = r.SPLNENO.get() == 0;
    if (due == today && open) return kDueTodayColour;
    if (due < today && open) return kOverdueColour;
    if (r.SPLNENO.get() == 1) return kDoneColour;
    return kDefaultColour;
}

BrowseDecl ukolyBrowse(std::shared_ptr<TaskListValues> values) {
    BrowseDecl d;
    d.file = "UKOLY";
    d.orders = {
        {"UKO:BYSCHED",
         LocatorKind::None,
         0,
         {},
         " &Aktuální",
         "Ukáže nesplněné a dnešní úkoly",
         listFilter(values, "UKO:DT_SCHED >= SH AND UKO:DT_SCHED <= Dnes AND (UKO:Splneno = 0)")},
        {"UKO:BYSCHED",
         LocatorKind::None,
         0,
         {},
         " D&nešní",
         "Ukaže pouze dnešní úkoly",
         listFilter(values, "UKO:DT_SCHED = Dnes"),
         startAtDate(values, &TaskListValues::dnes)},
        {"UKO:BYSCHED",
         LocatorKind::None,
         0,
         {},
         " &Zítřejší",
         "Ukáže pouze zítřejší úkoly",
         listFilter(values, "UKO:DT_SCHED = Zitra"),
         startAtDate(values, &TaskListValues::zitra)},
        {"UKO:BYCUKOLU",
         LocatorKind::Number,
         6,
         {},
         " &Všechny",
         "Zobrazí všechny evidované úkoly podle čísla úkolu"},
        {"UKO:BYID",
         LocatorKind::None,
         0,
         {},
         " dle &Firmy",
         "Vybere úkoly k vybrané firmě",
         listFilter(values, "UKO:ID = BRW1::Sort4:Reset:ADR:ID"),
         [values](access::RecordFile& f) { f.as<rec::UkolyRecord>().ID.set(values->firm); }},
        {"UKO:BYSCHED",
         LocatorKind::None,
         0,
         {},
         " dle &Termínů",
         "Seřadí všechny úkoly podle data očekávaného provedení"},
        {"UKO:BYCUKOLU", LocatorKind::None, 0, {}, "", ""},
    };
    d.columns = {{"Úkol:", "UKO:CUKOLU", {}, 6, true, 6},
                 {"Datum", "UKO:DT_SCHED", {}, 10, false, 0},
                 {"Čas:", "UKO:TM_SCHED", {}, 5, false, 0},
                 {"Úkol:", "UKO:POPIS", {}, 30, false, 0},
                 {"Jméno:", "UKO:JMENO", {}, 20, false, 0},
                 {"Řešitel:", "UKO:OS_SCHED", {}, 12, false, 0},
                 {"Firma", "UKO:ID", {}, 26, false, 0, kFirmName}};
    d.rowColour = [values](const access::RecordFile& f) { return taskColour(f, values->dnes); };
    return d;
}

BrowseDecl dayTasksBrowse(std::shared_ptr<TaskListValues> values) {
    BrowseDecl d;
    d.file = "UKOLY";
    d.orders = {{"UKO:BYSCHED",
                 LocatorKind::None,
                 0,
                 {},
                 "",
                 "",
                 listFilter(values, "UKO:DT_SCHED = BRW3::Sort1:Save:UKO:DT_SCHED"),
                 startAtDate(values, &TaskListValues::day)}};
    d.columns = {{"Datum:", "UKO:DT_SCHED", {}, 10, false, 0},
                 {"Čas:", "UKO:TM_SCHED", {}, 5, false, 0},
                 {"Úkol:", "UKO:POPIS", {}, 30, false, 0},
                 {"Jméno:", "UKO:JMENO", {}, 20, false, 0}};
    d.rowColour = [values](const access::RecordFile& f) { return taskColour(f, values->dnes); };
    return d;
}

FormDecl ukolyForm(const startup::AppState& state) {
    FormDecl d = taskForm(state, 0);
    d.procedure = "UKOLY_U";
    d.section = "Ukoly_U";
    return d;
}

FormDecl ukolyForm1(const startup::AppState& state, std::int32_t firmId) {
    FormDecl d = taskForm(state, firmId);
    d.procedure = "UKOLY_U1";
    d.section = "Ukoly_U1";
    return d;
}

} // namespace zv::records
