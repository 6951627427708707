#include "app/records/windows/firm_search_panel.h"

#include "app/records/kinds/firm_search.h"
#include "app/records/windows/browse_window.h"
#include "app/shell/dictionary/records.h"
#include "platform/codepage.h"
#include "ui/window/text.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTableWidget>
#include <QVBoxLayout>

#include <memory>

namespace zv::records {
namespace {

constexpr std::size_t kShown = 100; // rows shown at most

// The search field: reads the firms again whenever it gets the focus, so firms
// added or changed in the meantime are found; Down moves into the results.
class SearchField : public QLineEdit {
public:
    SearchField(QWidget* parent, std::function<void()> entered, QWidget*& results)
        : QLineEdit(parent), entered_(std::move(entered)), results_(results) {}

protected:
    void focusInEvent(QFocusEvent* e) override {
        entered_();
        QLineEdit::focusInEvent(e);
    }
    void keyPressEvent(QKeyEvent* e) override {
        if (e->key() == Qt::Key_Down && results_ && results_->isVisible()) {
            results_->setFocus();
            return;
        }
        QLineEdit::keyPressEvent(e);
    }

private:
    std::function<void()> entered_;
    QWidget*& results_;
};

struct PanelState {
    FirmSearch search;
    bool loaded = false;
    QWidget* results = nullptr;
};

QString cell(std::string_view text1250) {
    return ui::qtText(text1250);
}

} // namespace

QWidget* makeFirmSearchPanel(frame::WindowContext& context, QWidget* window) {
    auto* panel = new QWidget(window);
    panel->setObjectName(QStringLiteral("FirmSearch"));
    auto state = std::make_shared<PanelState>();
    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* row = new QHBoxLayout;
    auto* prompt = new QLabel(QStringLiteral("H&ledat:"), panel);
    auto* field = new SearchField(
        panel,
        [&context, state] { state->loaded = state->search.load(context.db.file("Adresar")) == 0; },
        state->results);
    field->setObjectName(QStringLiteral("SearchField"));
    field->setToolTip(QStringLiteral(
        "Najde firmy podle části názvu, města, kontaktu, telefonu nebo IČO, bez ohledu na "
        "diakritiku a velikost písmen"));
    field->setClearButtonEnabled(true);
    prompt->setBuddy(field);
    auto* count = new QLabel(panel);
    row->addWidget(prompt);
    row->addWidget(field, 1);
    row->addWidget(count);
    layout->addLayout(row);

    auto* results = new QTableWidget(0, 6, panel);
    results->setObjectName(QStringLiteral("SearchResults"));
    results->setHorizontalHeaderLabels({QStringLiteral("ID"), QStringLiteral("Firma"),
                                        QStringLiteral("Město"), QStringLiteral("Kontakt"),
                                        QStringLiteral("Telefon"), QStringLiteral("IČO")});
    results->setEditTriggers(QAbstractItemView::NoEditTriggers);
    results->setSelectionBehavior(QAbstractItemView::SelectRows);
    results->setSelectionMode(QAbstractItemView::SingleSelection);
    results->verticalHeader()->hide();
    results->horizontalHeader()->setStretchLastSection(true);
    results->setMaximumHeight(160);
    results->setToolTip(QStringLiteral("Enter nebo dvojklik ukáže firmu v seznamu"));
    results->hide();
    state->results = results;
    layout->addWidget(results);

    QObject::connect(
        field, &QLineEdit::textChanged, panel,
        [&context, state, results, count, panel](const QString& text) {
            results->setRowCount(0);
            if (text.trimmed().isEmpty() || !state->loaded) {
                results->hide();
                count->clear();
                return;
            }
            bool more = false;
            const auto ids = state->search.find(ui::recordText(text), kShown, &more);
            auto& adr = context.db.file("Adresar");
            const std::vector<std::uint8_t> saved(adr.record(), adr.record() + adr.recordSize());
            const int key = adr.keyNumber("ADR:BYID");
            for (std::int32_t id : ids) {
                adr.clearBuffer();
                adr.as<rec::AdresarRecord>().ID.set(id);
                if (adr.getByKey(key) != 0) continue;
                const auto& r = adr.as<rec::AdresarRecord>();
                const int at = results->rowCount();
                results->insertRow(at);
                const QString cells[] = {QString::number(id),     cell(r.FIRMA.trimmed()),
                                         cell(r.MESTO.trimmed()), cell(r.JMENO1.trimmed()),
                                         cell(r.TF1.trimmed()),   cell(r.ICO.trimmed())};
                for (int c = 0; c < 6; ++c)
                    results->setItem(at, c, new QTableWidgetItem(cells[c]));
            }
            std::copy(saved.begin(), saved.end(), adr.record());
            count->setText(ids.empty() ? QStringLiteral("nic nenalezeno")
                           : more      ? QStringLiteral("prvních %1 firem").arg(ids.size())
                                       : QStringLiteral("%1 firem").arg(ids.size()));
            results->resizeColumnsToContents();
            const bool wasHidden = results->isHidden();
            results->setVisible(!ids.empty());
            // The firm list keeps room for a few rows beside the results.
            auto* browse = dynamic_cast<BrowseWindow*>(panel->parentWidget());
            QWidget* window = browse && browse->parentWidget() &&
                                      browse->parentWidget()->inherits("QMdiSubWindow")
                                  ? browse->parentWidget()
                                  : static_cast<QWidget*>(browse);
            if (wasHidden && !ids.empty() && window && !window->isMaximized() &&
                browse->list().height() < 180)
                window->resize(window->width(), window->height() + 180 - browse->list().height());
            if (!ids.empty()) results->selectRow(0);
        });

    const auto show = [window, results] {
        auto* browse = dynamic_cast<BrowseWindow*>(window);
        const int row = results->currentRow();
        if (!browse || row < 0 || !browse->tabs()) return;
        browse->tabs()->setCurrentIndex(2); // "  ID"
        browse->list().engine().locateText(results->item(row, 0)->text().toStdString());
        browse->list().sync();
        browse->list().setFocus();
    };
    QObject::connect(results, &QTableWidget::cellDoubleClicked, panel, show);
    QObject::connect(results, &QTableWidget::cellActivated, panel, show);
    return panel;
}

} // namespace zv::records
