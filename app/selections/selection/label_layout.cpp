#include "app/selections/selection/label_layout.h"

#include "app/shell/dictionary/records.h"
#include "platform/codepage.h"

namespace zv::selections {

std::string labelLayoutFault(const access::RecordFile& label) {
    const auto& l = *reinterpret_cast<const rec::LabelRecord*>(label.record());
    const double page[2] = {l.PAGEWIDTH.get(), l.PAGEHEIGHT.get()};
    const double cell[2] = {l.LABELWIDTH.get(), l.LABELHEIGHT.get()};
    if (page[0] <= 0 || page[1] <= 0)
        return cp1250::fromUtf8("Šířka a délka stránky musí být větší než nula.");
    if (cell[0] <= 0 || cell[1] <= 0)
        return cp1250::fromUtf8("Šířka a výška štítku musí být větší než nula.");
    if (l.TOPMARGIN.get() < 0 || l.LEFTMARGIN.get() < 0)
        return cp1250::fromUtf8("Okraje nesmějí být záporné.");
    if (cell[0] > page[0] || cell[1] > page[1])
        return cp1250::fromUtf8("Štítek je větší než stránka.");
    if (l.FONTSIZE.get() < 0 || l.FONTSIZE.get() > 720)
        return cp1250::fromUtf8("Výška písma musí být mezi 0 a 720 body.");
    return {};
}

} // namespace zv::selections
