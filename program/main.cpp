// zevlon: the contact manager. Starts in the current directory when it holds
// ZEVLON.INI, else in the user's own folders; the data directory is named in
// ZEVLON.INI ("DATA" in section "QDADRESAR").
#include "app/shell/frame/main_frame.h"
#include "app/shell/frame/place_message.h"
#include "app/shell/frame/qt_message_service.h"
#include "app/shell/frame/startup_windows.h"

#include "app/exchange/windows/export_window.h"
#include "app/records/windows/entity_windows.h"
#include "app/records/windows/record_windows.h"
#include "app/records/windows/task_windows.h"
#include "app/selections/bindings/file_bindings.h"
#include "app/selections/windows/selection_window.h"
#include "app/shell/access/standard_drivers.h"
#include "app/shell/startup/default_settings.h"
#include "app/utilities/windows/text_order_window.h"
#include "app/utilities/windows/utility_windows.h"
#include "platform/dates/standard_date.h"
#include "platform/profile.h"
#include "platform/program_place.h"
#include "storage/runtime_error.h"
#include "ui/window/czech_texts.h"
#include "ui/window/runtime_error_box.h"
#include "ui/window/window_state.h"

#include <QApplication>
#include <QTimer>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    bool listProcedures = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::puts(
                "Usage: zevlon [--help] [--version] [--procedures]\n"
                "ZEVLON, the contact manager. Run it in the directory that holds\n"
                "ZEVLON.INI; section \"QDADRESAR\", key \"DATA\" names the data directory.\n"
                "Elsewhere it works in ~/.config/zevlon with the data in ~/.local/share/zevlon.\n"
                "  --procedures  list the windows the program starts by name, and exit");
            return 0;
        }
        if (std::strcmp(argv[i], "--procedures") == 0) listProcedures = true;
        if (std::strcmp(argv[i], "--version") == 0) {
            std::puts("zevlon " ZEVLON_VERSION);
            return 0;
        }
    }
    // Without a ZEVLON.INI here the program works in the user's own folders.
    const zv::ProgramPlace place =
        listProcedures ? zv::ProgramPlace{} : zv::enterProgramPlace("ZEVLON.INI");
    if (place.firstStart) {
        // The user's new folders get the backup and restore commands a new installation has.
        const zv::ProfileFile ini(zv::startup::kSettingsFile);
        zv::startup::AppState settings;
        zv::startup::readSettings(ini, settings);
        (void)zv::startup::writeBackupDefaults(ini, settings.dataPrefix);
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ZEVLON"));
    QApplication::setDesktopFileName(QStringLiteral("zevlon"));
    (void)zv::ui::useCzechTexts(app);
    // An inconsistency inside a data file ends the program with a box naming it.
    zv::storage::setRuntimeErrorHandler(zv::ui::runtimeErrorEndsTheProgram);

    zv::access::Database db;
    zv::access::registerStandardDrivers(db);
    // Conditions and filters name the fields of these files.
    (void)zv::selections::bindStandardFiles(db);
    zv::frame::QtMessageService messages;
    zv::services::ProcedureServices services{db, messages, {}};
    zv::startup::AppState state;
    state.dnes = zv::dates::today();
    zv::frame::WindowContext context{{db, services, state}};

    zv::frame::ProcedureTable procedures;
    zv::records::addAddressBookProcedures(procedures, context);
    zv::records::addTaskProcedures(procedures, context);
    zv::records::addEntityProcedures(procedures, context);
    zv::selections::addSelectionProcedures(procedures, context);
    zv::exchange::addExchangeProcedures(procedures, context);
    zv::utilities::addUtilityProcedures(procedures, context);
    if (listProcedures) {
        for (const auto& [name, procedure] : procedures)
            std::puts(name.c_str());
        return 0;
    }
    if (!zv::frame::tellProgramPlace(place)) return 1;

    zv::frame::ProductPictureWindow(1500).exec();
    zv::frame::MainFrame frame(context, std::move(procedures));
    frame.setSettledStep(
        [&context](QWidget* parent) { zv::utilities::settleTextOrder(context, parent); });
    messages.setParent(&frame);
    zv::ui::restoreWindowState(frame, zv::ProfileFile(zv::startup::kSettingsFile), "Main");
    frame.show();
    QTimer::singleShot(0, &frame, [&frame] {
        if (!frame.open()) frame.close();
    });
    return app.exec();
}
