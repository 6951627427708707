// zevlon-tool labels: address labels for the working selection of a program
// directory, on the layout and page painting code of the label window, written
// to a PDF file without a screen.
#include "app/selections/labels/label_run.h"
#include "app/shell/dictionary/records.h"
#include "app/shell/services/standard_open.h"
#include "tools/commands.h"
#include "tools/print_app.h"
#include "tools/program_directory.h"
#include "ui/report/font_faces.h"
#include "ui/report/pdf_pages.h"
#include "ui/report/report_writer.h"

#include <charconv>
#include <cstdlib>
#include <memory>
#include <string>

namespace zv::tool {
namespace {

bool readNumber(std::string_view text, int low, int high, int* out) {
    const auto r = std::from_chars(text.data(), text.data() + text.size(), *out);
    return r.ec == std::errc() && r.ptr == text.data() + text.size() && *out >= low && *out <= high;
}

bool readSpacing(std::string_view text, double* out) {
    const std::string s(text);
    char* end = nullptr;
    *out = std::strtod(s.c_str(), &end);
    return end && *end == '\0' && !s.empty() && *out >= 1.0 && *out <= 3.0;
}

// Opens a file through the standard open for the life of the object.
struct Opened {
    access::RecordFile& file;
    bool ok;
    Opened(services::ProcedureServices& s, access::RecordFile& f)
        : file(f), ok(services::standardOpen(s, f) == services::OpenOutcome::Opened) {}
    ~Opened() {
        if (ok) services::standardRelease(file);
    }
};

} // namespace

int runLabels(Args args) {
    const char* usage = "usage: labels DIR --layout NAME [--copies N] [--skip N] [--spacing S] "
                        "--pdf OUT.pdf";
    std::string dir, layout, pdf;
    selections::LabelOptions options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const bool value = i + 1 < args.size();
        if (args[i] == "--layout" && value)
            layout = args[++i];
        else if (args[i] == "--pdf" && value)
            pdf = args[++i];
        else if (args[i] == "--copies" && value) {
            if (!readNumber(args[++i], 1, 255, &options.copies))
                return badInput("copies are 1 to 255");
        } else if (args[i] == "--skip" && value) {
            if (!readNumber(args[++i], 0, 255, &options.skip)) return badInput("skip is 0 to 255");
        } else if (args[i] == "--spacing" && value) {
            if (!readSpacing(args[++i], &options.spacing)) return badInput("spacing is 1.0 to 3.0");
        } else if (dir.empty())
            dir = args[i];
        else
            return badInput(usage);
    }
    if (dir.empty() || layout.empty() || pdf.empty()) return badInput(usage);
    if (pdf.front() != '/') {
        char cwd[4096];
        if (getcwd(cwd, sizeof cwd)) pdf = std::string(cwd) + "/" + pdf;
    }
    const auto app = makePrintApplication();

    ProgramDirectory program(dir);
    if (!program.ok) return badInput("no directory " + dir);
    auto& label = program.db.file("Label");
    auto& vybery = program.db.file("Vybery");
    Opened labels(program.services, label), selection(program.services, vybery);
    if (!labels.ok || !selection.ok) return 1;
    label.clearBuffer();
    label.as<rec::LabelRecord>().LABELTYPE.set(cp1250::fromUtf8(layout));
    if (label.getByKey(label.keyNumber("LAB:BYLABELTYPE")) != 0)
        return badInput("no label layout '" + layout + "'");
    if (const std::string fault = selections::labelLayoutFault(label); !fault.empty()) {
        std::fprintf(stderr, "zevlon-tool: %s\n", cp1250::toUtf8(fault).c_str());
        return 1;
    }
    ui::FontFaces faces;
    ui::ReportWriter writer(selections::labelReport(label, vybery, options), faces);
    selections::LabelRun run(vybery, writer, options);
    while (run.nextRow()) {
    }
    if (run.error() != 0) {
        std::fprintf(stderr, "zevlon-tool: Vybery: %s (%d)\n",
                     access::errorText(run.error()).c_str(), run.error());
        return 1;
    }
    writer.finish();
    const ui::PageSet pages = writer.takePages();
    if (const std::string why = ui::writePdf(pages, pdf); !why.empty()) {
        std::fprintf(stderr, "zevlon-tool: %s\n", why.c_str());
        return 1;
    }
    std::printf("labels %ld pages %zu\n", run.labels(), pages.size());
    return 0;
}

} // namespace zv::tool
