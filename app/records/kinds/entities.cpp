#include "app/records/kinds/entities.h"

#include "app/shell/dictionary/records.h"
#include "platform/codepage.h"

namespace zv::records {

BrowseDecl osobyBrowse() {
    BrowseDecl d;
    d.file = "Osoby";
    d.orders = {{"OSO:BYID", LocatorKind::Number, 5, {}, "", ""}};
    Column remind{"Upozornit", "OSO:VYROCI", {}, 9, false, 0};
    remind.text = [](access::RecordFile& f) {
        return f.as<rec::OsobyRecord>().VYROCI.get() ? cp1250::fromUtf8("Ano") : std::string();
    };
    d.columns = {{"ID", "OSO:ID", {}, 6, true, 0},
                 {"Kontakt", "OSO:KONTAKT", {}, 20, false, 0},
                 {"Funkce", "OSO:FUNKCE", {}, 12, false, 0},
                 {"Tel. zam.", "OSO:TFZ", {}, 13, false, 0},
                 {"TFD", "OSO:TFD", {}, 12, false, 0},
                 {"Mobil", "OSO:TFM", {}, 12, false, 0},
                 {"Fax", "OSO:FAX", {}, 12, false, 0},
                 {"E-mail", "OSO:E_MAIL", {}, 18, false, 0},
                 remind};
    return d;
}

FormDecl evklicForm(const startup::AppState& state) {
    FormDecl d;
    d.file = "EVKLICSL";
    d.numberField = "EVK:IDKS";
    d.numberKey = "EVK:BYIDKS";
    d.insertTitle = "Zadávání klíčů";
    d.changeTitle = "Zadávání klíčů";
    d.keyNames = {{"EVK:BYIDKS", "EVK:ByIDKS"}, {"EVK:BYKLIC", "EVK:ByKlic"}};
    const std::string user = state.userName;
    d.primeInsert = [user](access::RecordFile& f) { f.as<rec::EvklicslRecord>().ZAVEDL.set(user); };
    d.procedure = "EVKLIC_U";
    d.section = "Evklic_U";
    d.minimumWidth = 460;
    d.tabs = {{"Klíč",
               {},
               {shownField("ID číslo", "EVK:IDKS"), field("Popis:", "EVK:POPIS"),
                field("Datum zřízení", "EVK:DTZRIZENI"), field("Zavedl:", "EVK:ZAVEDL")}}};
    return d;
}

BrowseDecl operaceBrowse() {
    BrowseDecl d;
    d.file = "Operace";
    d.orders = {
        {"OPE:BYTYPOP", LocatorKind::Number, 3, {}, "Podle typu operace", ""},
        {"OPE:BYTYPOP", LocatorKind::None, 0, {}, "", ""},
    };
    d.columns = {{"Typ Operace", "OPE:TYPOPERACE", {}, 11, true, 0},
                 {"Popis", "OPE:POPIS", {}, 40, false, 0}};
    return d;
}

FormDecl operaceForm() {
    FormDecl d;
    d.file = "Operace";
    d.insertTitle = "Zadávání operací";
    d.changeTitle = "Zadávání operací";
    d.keyNames = {{"OPE:BYTYPOP", "OPE:ByTypOp"}};
    // Code 0 would leave the operation out of its only key: no list could show it.
    d.validate = [](const access::RecordFile& f) {
        const auto& r = *reinterpret_cast<const rec::OperaceRecord*>(f.record());
        return r.TYPOPERACE.get() == 0 ? cp1250::fromUtf8("Zadejte typ operace od 1 do 255.")
                                       : std::string();
    };
    d.procedure = "OPERACE_U";
    d.section = "Operace_U";
    d.minimumWidth = 420;
    d.tabs = {{"Základní údaje",
               {},
               {field("Typ Operace:", "OPE:TYPOPERACE"), field("Popis:", "OPE:POPIS")}},
              {"Poznámka", {}, {memo({})}}};
    return d;
}

BrowseDecl klasifikBrowse() {
    BrowseDecl d;
    d.file = "Klasifik";
    d.orders = {{"KLA:BYZKRATKA", LocatorKind::Text, 2, {}, "", ""}};
    d.columns = {{"Zkratka", "KLA:ZKRATKA", {}, 7, false, 0},
                 {"Popis", "KLA:POPIS", {}, 40, false, 0}};
    return d;
}

namespace {

// Step n of a kind: the operation with its description from view Operace<n>,
// and its delay.
FormTab klasifikStep(int n) {
    const std::string s = std::to_string(n);
    const std::string view = "Operace" + s;
    const std::string prefix = "OPE" + s;
    return {" &" + s + " krok",
            {},
            {withLookup(field("Operace:", "KLA:KODOP" + s),
                        {view, prefix + ":BYTYPOP", prefix + ":POPIS"}),
             field("Termín:", "KLA:PRODLEVA" + s, "Prodleva od akuálního data pro operaci")}};
}

} // namespace

FormDecl klasifikForm() {
    FormDecl d;
    d.file = "Klasifik";
    d.insertTitle = "Definice klasifikace";
    d.changeTitle = "Definice klasifikace";
    d.keyNames = {{"KLA:BYZKRATKA", "KLA:ByZkratka"}};
    // A blank code would leave the kind out of its only key: no list could show it.
    d.validate = [](const access::RecordFile& f) {
        const auto& r = *reinterpret_cast<const rec::KlasifikRecord*>(f.record());
        return r.ZKRATKA.trimmed().empty() ? cp1250::fromUtf8("Zadejte zkratku klasifikace.")
                                           : std::string();
    };
    d.procedure = "KLASIFIK_U";
    d.section = "Klasifik_U";
    d.files = {"Operace1", "Operace2", "Operace3"};
    d.minimumWidth = 460;
    d.tabs = {
        {"Základní údaje", {}, {field("Zkratka:", "KLA:ZKRATKA"), field("Popis:", "KLA:POPIS")}},
        klasifikStep(1),
        klasifikStep(2),
        klasifikStep(3),
        {"Poznámka", {}, {memo({})}}};
    return d;
}

BrowseDecl poznamkyBrowse() {
    BrowseDecl d;
    d.file = "Poznamky";
    d.orders = {
        {"POZ:POPIS", LocatorKind::Text, 40, {}, " &Popis", ""},
        {"POZ:BYCP", LocatorKind::Number, 6, {}, "Č. p&ozn.", ""},
        {"POZ:BYCP", LocatorKind::None, 0, {}, "", ""},
    };
    d.columns = {{"Popis poznámky", "POZ:TEXT", {}, 40, false, 0},
                 {"Číslo", "POZ:CP", {}, 7, true, 0}};
    return d;
}

FormDecl poznamkyForm() {
    FormDecl d;
    d.file = "Poznamky";
    d.numberField = "POZ:CP";
    d.numberKey = "POZ:BYCP";
    d.insertTitle = "Zadávání poznámek";
    d.changeTitle = "Zadávání poznámek";
    d.keyNames = {{"POZ:BYCP", "POZ:ByCP"}, {"POZ:POPIS", "POZ:Popis"}};
    d.procedure = "POZNAMKY_U";
    d.section = "Poznamky_U";
    d.minimumWidth = 460;
    d.height = 380;
    d.width = 520;
    d.tabs = {{"&Poznámka",
               {},
               {shownField("Číslo:", "POZ:CP"), field("Datum:", "POZ:DATUM"),
                field("Popis:", "POZ:TEXT")}},
              {"&Text poznámky", {}, {memo({})}}};
    return d;
}

} // namespace zv::records
