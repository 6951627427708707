#include "app/utilities/windows/backup_windows.h"

#include "app/utilities/windows/command_watch.h"
#include "ui/window/text.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

namespace zv::utilities {
namespace {

ProfileFile settings() {
    return ProfileFile(startup::kSettingsFile);
}

} // namespace

BackupWindow::BackupWindow(frame::WindowContext& context, BackupKind kind, QWidget* parent)
    : UtilityWindow(kind == BackupKind::Backup ? "ZALOHUJ" : "OBNOV",
                    kind == BackupKind::Backup ? "Zalohuj" : "Obnov", parent),
      context_(context), kind_(kind) {
    setWindowTitle(kind == BackupKind::Backup ? QStringLiteral("Záloha dat")
                                              : QStringLiteral("Obnovení dat"));
    auto* layout = new QVBoxLayout(this);
    const QString question = kind == BackupKind::Backup
                                 ? QStringLiteral("Opravdu chcete zálohovat svá data ?")
                                 : QStringLiteral("Opravdu chcete obnovit data ?");
    auto* first = new QLabel(question, this);
    QFont bold = first->font();
    bold.setBold(true);
    first->setFont(bold);
    layout->addWidget(first);
    layout->addSpacing(6);
    layout->addWidget(new QLabel(QStringLiteral("Než budete pokračovat, uzavřete prosím"), this));
    layout->addWidget(
        new QLabel(QStringLiteral("Všechna aktivní okna v aplikaci adresář !"), this));
    layout->addSpacing(10);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    ok_ = button("OK", true);
    QPushButton* cancel = button("Cancel");
    buttons->addWidget(ok_);
    buttons->addWidget(cancel);
    buttons->addWidget(helpButton("Help"));
    layout->addLayout(buttons);
    connect(ok_, &QPushButton::clicked, this, [this] { ok(); });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    // The focus starts on the first control.
    ok_->setFocus();
    restorePlace();
}

void BackupWindow::ok() {
    const std::string& stored = kind_ == BackupKind::Backup ? context_.state.backupDirectory
                                                            : context_.state.restoreDirectory;
    const std::string command = commandToRun(stored);
    if (!command.empty())
        watch_ = CommandWatch::start(command, kind_, windowTitle(), programWindow());
    accept();
}

BackupSettingsWindow::BackupSettingsWindow(frame::WindowContext& context, QWidget* parent)
    : UtilityWindow("NASTAVENIZALOHY", "NastaveniZalohy", parent), context_(context) {
    setWindowTitle(QStringLiteral("Provádění zálohy a obnovy dat"));
    // The commands as the settings file holds them now.
    before_ = readBackupCommands(settings(), context.state);

    auto* group = new QGroupBox(QStringLiteral("Záloha"), this);
    auto* form = new QFormLayout(group);
    backup_ = new QLineEdit(ui::qtText(before_.backup), group);
    backup_->setMaxLength(int(kCommandWidth));
    backup_->setToolTip(QStringLiteral("Zadejte příkaz pro vytvoření zálohy dat"));
    backup_->setStatusTip(backup_->toolTip());
    restore_ = new QLineEdit(ui::qtText(shownInRestoreEntry(before_.restore)), group);
    restore_->setMaxLength(int(kRestorePictureWidth));
    restore_->setToolTip(QStringLiteral("Zadejte příkaz pro obnovení dat ze zálohy"));
    restore_->setStatusTip(restore_->toolTip());
    for (QLineEdit* e : {backup_, restore_}) {
        e->setMinimumWidth(e->fontMetrics().horizontalAdvance(QLatin1Char('x')) * 90);
        e->setCursorPosition(0);
    }
    form->addRow(QStringLiteral("Vytvoření:"), backup_);
    form->addRow(QStringLiteral("Obnoveni:"), restore_);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    QPushButton* okButton = button("OK", true);
    QPushButton* cancel = button("Cancel");
    buttons->addWidget(okButton);
    buttons->addWidget(cancel);
    buttons->addWidget(helpButton("Help"));
    layout->addLayout(buttons);
    connect(okButton, &QPushButton::clicked, this, [this] { ok(); });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    backup_->setFocus();
    restorePlace();
}

void BackupSettingsWindow::ok() {
    const BackupCommands now{ui::recordText(backup_->text()),
                             restoreFromEntry(before_.restore, ui::recordText(restore_->text()))};
    const ProfileFile ini = settings();
    if (!writeBackupCommands(ini, before_, now, context_.state)) {
        QMessageBox::warning(this, windowTitle(),
                             QStringLiteral("Nastavení zálohy nelze uložit do souboru %1.")
                                 .arg(QString::fromStdString(ini.path())));
        return;
    }
    accept();
}

} // namespace zv::utilities
