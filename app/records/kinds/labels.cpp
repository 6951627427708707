#include "app/records/kinds/labels.h"

#include "app/selections/selection/label_layout.h"

namespace zv::records {

BrowseDecl labelBrowse() {
    BrowseDecl d;
    d.file = "Label";
    d.orders = {
        {"LAB:BYLABELTYPE", LocatorKind::Text, 25, {}, "Štítky", ""},
        {"LAB:BYLABELTYPE", LocatorKind::None, 0, {}, "", ""},
    };
    d.columns = {
        {"Název", "LAB:LABELTYPE", {}, 25, false, 0}, {"š-s", "LAB:PAGEWIDTH", {}, 7, true, 0},
        {"d-s", "LAB:PAGEHEIGHT", {}, 7, true, 0},    {"š-l", "LAB:LABELWIDTH", {}, 7, true, 0},
        {"d-l", "LAB:LABELHEIGHT", {}, 7, true, 0},   {"h-o", "LAB:TOPMARGIN", {}, 7, true, 0},
        {"l-o", "LAB:LEFTMARGIN", {}, 7, true, 0},    {"Font Size", "LAB:FONTSIZE", {}, 5, true, 0},
    };
    return d;
}

FormDecl labelForm() {
    FormDecl d;
    d.file = "Label";
    d.insertTitle = "Update the Label File";
    d.changeTitle = "Update the Label File";
    d.keyNames = {{"LAB:BYLABELTYPE", "LAB:ByLabelType"}};
    d.procedure = "LABEL_U";
    d.section = "Label_U";
    d.minimumWidth = 460;
    d.validate = [](const access::RecordFile& f) { return selections::labelLayoutFault(f); };
    d.tabs = {{"Štítek",
               {},
               {slot("note"), field("Název štítku:", "LAB:LABELTYPE", "Název používané etikety"),
                field("Šířka stránky:", "LAB:PAGEWIDTH"), field("Délka stránky:", "LAB:PAGEHEIGHT"),
                field("Šířka štítku:", "LAB:LABELWIDTH"), field("Výška štítku:", "LAB:LABELHEIGHT"),
                field("Horní okraj:", "LAB:TOPMARGIN"), field("Levý okraj:", "LAB:LEFTMARGIN"),
                field("Font", "LAB:TYPEFACE"), field("Výška", "LAB:FONTSIZE"), slot("font")}}};
    return d;
}

} // namespace zv::records
