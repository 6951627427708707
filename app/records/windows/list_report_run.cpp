#include "app/records/windows/list_report_run.h"

#include "app/records/windows/open_files.h"
#include "platform/profile.h"
#include "ui/preview/report_run.h"
#include "ui/report/font_faces.h"

namespace zv::records {

void printListReport(frame::WindowContext& context, QWidget* parent, selections::ListKind kind,
                     std::int32_t firm) {
    OpenFiles files(context.services, {"Vybery", "Schuzky", "Adresar"});
    if (!files.ok()) return;
    const selections::ListReport list =
        selections::listReport(kind, context.db, context.state.dnes, firm);
    ui::FontFaces faces;
    ui::ReportWriter writer(list.report, faces);
    selections::ListRun run(context.db, list, writer, firm);
    const ProfileFile ini(startup::kSettingsFile);
    (void)ui::runReport(
        writer, context.db.file(list.file).records(), [&run] { return run.nextRow(); }, ini,
        parent);
    if (run.error() != 0) {
        context.services.saveError();
        (void)context.services.message(msg::RecordRetrieval, list.file);
    }
}

} // namespace zv::records
