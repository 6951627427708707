#include "app/records/kinds/saved_selections.h"

#include "app/selections/selection/saved_files.h"
#include "app/shell/dictionary/records.h"

namespace zv::records {

BrowseDecl savedSelectionsBrowse() {
    BrowseDecl d;
    d.file = "UlVybery";
    d.orders = {
        {"ULV:BYCV", LocatorKind::Number, 5, {}, "Číslo výběru", ""},
        {"ULV:BYNAZEV", LocatorKind::Text, 40, {}, "Popis výběru", ""},
        {"ULV:BYCV", LocatorKind::None, 0, {}, "", ""},
    };
    d.columns = {
        {"Číslo", "ULV:CV", {}, 6, true, 5},        {"Datum", "ULV:DATUM", {}, 10, false, 0},
        {"Popis", "ULV:POPIS", {}, 30, false, 0},   {"Uložil", "ULV:ULOZIL", {}, 14, false, 0},
        {"Soubor", "ULV:SOUBOR", {}, 10, false, 0}, {"Poznamka", "ULV:POZNAMKA", {}, 30, false, 0},
    };
    return d;
}

FormDecl savedSelectionForm(const startup::AppState& state, bool overwrite) {
    FormDecl d;
    d.file = "UlVybery";
    d.numberField = "ULV:CV";
    d.numberKey = "ULV:BYCV";
    d.insertTitle = "Detaily ohledně výběru";
    d.changeTitle = "Detaily ohledně výběru";
    d.keyNames = {{"ULV:BYCV", "ULV:ByCV"}, {"ULV:BYNAZEV", "ULV:ByNazev"}};
    const std::string user = state.userName;
    const std::string prefix = state.dataPrefix;
    const std::int32_t today = state.dnes;
    d.primeInsert = [user, today](access::RecordFile& f) {
        auto& r = f.as<rec::UlVyberyRecord>();
        r.DATUM.set(today);
        r.ULOZIL.set(user);
    };
    d.numberTaken = [prefix](std::int64_t number) {
        return selections::savedFileExists(prefix, selections::savedFileName(number));
    };
    d.numbered = [](access::RecordFile& f) {
        auto& r = f.as<rec::UlVyberyRecord>();
        r.SOUBOR.set(selections::savedFileName(r.CV.get()));
    };
    if (overwrite) {
        d.okCompletesUnchanged = true;
        d.stampChange = [today](access::RecordFile& f) {
            f.as<rec::UlVyberyRecord>().DATUM.set(today);
        };
    }
    d.procedure = "ULVYBERY_U";
    d.section = "UlVybery_U";
    d.minimumWidth = 460;
    d.tabs = {{"Výběr",
               {},
               {field("Výběr č.:", "ULV:CV", "Číslo výběru"),
                field("Soubor:", "ULV:SOUBOR", "Jméno souboru s výběrem"),
                field("Datum:", "ULV:DATUM", "Datum poslední úpravy výběru"),
                field("Uložil:", "ULV:ULOZIL", "Tvůrce výběru"),
                field("Popis:", "ULV:POPIS", "Název výběru"),
                text("Poznámka", "ULV:POZNAMKA", "Další charakteristika výběru")}}};
    return d;
}

void pointAtSavedFile(access::Database& db, const startup::AppState& state) {
    const auto& entry = db.file("UlVybery").as<rec::UlVyberyRecord>();
    (void)selections::makeSavedDirectory(state.dataPrefix);
    db.file("AktVyber")
        .setPhysicalName(selections::savedPhysicalName(state.dataPrefix, entry.SOUBOR.trimmed()));
}

} // namespace zv::records
