// zevlon: the contact manager. Starts in the current directory, which holds
// ZEVLON.INI; the data directory is named there ("DATA" in section "QDADRESAR").
#include "app/shell/frame/main_frame.h"
#include "app/shell/frame/qt_message_service.h"
#include "app/shell/frame/startup_windows.h"

#include "app/exchange/windows/export_window.h"
#include "app/records/windows/record_windows.h"
#include "app/records/windows/task_windows.h"
#include "app/selections/bindings/file_bindings.h"
#include "app/selections/windows/selection_window.h"
#include "app/shell/access/standard_drivers.h"
#include "app/utilities/windows/utility_windows.h"
#include "platform/dates/standard_date.h"
#include "platform/profile.h"
#include "storage/runtime_error.h"
#include "ui/window/runtime_error_box.h"
#include "ui/window/window_state.h"

#include <QApplication>
#include <QTimer>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::puts("Usage: zevlon [--help] [--version]\n"
                      "ZEVLON, the contact manager. Run it in the directory that holds\n"
                      "ZEVLON.INI; section \"QDADRESAR\", key \"DATA\" names the data directory.");
            return 0;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::puts("zevlon " ZEVLON_VERSION);
            return 0;
        }
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ZEVLON"));
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

    zv::frame::ProductPictureWindow(1500).exec();

    zv::frame::ProcedureTable procedures;
    zv::records::addAddressBookProcedures(procedures, context);
    zv::records::addTaskProcedures(procedures, context);
    zv::selections::addSelectionProcedures(procedures, context);
    zv::exchange::addExchangeProcedures(procedures, context);
    zv::utilities::addUtilityProcedures(procedures, context);
    zv::frame::MainFrame frame(context, std::move(procedures));
    messages.setParent(&frame);
    zv::ui::restoreWindowState(frame, zv::ProfileFile(zv::startup::kSettingsFile), "Main");
    frame.show();
    QTimer::singleShot(0, &frame, [&frame] {
        if (!frame.open()) frame.close();
    });
    return app.exec();
}
