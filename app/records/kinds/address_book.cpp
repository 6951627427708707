#include "app/records/kinds/address_book.h"

#include "app/shell/access/database.h"
#include "app/shell/access/look_up.h"
#include "app/shell/dictionary/category_captions.h"
#include "app/shell/dictionary/field_text.h"
#include "app/shell/dictionary/field_values.h"
#include "app/shell/dictionary/records.h"
#include "platform/dates/standard_date.h"

#include <algorithm>

namespace zv::records {

BrowseDecl adresarBrowse() {
    BrowseDecl d;
    d.file = "Adresar";
    d.orders = {
        {"ADR:BYFIRMA",
         LocatorKind::Text,
         50,
         {"ADR:MESTO"},
         "&Firma",
         "Seznam je setřízen podle názvu firmy"},
        {"ADR:BYMESTO",
         LocatorKind::Text,
         50,
         {},
         "&Město",
         "Seznam je setřízen podle názvu města"},
        {"ADR:BYID",
         LocatorKind::Number,
         5,
         {},
         "  ID",
         "Seznam je setřízen podle interního identifikačního čísla firmy"},
        {"ADR:BYID", LocatorKind::None, 0, {}, "", ""},
    };
    d.columns = {
        {"ID", "ADR:ID", {}, 6, true, 0},         {"Firma", "ADR:FIRMA", {}, 26, false, 0},
        {"Město", "ADR:MESTO", {}, 15, false, 0}, {"Kontakt", "ADR:JMENO1", {}, 15, false, 0},
        {"Telefon", "ADR:TF1", {}, 15, false, 0}, {"Fax", "ADR:FAX1", {}, 15, false, 0},
    };
    return d;
}

namespace {

DependentListDecl firmList(BrowseDecl browse, std::string form, std::string formatKey) {
    DependentListDecl l;
    l.browse = std::move(browse);
    l.parentField = "ADR:ID";
    l.form = std::move(form);
    l.formatKey = std::move(formatKey);
    return l;
}

std::vector<FormTab> adresarTabs() {
    const std::string categoryHint = "Vaše kategorie s doplňujícím textem";
    DependentListDecl persons = firmList(personsList(), "OSOBY_U", "?List");
    persons.before = {
        {"&Telefonuj", "Vytočí vybrané telefonní číslo pokud máte Modem a telefon", true}};
    persons.after = {{"-> &Kontakt", "", true}};
    DependentListDecl history = firmList(historyList(), "HISTORIE_U", "?List:2");
    history.before = {{"Tisk historie", "Vytiskne přehled historie firmy", true}};

    FormTab main{"&Hlavní údaje", {}, {}};
    main.items = {
        columns({{shownField("ID:", "ADR:ID", "Identifikační číslo zákazníka"),
                  field("Firma:", "ADR:FIRMA", "Zadejte název obchodního partnera"),
                  field("Ulice:", "ADR:ULICE"), field("PSČ:", "ADR:PSC", "Zadejte PSČ"),
                  field("Město:", "ADR:MESTO")},
                 {field("Stát:", "ADR:STAT"),
                  field("Osoba pro štítek:", "ADR:JMENO1", "Zadejte kontaktní osobu pro tisk"),
                  field("Telefon:", "ADR:TF1"), field("FAX:", "ADR:FAX1")}}),
        dependentList(std::move(persons))};
    FormTab info{" I&nformace", {}, {}};
    for (int n = 1; n <= 10; ++n)
        info.items.push_back(checkRow("ADR:P" + std::to_string(n), categoryHint,
                                      "ADR:P" + std::to_string(n) + "TXT",
                                      "Vaše textová poznámka k tomuto bodu"));
    FormTab split{" Č&lenění", {}, {}};
    for (int n = 11; n <= 20; ++n)
        split.items.push_back(checkRow("ADR:P" + std::to_string(n), categoryHint));
    FormTab more{"D&alší  údaje", {}, {}};
    more.items = {field("IČO:", "ADR:ICO"),
                  field("DIČ:", "ADR:DIC"),
                  field("Banka:", "ADR:BANKA1"),
                  field("Účet:", "ADR:BANKA2", "Zadejte číslo účtu včetně směrového čísla banky"),
                  shownField("Vložil:", "ADR:VLOZIL"),
                  shownField("Datum vložení:", "ADR:DT_VLOZENI"),
                  shownField("Upravil:", "ADR:UPRAVIL"),
                  shownField("Datum úpravy:", "ADR:DT_UPRAVY")};
    FormTab note{
        " P&oznámka", {}, {memo("Poznámka:", 0, "Libovolná poznámka vztahující se k firmě")}};
    FormTab historyTab{"H&istorie", {}, {dependentList(std::move(history))}};
    FormTab keysTab{"K&líče", {}, {dependentList(firmList(keywordsList(), "KLICE_U", "?List:3"))}};
    FormTab tasksTab{"Úkoly", {}, {dependentList(firmList(tasksList(), "UKOLY_U1", "?List:4"))}};
    return {main, info, split, more, note, historyTab, keysTab, tasksTab};
}

} // namespace

Choices personsOfFirm(std::string from) {
    return {"Osoby", "OSO:BYID", "OSO:ID", std::move(from), "OSO:KONTAKT", "Vybere osobu z firmy"};
}

FormDecl adresarForm(const startup::AppState& state) {
    FormDecl d;
    d.file = "Adresar";
    d.numberField = "ADR:ID";
    d.numberKey = "ADR:BYID";
    d.insertTitle = "Přidat záznam  (New)";
    d.changeTitle = "Změnit záznam";
    d.titleField = "ADR:FIRMA";
    d.titleClip = 40;
    d.keyNames = {{"ADR:BYID", "ADR:ByID"}, {"ADR:BYFIRMA", "ADR:ByFirma"}};
    const std::string user = state.userName;
    const std::int32_t today = state.dnes ? state.dnes : dates::today();
    d.primeInsert = [user, today](access::RecordFile& f) {
        auto& r = f.as<rec::AdresarRecord>();
        r.TEXTY.set(1);
        r.VLOZIL.set(user);
        r.DT_VLOZENI.set(today);
    };
    d.stampChange = [user, today](access::RecordFile& f) {
        auto& r = f.as<rec::AdresarRecord>();
        r.UPRAVIL.set(user);
        r.DT_UPRAVY.set(today);
    };
    d.procedure = "ADRESAR_U";
    d.section = "Adresar_U";
    d.files = {"EVKLICSL", "Kategorie", "Klice", "Osoby", "Schuzky", "UKOLY"};
    d.width = 780;
    d.height = 540;
    d.okHint = "Potvrdí změny a uzavře okno";
    d.cancelHint = "Zruší změny a uzavře okno";
    d.tabs = adresarTabs();
    return d;
}

BrowseDecl personsList() {
    BrowseDecl d;
    d.file = "Osoby";
    d.orders = {{"OSO:BYID", LocatorKind::None, 0, {}, "", ""}};
    d.columns = {
        {"Kontakt", "OSO:KONTAKT", {}, 16, false, 0}, {"Funkce", "OSO:FUNKCE", {}, 10, false, 0},
        {"Telefon", "OSO:TFZ", {}, 13, false, 0},     {"Fax", "OSO:FAX", {}, 10, false, 0},
        {"Mobil", "OSO:TFM", {}, 13, false, 0},       {"Tel. domů", "OSO:TFD", {}, 10, false, 0},
        {"E-mail", "OSO:E_MAIL", {}, 16, false, 0}};
    d.restrictField = "OSO:ID";
    return d;
}

BrowseDecl historyList() {
    BrowseDecl d;
    d.file = "Schuzky";
    d.orders = {{"SCH:BYID", LocatorKind::None, 0, {}, "", ""}};
    d.columns = {{"Datum", "SCH:Datum", {}, 10, false, 0},
                 {"čas", "SCH:CAS", {}, 6, false, 0},
                 {"Jméno", "SCH:Jmeno", {}, 20, false, 0},
                 {"Popis", "SCH:Popis", {}, 30, false, 0}};
    d.restrictField = "SCH:ID";
    return d;
}

std::string keywordText(access::RecordFile& evklicsl, std::int32_t number) {
    return access::lookUpText(evklicsl, "EVK:BYIDKS", number, "EVK:POPIS");
}

BrowseDecl keywordsList() {
    BrowseDecl d;
    d.file = "Klice";
    d.orders = {{"KLI:BYID", LocatorKind::None, 0, {}, "", ""}};
    d.columns = {{"ID klíče", "KLI:IDKL", {}, 8, true, 0},
                 {"Popis", "KLI:IDKL", {}, 40, false, 0, {"EVKLICSL", "EVK:BYIDKS", "EVK:POPIS"}}};
    d.restrictField = "KLI:ID";
    return d;
}

BrowseDecl tasksList() {
    BrowseDecl d;
    d.file = "UKOLY";
    d.orders = {{"UKO:BYID", LocatorKind::None, 0, {}, "", ""}};
    d.columns = {{"Řešit", "UKO:DT_SCHED", {}, 10, false, 0},
                 {"Čas", "UKO:TM_SCHED", {}, 6, false, 0},
                 {"Jméno", "UKO:JMENO", {}, 18, false, 0},
                 {"Úkol:", "UKO:POPIS", {}, 30, false, 0}};
    d.restrictField = "UKO:ID";
    return d;
}

FormDecl osobyForm(std::int32_t firmId) {
    FormDecl d;
    d.file = "Osoby";
    d.numberField = "OSO:REC";
    d.numberKey = "OSO:BYREC";
    d.insertTitle = "Kontaktní osoby";
    d.changeTitle = "Kontaktní osoby";
    d.primeInsert = [firmId](access::RecordFile& f) { f.as<rec::OsobyRecord>().ID.set(firmId); };
    d.procedure = "OSOBY_U";
    d.section = "Osoby_U";
    d.minimumWidth = 420;
    FormTab main{"Základní údaje", {}, {}};
    main.items = {
        field("Kontakt:", "OSO:KONTAKT"),
        field("Oslovení:", "OSO:OSLOVENI"),
        field("Funkce:", "OSO:FUNKCE"),
        field("Tel. - zaměstnání", "OSO:TFZ"),
        field("Fax:", "OSO:FAX"),
        field("Mobil:", "OSO:TFM"),
        field("Tel. - domů", "OSO:TFD"),
        field("E-mail:", "OSO:E_MAIL"),
        group(" Upozornit",
              {field("Svátek:", "OSO:SVATEK", "den.měsíc."), field("Narozeniny:", "OSO:NAROZENINY"),
               check("Upozornit", "OSO:VYROCI",
                     "Zaškrtněnte, má-li se automaticky upozorňovat v seznamu úkolů"),
               field("Záliby:", "OSO:ZALIBY")})};
    d.tabs = {main, {" Poznámka", {}, {memo({})}}};
    return d;
}

FormDecl historieForm(const startup::AppState& state, std::int32_t firmId) {
    FormDecl d;
    d.file = "Schuzky";
    d.insertTitle = "Modifikace schůzek";
    d.changeTitle = "Modifikace schůzek";
    const std::string user = state.userName;
    d.primeInsert = [firmId, user](access::RecordFile& f) {
        auto& r = f.as<rec::SchuzkyRecord>();
        r.ID.set(firmId);
        r.Vlozil.set(user);
        r.Datum.set(dates::today());
        r.CAS.set(dates::clockTime());
    };
    d.procedure = "HISTORIE_U";
    d.section = "Historie_U";
    d.files = {"Adresar", "Osoby"};
    d.minimumWidth = 460;
    d.tabs = {
        {"Údaje o kontaku",
         {},
         {group("Údaje o kontaku",
                {withLookup(shownField("ID:", "SCH:ID"), kFirmName), field("Vložil:", "SCH:Vlozil"),
                 withChoices(field("Jméno:", "SCH:Jmeno"), personsOfFirm("SCH:ID")),
                 field("Popis:", "SCH:Popis"), text("Poznámka:", "SCH:Pozn"),
                 field("Datum:", "SCH:Datum"), field("Čas:", "SCH:CAS")},
                1)}}};
    return d;
}

FormDecl kliceForm(std::int32_t firmId) {
    FormDecl d;
    d.file = "Klice";
    d.insertTitle = "Zadávání klíčů";
    d.changeTitle = "Zadávání klíčů";
    d.keyNames = {{"KLI:BYID", "KLI:ByID"}};
    d.primeInsert = [firmId](access::RecordFile& f) { f.as<rec::KliceRecord>().ID.set(firmId); };
    d.procedure = "KLICE_U";
    d.section = "Klice_U";
    d.files = {"EVKLICSL", "Adresar"};
    d.minimumWidth = 420;
    d.tabs = {{"Klíč",
               {},
               {withLookup(field("ID:", "KLI:ID", "Zadejte ID firmy z adresáře"), kFirmName),
                withLookup(withPick(field("Klíč", "KLI:IDKL"),
                                    {"EVKLIC_S", "EVK:IDKS", "Zobrazí seznam evidovaných klíčů"}),
                           {"EVKLICSL", "EVK:BYIDKS", "EVK:POPIS"})}}};
    return d;
}

BrowseDecl evklicBrowse() {
    BrowseDecl d;
    d.file = "EVKLICSL";
    d.orders = {
        {"EVK:BYIDKS", LocatorKind::Number, 5, {}, "ID", "Seřadí klíče podle ID čísla"},
        {"EVK:BYKLIC", LocatorKind::Text, 30, {}, "Popis", "Seřadí klíče podle popisu"},
        {"EVK:BYIDKS", LocatorKind::None, 0, {}, "", ""},
    };
    d.columns = {{"ID", "EVK:IDKS", {}, 6, true, 0},
                 {"Popis", "EVK:POPIS", {}, 30, false, 0},
                 {"Datum", "EVK:DTZRIZENI", {}, 10, false, 0},
                 {"Zavedl", "EVK:ZAVEDL", {}, 14, false, 0}};
    return d;
}

std::array<std::string, 20> categoryCaptions(access::RecordFile& kategorie, int set) {
    std::array<std::string, 20> out;
    if (!kategorie.isOpen()) return out;
    auto& k = kategorie.as<rec::KategorieRecord>();
    kategorie.clearBuffer();
    k.TEXT.set(static_cast<std::uint8_t>(set));
    if (set < 1 || set > 255 || kategorie.getByKey(kategorie.keyNumber("KAG:BYTEXTY")) != 0)
        return out;
    return dict::categoryCaptions(k);
}

std::string telephoneDigits(std::string_view telephone) {
    std::string digits;
    for (char c : telephone)
        if (c >= '0' && c <= '9' && digits.size() < 100) digits.push_back(c);
    return digits;
}

std::string dialCommand(std::string_view telephone) {
    const std::string digits = telephoneDigits(telephone);
    return digits.empty() ? std::string() : "VOLNUM.EXE " + digits;
}

void copyContact(access::RecordFile& adresar, const access::RecordFile& osoby) {
    const auto& person = *reinterpret_cast<const rec::OsobyRecord*>(osoby.record());
    std::string_view name = person.KONTAKT.trimmed();
    adresar.as<rec::AdresarRecord>().JMENO1.set(name.substr(0, 30));
}

int deleteFirmChildren(access::Database& db, std::int32_t id) {
    if (id == 0) return 0;
    struct Child {
        const char* label;
        const char* key;
        const char* field;
    };
    static const Child children[] = {{"Klice", "KLI:BYID", "KLI:ID"},
                                     {"Osoby", "OSO:BYID", "OSO:ID"},
                                     {"Schuzky", "SCH:BYID", "SCH:ID"},
                                     {"UKOLY", "UKO:BYID", "UKO:ID"}};
    int deleted = 0;
    for (const auto& c : children) {
        auto* file = db.fileOrNull(c.label);
        const auto* link = file ? dict::fieldOf(file->def(), c.field) : nullptr;
        if (!file || !link || !file->isOpen()) continue;
        const int key = file->keyNumber(c.key);
        for (;;) {
            file->clearBuffer();
            dict::setFieldInteger(*link, file->record(), id);
            // The keys hold more than the link: the firm's first record is the
            // first at or after the link value alone.
            if (file->setKeyValue(key) != 0 || file->next() != 0 ||
                dict::fieldInteger(*link, file->record()) != id || file->remove() != 0)
                break;
            ++deleted;
        }
    }
    return deleted;
}

} // namespace zv::records
