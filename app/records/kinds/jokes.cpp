#include "app/records/kinds/jokes.h"

namespace zv::records {

std::string jokeLine(std::string_view joke) {
    std::string line(joke.substr(0, 255));
    for (char& c : line)
        if (c == '\r' || c == '\n' || c == '\t') c = ' ';
    while (!line.empty() && line.back() == ' ')
        line.pop_back();
    return line;
}

BrowseDecl vtipyBrowse() {
    BrowseDecl d;
    d.file = "Vtipy";
    d.orders = {
        {"VTI:BYNOF", LocatorKind::Number, 6, {}, "Podle čísla vtipu", ""},
        {"VTI:BYNOF", LocatorKind::None, 0, {}, "", ""},
    };
    Column joke{"Vtip", {}, {}, 70, false, 0};
    joke.text = [](access::RecordFile& f) { return jokeLine(f.memo(0)); };
    d.columns = {{"č.", "VTI:NOF", {}, 6, true, 0}, joke};
    return d;
}

FormDecl vtipyForm() {
    FormDecl d;
    d.file = "Vtipy";
    d.numberField = "VTI:NOF";
    d.numberKey = "VTI:BYNOF";
    d.insertTitle = "Update  Vtipy ";
    d.changeTitle = "Update  Vtipy ";
    d.keyNames = {{"VTI:BYNOF", "VTI:ByNOF"}};
    d.procedure = "UPDATEVTIPY";
    d.section = "UpdateVtipy";
    d.width = 520;
    d.height = 360;
    d.tabs = {{"General",
               {},
               {slot("request", 0), shownField("Číslo:", "VTI:NOF", "pořadové číslo vtipu"),
                memo("Vtip", 0, "text vtipu")}}};
    return d;
}

std::string vtipyRequestText(int request) {
    return request == kRequestInsert ? "Adding a Vtipy Record" : "Changing a Vtipy Record";
}

} // namespace zv::records
