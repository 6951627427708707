#include "app/utilities/windows/utility_windows.h"

#include "app/utilities/windows/backup_windows.h"
#include "app/utilities/windows/data_directory_window.h"
#include "app/utilities/windows/info_window.h"
#include "app/utilities/windows/key_repair_window.h"
#include "app/utilities/windows/sportka_window.h"

#include <QApplication>

namespace zv::utilities {

void addUtilityProcedures(frame::ProcedureTable& table, frame::WindowContext& context) {
    table["DATASHO"].start = [&context](int) -> QWidget* {
        return new DataDirectoryWindow(context);
    };
    table["OPRAVAKLICU"].start = [&context](int) -> QWidget* {
        return new KeyRepairWindow(context);
    };
    table["ZALOHUJ"].start = [&context](int) -> QWidget* {
        return new BackupWindow(context, BackupKind::Backup);
    };
    table["OBNOV"].start = [&context](int) -> QWidget* {
        return new BackupWindow(context, BackupKind::Restore);
    };
    table["NASTAVENIZALOHY"].start = [&context](int) -> QWidget* {
        return new BackupSettingsWindow(context);
    };
    table["SPORTKA"].start = [](int) -> QWidget* { return new SportkaWindow(); };
    table["INFOSHO"].call = [] {
        InfoWindow window({}, QApplication::activeWindow());
        window.exec();
    };
}

} // namespace zv::utilities
