#include "ui/preview/preview_dialogs.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>

namespace zv::ui {

JumpToPageDialog::JumpToPageDialog(int pageCount, int current, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("PREVIEW:JUMPTOPAGE"));
    setWindowTitle(QStringLiteral("Jump to a Report Page"));
    page_ = new QSpinBox(this);
    page_->setRange(1, std::max(1, pageCount));
    page_->setValue(std::clamp(current, 1, std::max(1, pageCount)));
    page_->setToolTip(QStringLiteral("Select a page of the report"));
    page_->setStatusTip(page_->toolTip());
    auto* label = new QLabel(QStringLiteral("&Page:"), this);
    label->setBuddy(page_);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    ok->setDefault(true);
    ok->setToolTip(QStringLiteral("Jump to the selected page"));
    QPushButton* cancel =
        buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    cancel->setToolTip(QStringLiteral("Cancel this selection"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* form = new QFormLayout;
    form->addRow(label, page_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    page_->selectAll();
}

int JumpToPageDialog::page() const {
    return page_->value();
}

SelectDisplayDialog::SelectDisplayDialog(int across, int down, int maxAcross, int maxDown,
                                         QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("PREVIEW:SELECTDISPLAY"));
    setWindowTitle(QStringLiteral("Change the Report Display"));
    auto* group = new QGroupBox(QStringLiteral("Pages Displayed"), this);
    across_ = new QSpinBox(group);
    across_->setRange(1, maxAcross);
    across_->setValue(std::clamp(across, 1, maxAcross));
    across_->setToolTip(QStringLiteral("Select the number of thumbnails in a row"));
    down_ = new QSpinBox(group);
    down_->setRange(1, maxDown);
    down_->setValue(std::clamp(down, 1, maxDown));
    down_->setToolTip(QStringLiteral("Select the number of thumbnails in a column"));
    auto* acrossLabel = new QLabel(QStringLiteral("&Across"), group);
    acrossLabel->setBuddy(across_);
    auto* downLabel = new QLabel(QStringLiteral("&Down"), group);
    downLabel->setBuddy(down_);
    auto* form = new QFormLayout(group);
    form->addRow(acrossLabel, across_);
    form->addRow(downLabel, down_);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Cancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addWidget(buttons);
}

int SelectDisplayDialog::across() const {
    return across_->value();
}
int SelectDisplayDialog::down() const {
    return down_->value();
}

} // namespace zv::ui
