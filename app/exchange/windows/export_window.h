// EXPORT_W, "Export dat ve formátu": the selection exported to the native export
// file, a dBase IV table, vCards or CSV. Its progress bar and "Exportuji záznam N" follow
// every entry; a key pressed meanwhile ends the export after the current firm.
// At the end it says what was exported.
#pragma once

#include "app/exchange/export/export.h"
#include "app/exchange/windows/bulk_window.h"
#include "app/shell/frame/procedures.h"
#include "app/shell/frame/window_context.h"

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QRadioButton;

namespace zv::exchange {

class ExportWindow : public BulkWindow {
public:
    explicit ExportWindow(frame::WindowContext& context, QWidget* parent = nullptr);
    ~ExportWindow() override;

    QRadioButton* nativeChoice() const { return native_; }
    QRadioButton* dbaseChoice() const { return dbase_; }
    QRadioButton* vcardChoice() const { return vcard_; }
    QRadioButton* csvChoice() const { return csv_; }
    QLineEdit* fileEntry() const { return file_; }
    // The counts of the last export (for the closing summary and tests).
    const ExportCounts& counts() const { return counts_; }

    void chooseFile();
    void start();

private:
    frame::WindowContext& context_;
    QRadioButton* native_;
    QRadioButton* dbase_;
    QRadioButton* vcard_;
    QRadioButton* csv_;
    QLineEdit* creator_;
    QLineEdit* date_;
    QPlainTextEdit* description_;
    QLineEdit* file_;
    ExportCounts counts_;
};

// Registers EXPORT_W and IMPORT_W (started) with the frame.
void addExchangeProcedures(frame::ProcedureTable& table, frame::WindowContext& context);

} // namespace zv::exchange
