#include "app/exchange/windows/csv_mapping_dialog.h"

#include "ui/window/text.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace zv::exchange {

CsvMappingDialog::CsvMappingDialog(const CsvPreview& preview, const std::vector<int>& targets,
                                   bool header, QWidget* parent)
    : QDialog(parent), preview_(preview) {
    setObjectName("CSVMAP_W");
    setWindowTitle(QStringLiteral("Přiřazení sloupců CSV"));
    auto* layout = new QVBoxLayout(this);
    auto* hint = new QLabel(
        QStringLiteral("Nad každým sloupcem zvolte pole firmy, které má vyplnit."), this);
    layout->addWidget(hint);
    header_ = new QCheckBox(QStringLiteral("&První řádek obsahuje názvy sloupců"), this);
    header_->setChecked(header);
    layout->addWidget(header_);
    std::size_t columns = 0;
    for (const auto& row : preview.rows)
        columns = std::max(columns, row.size());
    table_ = new QTableWidget(0, int(columns), this);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->verticalHeader()->setVisible(false);
    layout->addWidget(table_, 1);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Cancel"));
    layout->addWidget(buttons);

    table_->insertRow(0);
    for (std::size_t c = 0; c < columns; ++c) {
        auto* choice = new QComboBox(table_);
        choice->addItem(QStringLiteral("(nepřiřazeno)"), -1);
        const auto& all = csvTargets();
        for (std::size_t t = 0; t < all.size(); ++t)
            choice->addItem(QString::fromUtf8(all[t].caption.c_str()), int(t));
        const int target = c < targets.size() ? targets[c] : -1;
        choice->setCurrentIndex(std::max(0, choice->findData(target)));
        table_->setCellWidget(0, int(c), choice);
        choices_.push_back(choice);
        connect(choice, &QComboBox::currentIndexChanged, this, [this, c] { chosen(int(c)); });
    }
    connect(header_, &QCheckBox::toggled, this, &CsvMappingDialog::showLines);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    showLines();
    resize(820, 380);
}

void CsvMappingDialog::showLines() {
    while (table_->rowCount() > 1)
        table_->removeRow(1);
    const bool header = header_->isChecked();
    QStringList headings;
    for (int c = 0; c < table_->columnCount(); ++c) {
        const auto& first = preview_.rows.empty() ? std::vector<std::string>() : preview_.rows[0];
        headings << (header && std::size_t(c) < first.size()
                         ? ui::qtText(first[std::size_t(c)])
                         : QStringLiteral("Sloupec %1").arg(c + 1));
    }
    table_->setHorizontalHeaderLabels(headings);
    for (std::size_t r = header ? 1 : 0; r < preview_.rows.size(); ++r) {
        const int row = table_->rowCount();
        table_->insertRow(row);
        for (std::size_t c = 0; c < preview_.rows[r].size(); ++c)
            table_->setItem(row, int(c), new QTableWidgetItem(ui::qtText(preview_.rows[r][c])));
    }
    table_->resizeColumnsToContents();
}

void CsvMappingDialog::chosen(int column) {
    const int target = choices_[std::size_t(column)]->currentData().toInt();
    if (target < 0) return;
    // A field is filled from one column: another column that had it gives it up.
    for (std::size_t c = 0; c < choices_.size(); ++c)
        if (int(c) != column && choices_[c]->currentData().toInt() == target)
            choices_[c]->setCurrentIndex(0);
}

std::vector<int> CsvMappingDialog::targets() const {
    std::vector<int> out;
    for (const QComboBox* choice : choices_)
        out.push_back(choice->currentData().toInt());
    return out;
}

bool CsvMappingDialog::header() const {
    return header_->isChecked();
}

QComboBox* CsvMappingDialog::choiceOf(int column) const {
    return column >= 0 && std::size_t(column) < choices_.size() ? choices_[std::size_t(column)]
                                                                : nullptr;
}

} // namespace zv::exchange
