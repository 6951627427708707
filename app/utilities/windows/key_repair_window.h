// OPRAVAKLICU, "Oprava klíčů": the warning to back up and close every window
// first, and "&Oprav", which rebuilds the ten files of the address book one by
// one, each shown in "Vytvářím klíče" (BUILDFILE$QW) while it is rebuilt. At
// the end a summary names the files rebuilt and sound and those that were not,
// with the reason; then the window closes.
#pragma once

#include "app/shell/frame/window_context.h"
#include "app/utilities/repair/key_repair.h"
#include "app/utilities/windows/utility_window.h"

#include <memory>
#include <string>
#include <vector>

class QLineEdit;
class QPushButton;

namespace zv::utilities {

// BUILDFILE$QW: the file being rebuilt, by the first 30 characters of its name.
class BuildFileWindow : public QDialog {
public:
    explicit BuildFileWindow(const std::string& physicalName1250, QWidget* parent = nullptr);
    QLineEdit* nameField() const { return name_; }

private:
    QLineEdit* name_;
};

// Shows BUILDFILE$QW for a file and lets it paint before a rebuild keeps the
// program busy.
std::unique_ptr<BuildFileWindow> showRebuilding(const std::string& physicalName1250,
                                                QWidget* parent);

class KeyRepairWindow : public UtilityWindow {
public:
    explicit KeyRepairWindow(frame::WindowContext& context, QWidget* parent = nullptr);

    QPushButton* repairButton() const { return repair_; }
    // The outcome of each file of the last repair.
    const std::vector<FileRepair>& results() const { return results_; }
    // The names shown in BUILDFILE$QW, in order (for tests).
    const std::vector<QString>& shownNames() const { return shown_; }

    void repair();

private:
    QString summary() const;

    frame::WindowContext& context_;
    QPushButton* repair_;
    std::vector<FileRepair> results_;
    std::vector<QString> shown_;
};

} // namespace zv::utilities
