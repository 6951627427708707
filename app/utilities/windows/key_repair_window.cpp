#include "app/utilities/windows/key_repair_window.h"

#include "ui/window/text.h"

#include <QApplication>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QThread>
#include <QVBoxLayout>
#include <QWindow>

#include <algorithm>
#include <memory>

namespace zv::utilities {

BuildFileWindow::BuildFileWindow(const std::string& physicalName, QWidget* parent)
    : QDialog(parent) {
    setObjectName("BUILDFILE$QW");
    setWindowTitle(QStringLiteral("Vytvářím klíče"));
    name_ = new QLineEdit(ui::qtText(physicalName.substr(0, 30)), this);
    name_->setReadOnly(true);
    name_->setFocusPolicy(Qt::NoFocus);
    name_->setMinimumWidth(name_->fontMetrics().horizontalAdvance(QLatin1Char('M')) * 24);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(name_);
}

std::unique_ptr<BuildFileWindow> showRebuilding(const std::string& physicalName, QWidget* parent) {
    auto shown = std::make_unique<BuildFileWindow>(physicalName, parent);
    shown->show();
    shown->raise();
    // On screen and painted before the rebuild keeps the program busy.
    for (int round = 0; round < 50; ++round) {
        QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        const QWindow* window = shown->windowHandle();
        if (window && window->isExposed()) break;
        QThread::msleep(2);
    }
    shown->repaint();
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    return shown;
}

KeyRepairWindow::KeyRepairWindow(frame::WindowContext& context, QWidget* parent)
    : UtilityWindow("OPRAVAKLICU", "OpravaKlicu", parent), context_(context) {
    setWindowTitle(QStringLiteral("Oprava klíčů"));
    auto* note = new QGroupBox(QStringLiteral("Poznámka"), this);
    auto* lines = new QVBoxLayout(note);
    for (const char* line :
         {"Před opravou klíčů velmi důrazně doporučujeme",
          "vytvořit kompletní zálohu všech souborů", "a uzavřít všechna okna !!!"})
        lines->addWidget(new QLabel(QString::fromUtf8(line), note));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(note);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    repair_ = button("&Oprav", true);
    QPushButton* cancel = button("&Cancel");
    buttons->addWidget(repair_);
    buttons->addWidget(cancel);
    buttons->addWidget(helpButton("&Help"));
    layout->addLayout(buttons);
    connect(repair_, &QPushButton::clicked, this, [this] { repair(); });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    repair_->setFocus();
    restorePlace();
}

void KeyRepairWindow::repair() {
    for (auto* b : findChildren<QPushButton*>())
        b->setEnabled(false);
    std::unique_ptr<BuildFileWindow> shown;
    results_ = repairKeys(context_.db, [&](const std::string& physicalName) {
        // One window per file, shown before its rebuild keeps the program busy.
        shown.reset();
        shown = showRebuilding(physicalName, this);
        shown_.push_back(shown->nameField()->text());
    });
    shown.reset();
    const bool allSound = std::all_of(results_.begin(), results_.end(), [](const FileRepair& r) {
        return r.ok() || r.code == access::kFileNotFound;
    });
    QMessageBox box(allSound ? QMessageBox::Information : QMessageBox::Warning, windowTitle(),
                    summary(), QMessageBox::Ok, this);
    box.exec();
    accept();
}

QString KeyRepairWindow::summary() const {
    int rebuilt = 0;
    QStringList failed, absent;
    for (const FileRepair& r : results_) {
        const QString name = ui::qtText(r.baseName());
        if (r.ok())
            ++rebuilt;
        else if (r.code == access::kFileNotFound)
            absent << name;
        else
            failed << name + QStringLiteral(": ") + ui::qtText(r.outcome());
    }
    QString text = QStringLiteral("Klíče byly znovu vytvořeny a soubory prověřeny.\n\n"
                                  "Opravené soubory: %1 z %2.")
                       .arg(rebuilt)
                       .arg(results_.size());
    if (!failed.isEmpty())
        text += QStringLiteral("\n\nSoubory, které se opravit nepodařilo:\n") + failed.join('\n');
    if (!absent.isEmpty())
        text += QStringLiteral("\n\nSoubory, které zatím neexistují: ") + absent.join(", ");
    return text;
}

} // namespace zv::utilities
