// zevlon-tool select and condition: the working selection and the condition
// dialog's logic from the command line, on the same code as the windows. DIR is
// the program directory: its ZEVLON.INI names the data directory and the
// selection file lives in it, as for the program.
#include "app/records/form/form_engine.h"
#include "app/records/kinds/saved_selections.h"
#include "app/selections/bindings/file_bindings.h"
#include "app/selections/condition/condition.h"
#include "app/selections/selection/selection.h"
#include "app/shell/access/look_up.h"
#include "app/shell/access/standard_drivers.h"
#include "app/shell/dictionary/field_text.h"
#include "app/shell/dictionary/records.h"
#include "app/shell/services/standard_open.h"
#include "app/shell/startup/app_state.h"
#include "platform/codepage.h"
#include "platform/dates/standard_date.h"
#include "platform/paths.h"
#include "platform/user_name.h"
#include "tools/commands.h"
#include "tools/csv.h"
#include "tools/program_directory.h"

#include <charconv>
#include <cstdio>
#include <string>
#include <unistd.h>

namespace zv::tool {
namespace {

bool readId(std::string_view text, std::int32_t* id) {
    const auto r = std::from_chars(text.data(), text.data() + text.size(), *id);
    return r.ec == std::errc() && r.ptr == text.data() + text.size();
}

void printLine(const char* name, long n) {
    std::printf("%s %ld\n", name, n);
}

int report(const selections::Outcome& out, const char* changed) {
    printLine("processed", out.processed);
    printLine(changed, out.changed);
    printLine("rows", out.rows);
    if (out.error.empty()) return 0;
    std::printf("%s\n", cp1250::toUtf8(out.error).c_str());
    return 1;
}

// The file's records as CSV in the order of `key`.
int list(access::RecordFile& file, std::string_view key) {
    const dict::FileDef& def = file.def();
    CsvRow header;
    for (std::size_t i = 0; i < def.layout->fields.size(); ++i)
        header.add(def.fieldName(i));
    header.print();
    for (int rc = file.setKey(file.keyNumber(key)); rc == 0 && file.next() == 0;) {
        CsvRow row;
        for (const auto& field : def.layout->fields)
            row.add(cp1250::toUtf8(dict::fieldText(field, file.record())));
        row.print();
    }
    return 0;
}

// The keyword's text for the progress lines (blank when it has none).
std::string keywordText(access::Database& db, std::int32_t keyword) {
    auto& evk = db.file("EVKLICSL");
    return access::lookUpText(evk, "EVK:BYIDKS", keyword, "EVK:POPIS");
}

// The catalogue entry number n in UlVybery's buffer (its file open).
bool readEntry(access::RecordFile& catalogue, std::int32_t n) {
    catalogue.clearBuffer();
    catalogue.as<rec::UlVyberyRecord>().CV.set(n);
    return catalogue.getByKey(catalogue.keyNumber("ULV:BYCV")) == 0;
}

// save TITLE / save-over N / load N / saved: the catalogue of saved selections.
int savedSelections(ProgramDirectory& program, std::string_view what, std::string_view arg) {
    auto& catalogue = program.db.file("UlVybery");
    if (services::standardOpen(program.services, catalogue) != services::OpenOutcome::Opened)
        return 1;
    struct Release {
        access::RecordFile& f;
        ~Release() { services::standardRelease(f); }
    } release{catalogue};
    if (what == "saved") return list(catalogue, "ULV:BYCV");
    selections::Selection selection(program.services);
    if (!selection.opened()) return 1;
    selections::NoProgress quiet;
    if (what == "save") {
        records::FormEngine form(program.services,
                                 records::savedSelectionForm(program.state, false));
        if (!form.begin(records::kRequestInsert)) return 1;
        catalogue.as<rec::UlVyberyRecord>().POPIS.set(cp1250::fromUtf8(arg));
        if (form.ok() != records::FormEngine::OkResult::Closed ||
            form.response() != records::kResponseCompleted)
            return 1; // a duplicate title: the message was printed
        const auto& entry = catalogue.as<rec::UlVyberyRecord>();
        const long number = entry.CV.get();
        const std::string file(entry.SOUBOR.trimmed());
        records::pointAtSavedFile(program.db, program.state);
        const auto out = selection.save(quiet);
        if (!out.error.empty()) {
            std::fprintf(stderr, "zevlon-tool: %s\n", cp1250::toUtf8(out.error).c_str());
            return 1;
        }
        std::printf("saved %ld %s rows %ld\n", number, file.c_str(), out.changed);
        return 0;
    }
    std::int32_t n = 0;
    if (!readId(arg, &n)) return badInput("not an entry number: " + std::string(arg));
    if (!readEntry(catalogue, n)) return badInput("no saved selection " + std::string(arg));
    if (what == "save-over") {
        records::FormEngine form(program.services,
                                 records::savedSelectionForm(program.state, true));
        if (!form.begin(records::kRequestChange) ||
            form.ok() != records::FormEngine::OkResult::Closed ||
            form.response() != records::kResponseCompleted)
            return 1;
        records::pointAtSavedFile(program.db, program.state);
        const auto out = selection.save(quiet);
        std::printf("saved %d %s rows %ld\n", n,
                    std::string(catalogue.as<rec::UlVyberyRecord>().SOUBOR.trimmed()).c_str(),
                    out.changed);
        return out.error.empty() ? 0 : 1;
    }
    records::pointAtSavedFile(program.db, program.state);
    const auto out = selection.load(quiet);
    if (out.reported) return 1;
    printLine("rows", out.rows);
    return 0;
}

} // namespace

int runSelect(Args args) {
    const char* usage = "usage: select DIR all|none|add-if CONDITION|remove-if CONDITION|"
                        "add-key KEYWORD-ID|remove-key KEYWORD-ID|list|save TITLE|save-over N|"
                        "load N|saved";
    if (args.size() < 2) return badInput(usage);
    const std::string_view what = args[1];
    const bool takesValue = what == "add-if" || what == "remove-if" || what == "add-key" ||
                            what == "remove-key" || what == "save" || what == "save-over" ||
                            what == "load";
    const bool catalogue =
        what == "save" || what == "save-over" || what == "load" || what == "saved";
    if (args.size() != (takesValue ? 3u : 2u)) return badInput(usage);
    std::int32_t keyword = 0;
    if ((what == "add-key" || what == "remove-key") && !readId(args[2], &keyword))
        return badInput("not a keyword number: " + std::string(args[2]));
    ProgramDirectory program(args[0]);
    if (!program.ok) return badInput("no directory " + std::string(args[0]));
    if (catalogue) return savedSelections(program, what, takesValue ? args[2] : std::string_view());
    selections::Selection selection(program.services);
    if (!selection.opened()) return 1;
    selections::NoProgress quiet;
    if (what == "all") return report(selection.addAll(quiet), "added");
    if (what == "none") return report(selection.removeAll(quiet), "removed");
    if (what == "add-if" || what == "remove-if") {
        const std::string condition = cp1250::fromUtf8(args[2]);
        return what == "add-if"
                   ? report(selection.addByCondition(condition, condition, quiet), "added")
                   : report(selection.removeByCondition(condition, condition, quiet), "removed");
    }
    if (what == "add-key" || what == "remove-key") {
        const std::string text = keywordText(program.db, keyword);
        return what == "add-key"
                   ? report(selection.addByKeyword(keyword, text, quiet), "added")
                   : report(selection.removeByKeyword(keyword, text, quiet), "removed");
    }
    if (what == "list") return list(program.db.file("Vybery"), "VYB:BYFIRMA");
    return badInput(usage);
}

int runCondition(Args args) {
    if (args.size() != 4) return badInput("usage: condition DIR CAPTION OPERATOR VALUE");
    ProgramDirectory program(args[0]);
    if (!program.ok) return badInput("no directory " + std::string(args[0]));
    auto& kategorie = program.db.file("Kategorie");
    std::array<std::string, 20> captions;
    if (services::standardOpen(program.services, kategorie) == services::OpenOutcome::Opened) {
        captions = selections::firstCategoryCaptions(kategorie);
        services::standardRelease(kategorie);
    }
    const std::string caption = cp1250::fromUtf8(args[1]);
    for (const auto& field : selections::fieldChoices(captions)) {
        if (field.caption != caption) continue;
        const std::string value = cp1250::fromUtf8(args[3]);
        const auto c =
            selections::buildCondition(field, cp1250::fromUtf8(args[2]), value, value == "1");
        if (!c.error.empty()) {
            std::fprintf(stderr, "zevlon-tool: %s\n", cp1250::toUtf8(c.error).c_str());
            return 1;
        }
        std::printf("%s\n%s\n", cp1250::toUtf8(c.text).c_str(), cp1250::toUtf8(c.caption).c_str());
        return 0;
    }
    return badInput("no field captioned '" + std::string(args[1]) + "'");
}

} // namespace zv::tool
