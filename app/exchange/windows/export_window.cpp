#include "app/exchange/windows/export_window.h"

#include "app/exchange/windows/import_window.h"

#include "app/shell/access/error_codes.h"
#include "platform/dates/picture.h"
#include "platform/profile.h"
#include "ui/window/text.h"
#include "ui/window/window_state.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace zv::exchange {
namespace {

std::optional<dates::Picture> datePicture() {
    return dates::compile("@d5.");
}

} // namespace

ExportWindow::ExportWindow(frame::WindowContext& context, QWidget* parent)
    : BulkWindow(parent), context_(context) {
    setObjectName("EXPORT_W");
    setWindowTitle(QStringLiteral("Export dat ve formátu"));
    auto* layout = new QVBoxLayout(this);
    native_ = new QRadioButton(QStringLiteral("Export dat ve formátu ZEVLO&N"), this);
    layout->addWidget(native_);
    auto* nativeForm = new QFormLayout;
    creator_ = new QLineEdit(ui::qtText(context.state.userName), this);
    creator_->setMaxLength(40);
    date_ = new QLineEdit(this);
    if (const auto p = datePicture())
        date_->setText(ui::qtText(dates::format(*p, context.state.dnes)));
    description_ = new QPlainTextEdit(this);
    description_->setTabChangesFocus(true);
    auto prompt = [&](const char* text, QWidget* buddy) {
        auto* l = new QLabel(QString::fromUtf8(text), this);
        l->setBuddy(buddy);
        return l;
    };
    nativeForm->addRow(prompt("Vytvoři&l:", creator_), creator_);
    nativeForm->addRow(prompt("D&atum:", date_), date_);
    nativeForm->addRow(prompt("&Popis:", description_), description_);
    layout->addLayout(nativeForm);
    dbase_ = new QRadioButton(QStringLiteral("Export dat ve formátu dBase &IV"), this);
    layout->addWidget(dbase_);
    vcard_ = new QRadioButton(QStringLiteral("Export dat ve formátu vCa&rd"), this);
    vcard_->setToolTip(QStringLiteral("Vizitka za každou firmu a každou její osobu"));
    layout->addWidget(vcard_);
    csv_ = new QRadioButton(QStringLiteral("Export dat ve formátu &CSV"), this);
    csv_->setToolTip(QStringLiteral("Firmy do zvoleného souboru, jejich osoby vedle něj do "
                                    "souboru s koncovkou _osoby.csv"));
    layout->addWidget(csv_);

    auto* fileRow = new QHBoxLayout;
    file_ = new QLineEdit(this);
    file_->setMaxLength(144);
    file_->setToolTip(QStringLiteral("Název souboru pro export"));
    file_->setStatusTip(QStringLiteral("Zadejte název souboru, kam se bude exportovat"));
    auto* browse = new QToolButton(this);
    browse->setText(QStringLiteral("..."));
    fileRow->addWidget(prompt("Sou&bor:", file_));
    fileRow->addWidget(file_, 1);
    fileRow->addWidget(browse);
    layout->addLayout(fileRow);
    layout->addWidget(bar_);
    layout->addWidget(progressText_);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    auto* go = new QPushButton(QStringLiteral("&Export"), this);
    go->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setAutoDefault(false);
    buttons->addWidget(go);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);
    connect(browse, &QToolButton::clicked, this, [this] { chooseFile(); });
    connect(go, &QPushButton::clicked, this, [this] { start(); });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    setMinimumWidth(fontMetrics().horizontalAdvance(QLatin1Char('M')) * 36);
    ui::restoreWindowState(*this, ProfileFile(startup::kSettingsFile), "Export_W");
}

ExportWindow::~ExportWindow() {
    (void)ui::saveWindowState(*this, ProfileFile(startup::kSettingsFile), "Export_W");
}

void ExportWindow::chooseFile() {
    // The current directory is the program's: the dialog must not move it.
    const QString current = QDir::currentPath();
    QString name = file_->text();
    QString filter;
    if (native_->isChecked()) {
        name = QStringLiteral("expzvl.ems");
        filter = QStringLiteral("Export dat ZEVLON (*.ems)");
    } else if (dbase_->isChecked()) {
        name = QStringLiteral("expzvl.dbf");
        filter = QStringLiteral("Export dat dBase IV (*.dbf)");
    } else if (vcard_->isChecked()) {
        name = QStringLiteral("expzvl.vcf");
        filter = QStringLiteral("Export dat vCard (*.vcf)");
    } else if (csv_->isChecked()) {
        name = QStringLiteral("expzvl.csv");
        filter = QStringLiteral("Export dat CSV (*.csv)");
    }
    const QString chosen =
        QFileDialog::getSaveFileName(this, QStringLiteral("Export do souboru"), name, filter,
                                     nullptr, QFileDialog::DontConfirmOverwrite);
    QDir::setCurrent(current);
    if (!chosen.isEmpty()) file_->setText(chosen);
}

void ExportWindow::start() {
    if (running()) return;
    if (file_->text().trimmed().isEmpty()) {
        file_->setFocus();
        return;
    }
    ExportOptions options;
    if (native_->isChecked())
        options.format = ExportFormat::Native;
    else if (dbase_->isChecked())
        options.format = ExportFormat::Dbase;
    else if (vcard_->isChecked())
        options.format = ExportFormat::Vcard;
    else if (csv_->isChecked())
        options.format = ExportFormat::Csv;
    else {
        reject(); // no format chosen: nothing is written
        return;
    }
    options.file = ui::recordText(file_->text().trimmed());
    options.creator = ui::recordText(creator_->text());
    const auto picture = datePicture();
    const auto day = picture ? dates::parse(*picture, ui::recordText(date_->text())) : std::nullopt;
    options.date = day ? *day : context_.state.dnes;
    options.description = ui::recordText(description_->toPlainText().replace('\n', "\r\n"));
    if (!mayOverwriteAsExport(options.file, options.format) &&
        QMessageBox::question(this, windowTitle(),
                              QStringLiteral("Soubor %1 již existuje a není exportem.\n"
                                             "Chcete jej přepsat?")
                                  .arg(file_->text().trimmed()),
                              QMessageBox::Yes | QMessageBox::No,
                              QMessageBox::No) != QMessageBox::Yes)
        return;

    bool interrupted = false;
    {
        Exporter exporter(context_.services, options);
        interrupted = runRecords(exporter.total(), QStringLiteral("Exportuji záznam %1"),
                                 [&exporter] { return exporter.next(); });
        counts_ = exporter.finish();
        // A text file that could not be written is said so (the native and dBase
        // exports keep their silence).
        const bool text =
            options.format == ExportFormat::Vcard || options.format == ExportFormat::Csv;
        if (text && exporter.error() != 0) {
            QMessageBox::warning(
                this, windowTitle(),
                QStringLiteral("Soubor %1 se nepodařilo zapsat: %2 (%3)")
                    .arg(file_->text().trimmed(), ui::qtText(access::errorText(exporter.error())))
                    .arg(exporter.error()));
            accept();
            return;
        }
    }
    QMessageBox::information(
        this, windowTitle(),
        QStringLiteral("Exportováno firem: %1, osob: %2, schůzek: %3%4")
            .arg(counts_.firms)
            .arg(counts_.persons)
            .arg(counts_.meetings)
            .arg(interrupted ? QStringLiteral(" (přerušeno klávesou)") : QString()));
    accept();
}

void addExchangeProcedures(frame::ProcedureTable& table, frame::WindowContext& context) {
    table["EXPORT_W"].start = [&context](int /*thread*/) -> QWidget* {
        return new ExportWindow(context);
    };
    table["IMPORT_W"].start = [&context](int /*thread*/) -> QWidget* {
        return new ImportWindow(context);
    };
}

} // namespace zv::exchange
