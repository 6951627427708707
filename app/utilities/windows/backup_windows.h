// ZALOHUJ ("Záloha dat"), OBNOV ("Obnovení dat") and NASTAVENIZALOHY
// ("Provádění zálohy a obnovy dat"). The first two ask before they start the
// backup or restore command of the settings as a program of its own and close
// at once; the command is watched and a failure reported (command_watch.h).
// The third edits both commands and writes them to ZEVLON.INI at OK.
#pragma once

#include "app/shell/frame/window_context.h"
#include "app/utilities/backup/backup_settings.h"
#include "app/utilities/backup/command_failure.h"
#include "app/utilities/windows/utility_window.h"

class QLineEdit;
class QPushButton;

namespace zv::utilities {

class CommandWatch;

// ZALOHUJ or OBNOV.
class BackupWindow : public UtilityWindow {
public:
    BackupWindow(frame::WindowContext& context, BackupKind kind, QWidget* parent = nullptr);

    QPushButton* okButton() const { return ok_; }
    // The watch of the command OK started (null: none was started).
    CommandWatch* watch() const { return watch_; }

    void ok();

private:
    frame::WindowContext& context_;
    BackupKind kind_;
    QPushButton* ok_;
    CommandWatch* watch_ = nullptr;
};

// NASTAVENIZALOHY.
class BackupSettingsWindow : public UtilityWindow {
public:
    explicit BackupSettingsWindow(frame::WindowContext& context, QWidget* parent = nullptr);

    QLineEdit* backupEntry() const { return backup_; }
    QLineEdit* restoreEntry() const { return restore_; }

    void ok();

private:
    frame::WindowContext& context_;
    BackupCommands before_; // as read when the window opened
    QLineEdit* backup_;
    QLineEdit* restore_;
};

} // namespace zv::utilities
