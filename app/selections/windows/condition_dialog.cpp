#include "app/selections/windows/condition_dialog.h"

#include "app/records/windows/open_files.h"
#include "platform/profile.h"
#include "ui/runtime/procedure_runtime.h"
#include "ui/window/text.h"
#include "ui/window/window_state.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

namespace zv::selections {

ConditionDialog::ConditionDialog(std::vector<FieldChoice> fields, QWidget* parent)
    : QDialog(parent), fields_(std::move(fields)) {
    setObjectName("PODMINKA");
    setWindowTitle(QStringLiteral("Zadej podmínku výběru"));
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    layout->addLayout(form);

    field_ = new QComboBox(this);
    for (const auto& f : fields_)
        field_->addItem(ui::qtText(f.caption));
    field_->setCurrentIndex(-1);
    field_->setToolTip(QStringLiteral("Výběr položky pro kterou bude platit podmínka"));
    field_->setStatusTip(QStringLiteral("Vyber položku pro kterou bude platit podmínka"));
    field_->setMaxVisibleItems(20);
    auto* fieldPrompt = new QLabel(QStringLiteral("&Položka:"), this);
    fieldPrompt->setBuddy(field_);
    form->addRow(fieldPrompt, field_);

    operator_ = new QComboBox(this);
    for (const auto& o : operatorChoices())
        operator_->addItem(QString::fromStdString(o));
    operator_->setCurrentIndex(-1);
    operator_->setToolTip(QStringLiteral("Určete podmínku"));
    operatorPrompt_ = new QLabel(QStringLiteral("Po&dmínka:"), this);
    operatorPrompt_->setBuddy(operator_);
    form->addRow(operatorPrompt_, operator_);

    value_ = new QLineEdit(this);
    value_->setMaxLength(100);
    value_->setToolTip(QStringLiteral("Zadejte omezení "));
    valuePrompt_ = new QLabel(QStringLiteral("&Text:"), this);
    valuePrompt_->setBuddy(value_);
    form->addRow(valuePrompt_, value_);

    flag_ = new QCheckBox(QStringLiteral("Za&škrtnuto"), this);
    flag_->hide();
    form->addRow(QString(), flag_);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &ConditionDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &ConditionDialog::reject);
    connect(field_, &QComboBox::currentIndexChanged, this, [this](int i) { fieldChosen(i); });
    setMinimumWidth(fontMetrics().horizontalAdvance(QLatin1Char('M')) * 32);
}

void ConditionDialog::fieldChosen(int index) {
    const bool flag = index >= 0 && std::size_t(index) < fields_.size() &&
                      fields_[std::size_t(index)].kind == FieldKind::Flag;
    operatorPrompt_->setVisible(!flag);
    operator_->setVisible(!flag);
    valuePrompt_->setVisible(!flag);
    value_->setVisible(!flag);
    flag_->setVisible(flag);
}

void ConditionDialog::accept() {
    const int index = field_->currentIndex();
    if (index < 0 || std::size_t(index) >= fields_.size()) {
        QMessageBox::warning(this, windowTitle(), QStringLiteral("Vyberte položku."));
        field_->setFocus();
        return;
    }
    const Condition c =
        buildCondition(fields_[std::size_t(index)], operator_->currentText().toStdString(),
                       ui::recordText(value_->text()), flag_->isChecked());
    if (!c.error.empty()) {
        QMessageBox::warning(this, windowTitle(), ui::qtText(c.error));
        (operator_->currentIndex() < 0 ? static_cast<QWidget*>(operator_)
                                       : static_cast<QWidget*>(value_))
            ->setFocus();
        return;
    }
    result_ = c;
    QDialog::accept();
}

void ConditionDialog::reject() {
    result_ = {};
    QDialog::reject();
}

Condition askCondition(frame::WindowContext& context, QWidget* parent) {
    std::array<std::string, 20> captions;
    {
        records::OpenFiles files(context.services, {"Kategorie"});
        if (files.ok()) captions = firstCategoryCaptions(context.db.file("Kategorie"));
    }
    ConditionDialog dialog(fieldChoices(captions), parent);
    const ProfileFile ini(startup::kSettingsFile);
    ui::restoreWindowState(dialog, ini, "Podminka");
    if (context.runtime)
        context.runtime->call(dialog);
    else
        dialog.exec();
    (void)ui::saveWindowState(dialog, ini, "Podminka");
    return dialog.result();
}

} // namespace zv::selections
