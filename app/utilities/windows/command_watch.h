// The backup or restore command started by ZALOHUJ or OBNOV, watched until it
// ends while every window of the program stays usable. When it cannot start,
// ends with an exit code other than 0 or is ended by a signal, a message box
// that blocks nothing says so; then the watch deletes itself. It belongs to the
// program's frame, so it outlives the small window that started it.
#pragma once

#include "app/utilities/backup/command_failure.h"
#include "platform/program_start.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <memory>
#include <string>

class QMessageBox;
class QTimer;
class QWidget;

namespace zv::utilities {

class CommandWatch : public QObject {
public:
    // Starts the command (Windows-1250, trimmed, not empty) and watches it. The
    // watch and its message belong to `owner` (null: to the application);
    // `title` (UTF-8) titles the message.
    static CommandWatch* start(const std::string& command, BackupKind kind, const QString& title,
                               QWidget* owner);

    const WatchedProgram& program() const { return *program_; }
    // The message shown at the end, while it is open.
    QMessageBox* report() const { return report_; }

private:
    CommandWatch(const std::string& command, BackupKind kind, const QString& title, QWidget* owner);
    void look();

    std::unique_ptr<WatchedProgram> program_;
    std::string command_;
    BackupKind kind_;
    QString title_;
    QPointer<QWidget> owner_;
    QTimer* timer_;
    QPointer<QMessageBox> report_;
};

} // namespace zv::utilities
