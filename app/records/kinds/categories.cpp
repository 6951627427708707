#include "app/records/kinds/categories.h"

#include "app/shell/access/error_codes.h"
#include "app/shell/dictionary/records.h"

namespace zv::records {

std::string captionField(int n) {
    return "KAG:K" + std::to_string(n);
}

FormDecl kategorieForm() {
    FormDecl d;
    d.file = "Kategorie";
    d.insertTitle = "Zadávání kategorií";
    d.changeTitle = "Zadávání kategorií";
    d.procedure = "KATEGORIE_U";
    d.section = "Kategorie_U";
    d.minimumWidth = 440;
    FormTab info{"Informace", {}, {}};
    FormTab split{"Členění", {}, {}};
    for (int n = 1; n <= 20; ++n)
        (n <= 10 ? info : split)
            .items.push_back(
                withButton(field("&Kategorie " + std::to_string(n) + ":", captionField(n)),
                           {"Vyčistit", "Vyčistí danou kategorii"}));
    d.tabs = {info, split};
    return d;
}

int readFirstCaptionSet(access::RecordFile& kategorie) {
    int code = kategorie.setFile();
    if (code == 0) code = kategorie.next();
    if (code != access::kRecordNotAvailable) return code;
    kategorie.clearBuffer();
    kategorie.as<rec::KategorieRecord>().TEXT.set(1);
    kategorie.clearCurrent();
    return kategorie.add();
}

} // namespace zv::records
