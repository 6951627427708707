// "Přiřazení sloupců CSV": the first lines of a CSV file, each column under a
// choice of the firm field it fills ("(nepřiřazeno)" for none, each field for
// one column at most), and whether the first line holds headings.
#pragma once

#include "app/exchange/import/csv_import.h"

#include <QDialog>

#include <vector>

class QCheckBox;
class QComboBox;
class QTableWidget;

namespace zv::exchange {

class CsvMappingDialog : public QDialog {
public:
    CsvMappingDialog(const CsvPreview& preview, const std::vector<int>& targets, bool header,
                     QWidget* parent = nullptr);

    // Per column: the index of its target in csvTargets(), -1 none.
    std::vector<int> targets() const;
    bool header() const;

    QTableWidget* table() const { return table_; }
    QCheckBox* headerChoice() const { return header_; }
    QComboBox* choiceOf(int column) const;

private:
    void showLines();
    void chosen(int column);

    const CsvPreview& preview_;
    QCheckBox* header_;
    QTableWidget* table_;
    std::vector<QComboBox*> choices_;
};

} // namespace zv::exchange
