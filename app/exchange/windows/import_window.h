// IMPORT_W, "Import dat ve formátu": an export file brought into the address
// book. The "ZEVLON" tab shows what the file's log says, the "dBase IV" tab the
// fields of a dBase IV table with their positions and the thirteen targets they
// may be given to, the "CSV" tab a CSV file's character set, separator and the
// firm field each column fills (chosen in "Přiřazení sloupců CSV" over its
// first lines) and the persons' file found beside it, whose persons come in
// with their firms; the modes tell what becomes of firms the book already has.
// A key pressed during the import ends it after the current firm; at the end it
// says what was done.
#pragma once

#include "app/exchange/import/csv_import.h"
#include "app/exchange/import/import.h"
#include "app/exchange/windows/bulk_window.h"
#include "app/shell/frame/procedures.h"
#include "app/shell/frame/window_context.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QProgressBar;
class QRadioButton;
class QTabWidget;
class QTreeWidget;

namespace zv::exchange {

class ImportWindow : public BulkWindow {
public:
    explicit ImportWindow(frame::WindowContext& context, QWidget* parent = nullptr);
    ~ImportWindow() override;

    QLineEdit* fileEntry() const { return file_; }
    QTabWidget* tabs() const { return tabs_; }
    QTreeWidget* dbaseFields() const { return fields_; }
    QTreeWidget* targets() const { return targets_; }
    QTreeWidget* csvColumns() const { return csvColumns_; }
    const CsvMapping& csvMapping() const { return csvMapping_; }
    QLabel* csvPersons() const { return csvPersons_; }
    const ImportCounts& counts() const { return counts_; }
    const CsvPersonCounts& csvPersonCounts() const { return csvPersonCounts_; }

    void chooseFile();
    // Shows the chosen file: the export's log, or the dBase table's header.
    void showFile();
    void mapSelected();
    void clearSelected();
    // "Přiřadit slo&upce...": the CSV mapping dialog over the file's first lines.
    void mapCsvColumns();
    void start();

private:
    void resetLists();
    QWidget* makeCsvTab();
    void showCsvMapping();
    // Runs the CSV import; false when a file could not be read (and said so).
    bool importCsv(const std::string& file, bool& interrupted);
    QString csvPersonsText() const;
    ImportMode mode() const;

    frame::WindowContext& context_;
    QLineEdit* file_;
    QTabWidget* tabs_;
    QLabel* date_;
    QLabel* entries_;
    QLabel* creator_;
    QPlainTextEdit* description_;
    QLabel* dbaseDate_;
    QLabel* dbaseRows_;
    QCheckBox* czech_;
    QTreeWidget* targets_;
    QTreeWidget* fields_;
    QLabel* csvEncoding_;
    QLabel* csvSeparator_;
    QLabel* csvLines_;
    QLabel* csvPersons_; // the persons' file beside the chosen one
    QTreeWidget* csvColumns_;
    CsvPreview csvPreview_; // the chosen CSV file's first lines
    CsvMapping csvMapping_;
    QRadioButton* modes_[4];
    ImportCounts counts_;
    CsvPersonCounts csvPersonCounts_;
};

} // namespace zv::exchange
