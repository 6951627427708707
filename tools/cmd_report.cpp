// zevlon-tool report: the list reports (the selection by firm name or by town,
// a firm's contact history) of a program directory, on the report pattern and
// page painting code of the windows, written to a PDF file without a screen.
#include "app/selections/reports/list_report.h"
#include "app/shell/services/standard_open.h"
#include "tools/commands.h"
#include "tools/print_app.h"
#include "tools/program_directory.h"
#include "ui/report/font_faces.h"
#include "ui/report/pdf_pages.h"

#include <charconv>
#include <string>
#include <vector>

namespace zv::tool {

int runReport(Args args) {
    const char* usage = "usage: report DIR firms|towns --pdf OUT.pdf | report DIR history FIRM-ID "
                        "--pdf OUT.pdf";
    std::vector<std::string_view> plain;
    std::string pdf;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--pdf" && i + 1 < args.size())
            pdf = args[++i];
        else
            plain.push_back(args[i]);
    }
    if (plain.size() < 2 || pdf.empty()) return badInput(usage);
    selections::ListKind kind;
    std::int32_t firm = 0;
    if (plain[1] == "firms" && plain.size() == 2)
        kind = selections::ListKind::FirmsByName;
    else if (plain[1] == "towns" && plain.size() == 2)
        kind = selections::ListKind::FirmsByTown;
    else if (plain[1] == "history" && plain.size() == 3) {
        kind = selections::ListKind::History;
        const auto r = std::from_chars(plain[2].data(), plain[2].data() + plain[2].size(), firm);
        if (r.ec != std::errc() || r.ptr != plain[2].data() + plain[2].size())
            return badInput("not a firm number: " + std::string(plain[2]));
    } else
        return badInput(usage);
    if (pdf.front() != '/') {
        char cwd[4096];
        if (getcwd(cwd, sizeof cwd)) pdf = std::string(cwd) + "/" + pdf;
    }
    const auto app = makePrintApplication();
    ProgramDirectory program(plain[0]);
    if (!program.ok) return badInput("no directory " + std::string(plain[0]));
    std::vector<access::RecordFile*> opened;
    for (const char* label : {"Vybery", "Schuzky", "Adresar"}) {
        auto& f = program.db.file(label);
        if (services::standardOpen(program.services, f) != services::OpenOutcome::Opened) {
            for (auto* o : opened)
                services::standardRelease(*o);
            return 1;
        }
        opened.push_back(&f);
    }
    const selections::ListReport list =
        selections::listReport(kind, program.db, program.state.dnes, firm);
    ui::FontFaces faces;
    ui::ReportWriter writer(list.report, faces);
    int code = 0;
    {
        selections::ListRun run(program.db, list, writer, firm);
        while (run.nextRow()) {
        }
        writer.finish();
        const ui::PageSet pages = writer.takePages();
        if (run.error() != 0) {
            std::fprintf(stderr, "zevlon-tool: %s: %s (%d)\n", list.file.c_str(),
                         access::errorText(run.error()).c_str(), run.error());
            code = 1;
        } else if (const std::string why = ui::writePdf(pages, pdf); !why.empty()) {
            std::fprintf(stderr, "zevlon-tool: %s\n", why.c_str());
            code = 1;
        } else {
            std::printf("rows %ld pages %zu\n", run.rows(), pages.size());
        }
    }
    for (auto* o : opened)
        services::standardRelease(*o);
    return code;
}

} // namespace zv::tool
