#include "app/exchange/windows/import_window.h"

#include "app/exchange/import/dbase_header.h"
#include "app/exchange/import/dbase_import.h"
#include "app/exchange/windows/csv_mapping_dialog.h"
#include "app/shell/access/error_codes.h"
#include "platform/dates/picture.h"
#include "platform/paths.h"
#include "platform/profile.h"
#include "ui/window/text.h"
#include "ui/window/window_state.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace zv::exchange {
namespace {

const char* const kTargets[] = {"Firma", "Ulice", "PSČ", "Město", "Stat",    "Osoba",   "Telefon",
                                "Fax",   "IČO",   "DIČ", "Banka", "Č. účtu", "Poznámka"};
constexpr int kZevlonTab = 0, kDbaseTab = 1, kCsvTab = 2;
constexpr std::size_t kCsvPreviewLines = 12;
const char* const kModes[] = {" Novější přepíše starší", " Doplní informace", " Přepíše vždy",
                              " Nepřepíše nikdy"};

// The name of a file without its directory.
std::string baseName(const std::string& path) {
    const std::size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

QString dateText(std::int32_t day) {
    const auto picture = dates::compile("@d5.");
    return picture && day ? ui::qtText(dates::format(*picture, day)) : QString();
}

} // namespace

ImportWindow::ImportWindow(frame::WindowContext& context, QWidget* parent)
    : BulkWindow(parent), context_(context) {
    setObjectName("IMPORT_W");
    setWindowTitle(QStringLiteral("Import dat ve formátu"));
    auto* layout = new QVBoxLayout(this);
    auto* fileRow = new QHBoxLayout;
    file_ = new QLineEdit(this);
    file_->setMaxLength(144);
    file_->setToolTip(QStringLiteral("Název souboru pro export"));
    file_->setStatusTip(QStringLiteral("Zadejte název souboru, kam se bude exportovat"));
    auto* fileLabel = new QLabel(QStringLiteral("Sou&bor:"), this);
    fileLabel->setBuddy(file_);
    auto* browse = new QToolButton(this);
    browse->setText(QStringLiteral("..."));
    fileRow->addWidget(fileLabel);
    fileRow->addWidget(file_, 1);
    fileRow->addWidget(browse);
    layout->addLayout(fileRow);

    tabs_ = new QTabWidget(this);
    auto* zevlon = new QWidget(tabs_);
    auto* z = new QFormLayout(zevlon);
    date_ = new QLabel(zevlon);
    entries_ = new QLabel(zevlon);
    entries_->setToolTip(QStringLiteral("Počet firem v importu"));
    creator_ = new QLabel(zevlon);
    description_ = new QPlainTextEdit(zevlon);
    description_->setReadOnly(true);
    z->addRow(QStringLiteral("Datum:"), date_);
    z->addRow(QStringLiteral("Záznamů:"), entries_);
    z->addRow(QStringLiteral("Vytvořil:"), creator_);
    z->addRow(QStringLiteral("Popis:"), description_);
    tabs_->addTab(zevlon, QStringLiteral("ZEVLON"));

    auto* dbase = new QWidget(tabs_);
    auto* d = new QVBoxLayout(dbase);
    auto* dInfo = new QFormLayout;
    dbaseDate_ = new QLabel(dbase);
    dbaseRows_ = new QLabel(dbase);
    dInfo->addRow(QStringLiteral("Datum:"), dbaseDate_);
    dInfo->addRow(QStringLiteral("Záznamů:"), dbaseRows_);
    d->addLayout(dInfo);
    czech_ = new QCheckBox(QStringLiteral(" Kompatibilita CZ"), dbase);
    czech_->setToolTip(QStringLiteral("Kompatibilita češtiny"));
    d->addWidget(czech_);
    auto* lists = new QHBoxLayout;
    targets_ = new QTreeWidget(dbase);
    targets_->setHeaderLabels(
        {QStringLiteral("Pole ZEVLON"), QString(), QStringLiteral("Pole dBase")});
    targets_->setRootIsDecorated(false);
    fields_ = new QTreeWidget(dbase);
    fields_->setHeaderLabels(
        {QStringLiteral("Soubor dBase"), QStringLiteral("Od"), QStringLiteral("Do")});
    fields_->setRootIsDecorated(false);
    fields_->setToolTip(QStringLiteral("Seznam polí dostupných v souboru dBase IV"));
    auto* middle = new QVBoxLayout;
    auto* map = new QPushButton(QStringLiteral("<-"), dbase);
    auto* clear = new QPushButton(QStringLiteral("clear"), dbase);
    map->setAutoDefault(false);
    clear->setAutoDefault(false);
    middle->addStretch(1);
    middle->addWidget(map);
    middle->addWidget(clear);
    middle->addStretch(1);
    lists->addWidget(targets_, 1);
    lists->addLayout(middle);
    lists->addWidget(fields_, 1);
    d->addLayout(lists, 1);
    tabs_->addTab(dbase, QStringLiteral("dBase IV"));
    tabs_->addTab(makeCsvTab(), QStringLiteral("CSV"));
    layout->addWidget(tabs_, 1);

    auto* group = new QGroupBox(QStringLiteral("Kriteria importu pro shodné firmy"), this);
    group->setToolTip(QStringLiteral("Kriteria importu dat"));
    group->setStatusTip(QStringLiteral("Zadejte kriteria pro přepis stejných záznamů v systému"));
    auto* g = new QVBoxLayout(group);
    for (int i = 0; i < 4; ++i) {
        modes_[i] = new QRadioButton(QString::fromUtf8(kModes[i]), group);
        g->addWidget(modes_[i]);
    }
    modes_[3]->setChecked(true); // " Nepřepíše nikdy"
    layout->addWidget(group);
    layout->addWidget(progressText_);
    layout->addWidget(bar_);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    auto* go = new QPushButton(QStringLiteral("&Import"), this);
    // Enter in the file name shows the file; it never starts the import.
    go->setAutoDefault(false);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setAutoDefault(false);
    buttons->addWidget(go);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);

    connect(browse, &QToolButton::clicked, this, [this] { chooseFile(); });
    connect(file_, &QLineEdit::returnPressed, this, [this] { showFile(); });
    connect(map, &QPushButton::clicked, this, [this] { mapSelected(); });
    connect(clear, &QPushButton::clicked, this, [this] { clearSelected(); });
    connect(fields_, &QTreeWidget::itemActivated, this, [this] {
        mapSelected();
        const int next = targets_->indexOfTopLevelItem(targets_->currentItem()) + 1;
        if (next < targets_->topLevelItemCount())
            targets_->setCurrentItem(targets_->topLevelItem(next));
    });
    connect(targets_, &QTreeWidget::itemActivated, this, [this] { clearSelected(); });
    connect(tabs_, &QTabWidget::currentChanged, this, [this] {
        file_->clear();
        resetLists();
    });
    connect(go, &QPushButton::clicked, this, [this] { start(); });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    resetLists();
    resize(640, 600);
    ui::restoreWindowState(*this, ProfileFile(startup::kSettingsFile), "Import_W");
}

ImportWindow::~ImportWindow() {
    (void)ui::saveWindowState(*this, ProfileFile(startup::kSettingsFile), "Import_W");
}

QWidget* ImportWindow::makeCsvTab() {
    auto* tab = new QWidget(tabs_);
    auto* c = new QVBoxLayout(tab);
    auto* info = new QFormLayout;
    csvEncoding_ = new QLabel(tab);
    csvSeparator_ = new QLabel(tab);
    csvLines_ = new QLabel(tab);
    csvLines_->setToolTip(QStringLiteral("Počet řádků souboru"));
    info->addRow(QStringLiteral("Kódování:"), csvEncoding_);
    info->addRow(QStringLiteral("Oddělovač:"), csvSeparator_);
    info->addRow(QStringLiteral("Řádků:"), csvLines_);
    csvPersons_ = new QLabel(tab);
    csvPersons_->setToolTip(
        QStringLiteral("Osoby firem ze souboru NÁZEV_osoby.csv vedle souboru firem"));
    info->addRow(QStringLiteral("Soubor osob:"), csvPersons_);
    c->addLayout(info);
    csvColumns_ = new QTreeWidget(tab);
    csvColumns_->setHeaderLabels({QStringLiteral("Sloupec CSV"), QStringLiteral("Pole ZEVLON")});
    csvColumns_->setRootIsDecorated(false);
    csvColumns_->setToolTip(QStringLiteral("Které pole firmy plní který sloupec"));
    c->addWidget(csvColumns_, 1);
    auto* map = new QPushButton(QStringLiteral("Přiřadit slo&upce..."), tab);
    map->setAutoDefault(false);
    map->setToolTip(QStringLiteral("Ukáže první řádky souboru a pole, která sloupce plní"));
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    row->addWidget(map);
    c->addLayout(row);
    connect(map, &QPushButton::clicked, this, &ImportWindow::mapCsvColumns);
    return tab;
}

void ImportWindow::showCsvMapping() {
    csvColumns_->clear();
    const auto& first =
        csvPreview_.rows.empty() ? std::vector<std::string>() : csvPreview_.rows.front();
    // The column of the firms' numbers that the persons name.
    const int numbers =
        csvMapping_.header && !csvPreview_.personsFile.empty() ? csvFirmNumberColumn(first) : -1;
    for (std::size_t col = 0; col < csvMapping_.targets.size(); ++col) {
        const QString name = csvMapping_.header && col < first.size()
                                 ? ui::qtText(first[col])
                                 : QStringLiteral("Sloupec %1").arg(col + 1);
        const int t = csvMapping_.targets[col];
        const QString target = t >= 0
                                   ? QString::fromUtf8(csvTargets()[std::size_t(t)].caption.c_str())
                               : int(col) == numbers ? QStringLiteral("(číslo firmy pro osoby)")
                                                     : QString();
        csvColumns_->addTopLevelItem(new QTreeWidgetItem({name, target}));
    }
}

void ImportWindow::mapCsvColumns() {
    if (!csvPreview_.read) showFile();
    if (!csvPreview_.read) return;
    CsvMappingDialog d(csvPreview_, csvMapping_.targets, csvMapping_.header, this);
    if (d.exec() != QDialog::Accepted) return;
    csvMapping_.targets = d.targets();
    csvMapping_.header = d.header();
    showCsvMapping();
}

void ImportWindow::resetLists() {
    csvPreview_ = CsvPreview();
    csvMapping_ = CsvMapping();
    csvColumns_->clear();
    for (QLabel* l : {csvEncoding_, csvSeparator_, csvLines_, csvPersons_})
        l->clear();
    fields_->clear();
    targets_->clear();
    for (const char* t : kTargets)
        targets_->addTopLevelItem(
            new QTreeWidgetItem({QString::fromUtf8(t), QStringLiteral(" <- "), QString()}));
    for (QLabel* l : {date_, entries_, creator_, dbaseDate_, dbaseRows_})
        l->clear();
    description_->clear();
}

void ImportWindow::chooseFile() {
    const QString current = QDir::currentPath();
    const int tab = tabs_->currentIndex();
    const QString chosen = QFileDialog::getOpenFileName(
        this, QStringLiteral("Import dat ze souboru"), QString(),
        tab == kDbaseTab ? QStringLiteral("Import dat dBase IV (*.dbf)")
        : tab == kCsvTab ? QStringLiteral("Import dat CSV (*.csv)")
                         : QStringLiteral("Import dat ZEVLON (*.ems)"));
    QDir::setCurrent(current);
    if (chosen.isEmpty()) return;
    file_->setText(chosen);
    showFile();
}

void ImportWindow::showFile() {
    resetLists();
    const std::string file = ui::recordText(file_->text().trimmed());
    if (file.empty()) return;
    if (tabs_->currentIndex() == kCsvTab) {
        csvPreview_ = readCsvPreview(paths::native(file), kCsvPreviewLines);
        if (!csvPreview_.read) return;
        csvMapping_ = csvPreview_.suggestedMapping();
        csvEncoding_->setText(csvPreview_.format.encoding == CsvEncoding::Utf8
                                  ? QStringLiteral("UTF-8")
                                  : QStringLiteral("Windows-1250"));
        const char sep = csvPreview_.format.separator;
        csvSeparator_->setText(sep == '\t'  ? QStringLiteral("tabulátor")
                               : sep == ',' ? QStringLiteral("čárka")
                               : sep == ';' ? QStringLiteral("středník")
                                            : QStringLiteral("svislá čára"));
        csvLines_->setText(QString::number(csvPreview_.lines));
        csvPersons_->setText(csvPreview_.personsFile.empty()
                                 ? QStringLiteral("není, importují se jen firmy")
                                 : QStringLiteral("%1, řádků s osobami: %2")
                                       .arg(ui::qtText(baseName(csvPreview_.personsFile)))
                                       .arg(csvPreview_.personLines));
        showCsvMapping();
        return;
    }
    if (tabs_->currentIndex() == kZevlonTab) {
        const ExportSummary summary = readExportSummary(context_.services, file);
        if (!summary.found) return; // no export: the summary stays empty
        date_->setText(dateText(summary.date));
        entries_->setText(QString::number(summary.entries));
        creator_->setText(ui::qtText(summary.creator));
        description_->setPlainText(ui::qtText(summary.description).replace("\r\n", "\n"));
        return;
    }
    const DbaseHeader h = readDbaseHeader(paths::native(file));
    if (!h.read) return;
    dbaseDate_->setText(dateText(h.date));
    dbaseRows_->setText(QString::number(h.rows));
    for (const auto& f : h.fields) {
        auto* item = new QTreeWidgetItem({QString::fromLatin1(f.name.c_str()),
                                          QString::number(f.first), QString::number(f.last)});
        item->setData(0, Qt::UserRole, f.ordinal);
        fields_->addTopLevelItem(item);
    }
    if (fields_->topLevelItemCount() > 0) fields_->setCurrentItem(fields_->topLevelItem(0));
    targets_->setCurrentItem(targets_->topLevelItem(0));
}

void ImportWindow::mapSelected() {
    QTreeWidgetItem* target = targets_->currentItem();
    QTreeWidgetItem* field = fields_->currentItem();
    if (!target || !field) return;
    target->setText(2, field->text(0));
    target->setData(2, Qt::UserRole, field->data(0, Qt::UserRole));
}

void ImportWindow::clearSelected() {
    if (QTreeWidgetItem* target = targets_->currentItem()) {
        target->setText(2, QString());
        target->setData(2, Qt::UserRole, 0);
    }
}

ImportMode ImportWindow::mode() const {
    if (modes_[0]->isChecked()) return ImportMode::Newer;
    if (modes_[1]->isChecked()) return ImportMode::Fill;
    if (modes_[2]->isChecked()) return ImportMode::Always;
    return ImportMode::Never;
}

void ImportWindow::start() {
    if (running()) return;
    const std::string file = ui::recordText(file_->text().trimmed());
    if (file.empty()) {
        file_->setFocus();
        return;
    }
    const bool dbase = tabs_->currentIndex() == kDbaseTab;
    const bool csv = tabs_->currentIndex() == kCsvTab;
    if (csv && !csvPreview_.read) showFile();
    DbaseMapping mapping;
    if (dbase) {
        for (int t = 0; t < targets_->topLevelItemCount() && t < int(mapping.fields.size()); ++t)
            mapping.fields[std::size_t(t)] = targets_->topLevelItem(t)->text(2).toStdString();
        mapping.czech = czech_->isChecked();
    }
    bool interrupted = false;
    if (csv) {
        if (!importCsv(file, interrupted)) {
            accept();
            return;
        }
    } else if (dbase) {
        DbaseImporter importer(context_.services, paths::native(file), mapping, mode());
        interrupted = runRecords(importer.total(), QStringLiteral("Importuji záznam %1"),
                                 [&importer] { return importer.next(); });
        counts_ = importer.finish();
    } else {
        Importer importer(context_.services, file, mode());
        interrupted = runRecords(importer.total(), QStringLiteral("Importuji záznam %1"),
                                 [&importer] { return importer.next(); });
        counts_ = importer.finish();
    }
    QMessageBox::information(
        this, windowTitle(),
        QStringLiteral("Přidáno firem: %1, změněno: %2, vynecháno: %3, osob: %4, schůzek: %5%6")
                .arg(counts_.added)
                .arg(counts_.changed)
                .arg(counts_.skipped)
                .arg(counts_.persons)
                .arg(counts_.meetings)
                .arg(interrupted ? QStringLiteral(" (přerušeno klávesou)") : QString()) +
            (csv ? csvPersonsText() : QString()));
    accept();
}

bool ImportWindow::importCsv(const std::string& file, bool& interrupted) {
    CsvImporter importer(context_.services, paths::native(file), csvMapping_, mode());
    if (importer.error() != 0 && !importer.failedFile().empty()) {
        // A file that cannot be read is said so; nothing has been imported.
        QMessageBox::warning(this, windowTitle(),
                             QStringLiteral("Soubor %1 se nepodařilo přečíst: %2 (%3)")
                                 .arg(ui::qtText(importer.failedFile()),
                                      ui::qtText(access::errorText(importer.error())))
                                 .arg(importer.error()));
        return false;
    }
    interrupted = runRecords(importer.total(), QStringLiteral("Importuji záznam %1"),
                             [&importer] { return importer.next(); });
    counts_ = importer.finish();
    csvPersonCounts_ = importer.personCounts();
    return true;
}

// What became of the persons' file, as a line of its own; empty without one.
QString ImportWindow::csvPersonsText() const {
    const CsvPersonCounts& p = csvPersonCounts_;
    if (p.file.empty()) return {};
    return QStringLiteral("\nOsoby ze souboru %1: přidáno %2, vynecháno %3, bez firmy v "
                          "souboru %4, chybných řádků %5")
        .arg(ui::qtText(baseName(p.file)))
        .arg(counts_.persons)
        .arg(p.leftOut)
        .arg(p.withoutFirm)
        .arg(p.malformed);
}

} // namespace zv::exchange
