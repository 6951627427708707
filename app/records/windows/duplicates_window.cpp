#include "app/records/windows/duplicates_window.h"

#include "app/records/duplicates/firm_merge.h"
#include "app/shell/access/error_codes.h"
#include "platform/profile.h"
#include "ui/window/text.h"
#include "ui/window/window_state.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace zv::records {
namespace {

const char* const kSection = "Duplicity_W";

QString firmText(const DuplicateFirm& f) {
    return QStringLiteral("%1 (ID %2)").arg(ui::qtText(f.name)).arg(f.id);
}

} // namespace

DuplicatesWindow::DuplicatesWindow(frame::WindowContext& context, QWidget* parent)
    : QDialog(parent), context_(context) {
    setObjectName("DUPLICITY_W");
    setWindowTitle(QStringLiteral("Duplicitní firmy"));
    auto* top = new QVBoxLayout(this);
    list_ = new QTreeWidget(this);
    list_->setRootIsDecorated(false);
    list_->setAllColumnsShowFocus(true);
    list_->setHeaderLabels(
        {QStringLiteral("Ponechat"), QStringLiteral("Firma"), QStringLiteral("Město"),
         QStringLiteral("IČO"), QStringLiteral("Sloučit"), QStringLiteral("Firma"),
         QStringLiteral("Město"), QStringLiteral("IČO"), QStringLiteral("Shoda")});
    list_->setToolTip(
        QStringLiteral("Dvojice firem, které jsou nejspíš jedna firma zapsaná dvakrát"));
    top->addWidget(list_, 1);
    count_ = new QLabel(this);
    top->addWidget(count_);
    auto* buttons = new QHBoxLayout;
    merge_ = new QPushButton(QStringLiteral("&Sloučit"), this);
    merge_->setToolTip(QStringLiteral("Sloučí druhou firmu dvojice do první"));
    swap_ = new QPushButton(QStringLiteral("&Prohodit"), this);
    swap_->setToolTip(QStringLiteral("Ponechá druhou firmu dvojice a sloučí do ní první"));
    auto* close = new QPushButton(QStringLiteral("Close"), this);
    close->setToolTip(QStringLiteral("Uzavře okno"));
    for (QPushButton* b : {merge_, swap_, close}) {
        b->setAutoDefault(false);
        if (b == close) buttons->addStretch(1);
        buttons->addWidget(b);
    }
    top->addLayout(buttons);
    connect(merge_, &QPushButton::clicked, this, &DuplicatesWindow::mergeChosen);
    connect(swap_, &QPushButton::clicked, this, &DuplicatesWindow::swapChosen);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    connect(list_, &QTreeWidget::itemActivated, this, &DuplicatesWindow::mergeChosen);

    files_ =
        std::make_unique<OpenFiles>(context_.services, std::vector<std::string_view>{"Adresar"});
    opened_ = files_->ok();
    resize(960, 420);
    ui::restoreWindowState(*this, ProfileFile(startup::kSettingsFile), kSection);
    if (opened_) search();
}

DuplicatesWindow::~DuplicatesWindow() {
    (void)ui::saveWindowState(*this, ProfileFile(startup::kSettingsFile), kSection);
}

void DuplicatesWindow::showPair(const DuplicatePair& p, int row) {
    QTreeWidgetItem* item = list_->topLevelItem(row);
    const QStringList texts = {QString::number(p.kept.id),
                               ui::qtText(p.kept.name),
                               ui::qtText(p.kept.town),
                               ui::qtText(p.kept.ico),
                               QString::number(p.other.id),
                               ui::qtText(p.other.name),
                               ui::qtText(p.other.town),
                               ui::qtText(p.other.ico),
                               QString::fromUtf8(reasonText(p.reasons).c_str())};
    for (int c = 0; c < texts.size(); ++c)
        item->setText(c, texts[c]);
}

void DuplicatesWindow::search() {
    const int row = std::max(0, list_->indexOfTopLevelItem(list_->currentItem()));
    found_ = findDuplicates(context_.db.file("Adresar"));
    list_->clear();
    for (std::size_t i = 0; i < found_.size(); ++i) {
        list_->addTopLevelItem(new QTreeWidgetItem);
        showPair(found_[i], int(i));
    }
    for (int c = 0; c < list_->columnCount(); ++c)
        list_->resizeColumnToContents(c);
    count_->setText(QStringLiteral("Počet dvojic: %1").arg(found_.size()));
    if (!found_.empty())
        list_->setCurrentItem(list_->topLevelItem(std::min(row, int(found_.size()) - 1)));
    merge_->setEnabled(!found_.empty());
    swap_->setEnabled(!found_.empty());
}

void DuplicatesWindow::swapChosen() {
    const int row = list_->indexOfTopLevelItem(list_->currentItem());
    if (row < 0 || std::size_t(row) >= found_.size()) return;
    std::swap(found_[std::size_t(row)].kept, found_[std::size_t(row)].other);
    showPair(found_[std::size_t(row)], row);
}

bool DuplicatesWindow::mergeChosen() {
    const int row = list_->indexOfTopLevelItem(list_->currentItem());
    if (row < 0 || std::size_t(row) >= found_.size()) return false;
    const DuplicatePair pair = found_[std::size_t(row)];
    const auto answer = QMessageBox::question(
        this, windowTitle(),
        QStringLiteral("Sloučit firmu %1 do firmy %2?\n"
                       "Osoby, historie kontaktů, klíčová slova a úkoly přejdou na firmu %2, "
                       "její prázdné údaje se doplní a firma %1 bude zrušena.")
            .arg(firmText(pair.other), firmText(pair.kept)),
        QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
    if (answer != QMessageBox::Yes) return false;
    MergeStamp stamp;
    stamp.user = context_.state.userName;
    stamp.date = context_.state.dnes;
    const int rc = mergeFirms(context_.services, pair.kept.id, pair.other.id, stamp);
    if (rc != 0) {
        QMessageBox::warning(this, windowTitle(),
                             QStringLiteral("Firmy se nepodařilo sloučit: %1 (%2).\n"
                                            "Obě firmy zůstaly, jak byly.")
                                 .arg(ui::qtText(access::errorText(rc)))
                                 .arg(rc));
        return false;
    }
    ++merged_;
    search();
    return true;
}

} // namespace zv::records
