#include "app/records/kinds/vybery.h"

#include "app/selections/selection/auto_history.h"

namespace zv::records {

BrowseDecl vyberBrowse() {
    BrowseDecl d;
    d.file = "Vybery";
    d.orders = {
        {"VYB:BYFIRMA", LocatorKind::Text, 50, {"VYB:MESTO"}, "Výběr dle &Firem", ""},
        {"VYB:BYMESTO", LocatorKind::Text, 50, {}, "Výběr dle &Měst", ""},
        {"VYB:BYID", LocatorKind::Number, 5, {}, "Výběr dle &ID", ""},
        {"VYB:BYID", LocatorKind::None, 0, {}, "", ""},
    };
    d.columns = {
        {"ID", "VYB:ID", {}, 6, true, 0},         {"Firma", "VYB:FIRMA", {}, 26, false, 0},
        {"Město", "VYB:MESTO", {}, 15, false, 0}, {"Kontakt", "VYB:JMENO1", {}, 15, false, 0},
        {"Telefon", "VYB:TF1", {}, 15, false, 0}, {"Fax", "VYB:FAX1", {}, 15, false, 0},
    };
    return d;
}

FormDecl vyberForm() {
    FormDecl d;
    d.file = "Vybery";
    d.insertTitle = "Prohlížení položky z adresáře";
    d.changeTitle = "Prohlížení položky z adresáře";
    d.keyNames = {{"VYB:BYID", "Vyb:ByID"}, {"VYB:BYFIRMA", "Vyb:ByFirma"}};
    d.procedure = "VYBER_U";
    d.section = "Vyber_U";
    d.minimumWidth = 420;
    d.tabs = {
        {"Hlavní údaje",
         {},
         {field("ID:", "VYB:ID"), field("Firma:", "VYB:FIRMA"), field("Ulice:", "VYB:ULICE"),
          field("PSČ:", "VYB:PSC"), field("Město:", "VYB:MESTO"), field("Stát:", "VYB:STAT")}},
        {"Jména", {}, {field("Osoba pro štítek:", "VYB:JMENO1")}},
        {"Telefony", {}, {field("Telefon:", "VYB:TF1")}},
        {"Faxy", {}, {field("FAX:", "VYB:FAX1")}},
        {"Informace", {}, {field("Sada popisů kategorií:", "VYB:TEXTY")}},
    };
    return d;
}

FormDecl autoHistoryForm(const startup::AppState& state, std::int32_t now,
                         std::function<void(access::RecordFile& schuzky)> save) {
    FormDecl d;
    d.file = "Schuzky";
    d.insertTitle = "Údaje o kontaku";
    d.changeTitle = "Údaje o kontaku";
    d.procedure = "AUTOHISTORIE";
    d.section = "AutoHistorie";
    d.files = {"Vybery"};
    d.minimumWidth = 460;
    const std::string user = state.userName;
    const std::int32_t today = state.dnes;
    d.primeInsert = [user, today, now](access::RecordFile& f) {
        selections::primeAutoHistory(f, user, today, now);
    };
    d.saveInsert = std::move(save);
    d.tabs = {
        {"Údaje o kontaku",
         {},
         {field("Vložil:", "SCH:Vlozil"), field("Datum:", "SCH:Datum"), field("Čas:", "SCH:CAS"),
          field("Jméno:", "SCH:Jmeno"), field("Popis:", "SCH:Popis"), text("Pozn:", "SCH:Pozn")}}};
    return d;
}

} // namespace zv::records
