#include "app/utilities/windows/data_directory_window.h"

#include "app/utilities/windows/text_order_window.h"

#include "app/utilities/data_directory/data_directory.h"
#include "ui/window/text.h"

#include <QDir>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

namespace zv::utilities {

DataDirectoryWindow::DataDirectoryWindow(frame::WindowContext& context, QWidget* parent)
    : UtilityWindow("DATASHO", "DataSho", parent), context_(context) {
    setWindowTitle(QStringLiteral("Umístění datových souborů"));
    entry_ = new QLineEdit(ui::qtText(readDataPrefix(ProfileFile(startup::kSettingsFile))), this);
    entry_->setMaxLength(int(kDataPrefixWidth));
    entry_->setToolTip(QStringLiteral("Zadejte umístění dat"));
    entry_->setStatusTip(entry_->toolTip());
    entry_->setMinimumWidth(entry_->fontMetrics().horizontalAdvance(QLatin1Char('x')) * 50);
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Adresář s daty:"), entry_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    QPushButton* okButton = button("&OK", true);
    QPushButton* cancel = button("&Cancel");
    buttons->addWidget(okButton);
    buttons->addWidget(cancel);
    buttons->addWidget(helpButton("&Help"));
    layout->addLayout(buttons);
    connect(okButton, &QPushButton::clicked, this, [this] { ok(); });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    entry_->setFocus();
    restorePlace();
}

void DataDirectoryWindow::ok() {
    const auto prefix = dataPrefixFromEntry(ui::recordText(entry_->text()));
    if (!prefix) {
        QMessageBox::warning(this, windowTitle(),
                             QStringLiteral("Adresář s daty smí mít nejvýše %1 znaků včetně "
                                            "oddělovače na konci.")
                                 .arg(kDataPrefixWidth));
        entry_->setFocus();
        return;
    }
    const QString shown =
        prefix->empty() ? QDir::toNativeSeparators(QDir::currentPath()) : ui::qtText(*prefix);
    QString question;
    switch (examineDataDirectory(*prefix)) {
    case DirectoryFinding::Usable:
        break;
    case DirectoryFinding::Missing:
        question = QStringLiteral("Adresář %1 neexistuje. Použít přesto?").arg(shown);
        break;
    case DirectoryFinding::NoDataFiles:
        question =
            QStringLiteral("Adresář %1 neobsahuje datové soubory. Použít přesto?").arg(shown);
        break;
    }
    if (!question.isEmpty() &&
        QMessageBox::question(this, windowTitle(), question, QMessageBox::Yes | QMessageBox::No,
                              QMessageBox::No) != QMessageBox::Yes) {
        entry_->setFocus();
        return;
    }
    const ProfileFile ini(startup::kSettingsFile);
    if (!takeDataPrefix(context_.db, context_.state, ini, *prefix)) {
        QMessageBox::warning(this, windowTitle(),
                             QStringLiteral("Adresář s daty nelze uložit do souboru %1.")
                                 .arg(QString::fromStdString(ini.path())));
        return;
    }
    // The files there keep their order of text keys until they take the one set.
    settleTextOrder(context_, this);
    accept();
}

} // namespace zv::utilities
