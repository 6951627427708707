#include "ui/help/help_window.h"

#include "ui/help/help_search.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QSplitter>
#include <QTextBrowser>
#include <QToolBar>
#include <QVBoxLayout>

namespace zv::ui {

HelpWindow::HelpWindow(QString directory, QString contents, QWidget* parent)
    : QMainWindow(parent), directory_(std::move(directory)), contents_(std::move(contents)),
      browser_(new QTextBrowser(this)), searchField_(new QLineEdit(this)),
      results_(new QListWidget(this)) {
    setObjectName(QStringLiteral("HelpWindow"));
    setWindowTitle(QStringLiteral("Nápověda ZEVLON"));
    setAttribute(Qt::WA_DeleteOnClose, false);

    browser_->setSearchPaths({directory_});
    browser_->setOpenExternalLinks(true);

    QToolBar* bar = addToolBar(QStringLiteral("Nápověda"));
    bar->setMovable(false);
    QAction* home = bar->addAction(QStringLiteral("&Obsah"));
    home->setToolTip(QStringLiteral("Zobrazí obsah nápovědy"));
    connect(home, &QAction::triggered, this, [this] { showPage(contents_); });
    QAction* back = bar->addAction(QStringLiteral("&Zpět"));
    back->setToolTip(QStringLiteral("Vrátí se na předchozí stránku"));
    back->setShortcut(QKeySequence::Back);
    back->setEnabled(false);
    connect(back, &QAction::triggered, browser_, &QTextBrowser::backward);
    connect(browser_, &QTextBrowser::backwardAvailable, back, &QAction::setEnabled);
    QAction* forward = bar->addAction(QStringLiteral("&Vpřed"));
    forward->setToolTip(QStringLiteral("Přejde na stránku, ze které jste se vrátili"));
    forward->setShortcut(QKeySequence::Forward);
    forward->setEnabled(false);
    connect(forward, &QAction::triggered, browser_, &QTextBrowser::forward);
    connect(browser_, &QTextBrowser::forwardAvailable, forward, &QAction::setEnabled);
    QAction* find = new QAction(this);
    find->setShortcut(QKeySequence::Find);
    connect(find, &QAction::triggered, this, &HelpWindow::focusSearch);
    addAction(find);

    auto* side = new QWidget(this);
    auto* sideLayout = new QVBoxLayout(side);
    sideLayout->setContentsMargins(0, 0, 0, 0);
    auto* prompt = new QLabel(QStringLiteral("&Hledat:"), side);
    prompt->setBuddy(searchField_);
    searchField_->setToolTip(QStringLiteral("Zadejte slova, která má stránka obsahovat"));
    searchField_->setClearButtonEnabled(true);
    results_->setToolTip(QStringLiteral("Stránky, na kterých jsou hledaná slova"));
    sideLayout->addWidget(prompt);
    sideLayout->addWidget(searchField_);
    sideLayout->addWidget(results_, 1);
    connect(searchField_, &QLineEdit::returnPressed, this,
            [this] { search(searchField_->text()); });
    connect(results_, &QListWidget::itemActivated, this,
            [this](QListWidgetItem* item) { openHit(results_->row(item)); });
    connect(results_, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { openHit(results_->row(item)); });

    auto* split = new QSplitter(this);
    split->addWidget(side);
    split->addWidget(browser_);
    split->setStretchFactor(1, 1);
    split->setSizes({220, 640});
    setCentralWidget(split);
    connect(browser_, &QTextBrowser::sourceChanged, this, [this] { pageChanged(); });
    resize(880, 640);
}

void HelpWindow::showPage(const QString& page) {
    const QString file = page.section(QLatin1Char('#'), 0, 0);
    if (!QFileInfo::exists(QDir(directory_).filePath(file))) {
        browser_->setHtml(QStringLiteral("<h1>Stránka nápovědy chybí</h1><p>Stránka <b>%1</b> "
                                         "není v adresáři nápovědy <tt>%2</tt>.</p>")
                              .arg(file.toHtmlEscaped(), directory_.toHtmlEscaped()));
        setWindowTitle(QStringLiteral("Nápověda ZEVLON"));
        return;
    }
    QUrl url = QUrl::fromLocalFile(QDir(directory_).absoluteFilePath(file));
    if (page.contains(QLatin1Char('#'))) url.setFragment(page.section(QLatin1Char('#'), 1));
    browser_->setSource(url);
}

QString HelpWindow::currentPage() const {
    const QUrl url = browser_->source();
    if (url.isEmpty()) return {};
    return QFileInfo(url.isLocalFile() ? url.toLocalFile() : url.path()).fileName();
}

int HelpWindow::search(const QString& query) {
    results_->clear();
    query_ = query;
    const QList<HelpHit> hits = searchPages(directory_, query);
    for (const HelpHit& hit : hits) {
        auto* item = new QListWidgetItem(hit.title.isEmpty() ? hit.page : hit.title, results_);
        item->setData(Qt::UserRole, hit.page);
    }
    if (hits.isEmpty() && !query.trimmed().isEmpty())
        results_->addItem(QStringLiteral("(nic nenalezeno)"));
    return int(hits.size());
}

void HelpWindow::focusSearch() {
    searchField_->setFocus();
    searchField_->selectAll();
}

void HelpWindow::openHit(int row) {
    QListWidgetItem* item = results_->item(row);
    if (!item || item->data(Qt::UserRole).toString().isEmpty()) return;
    showPage(item->data(Qt::UserRole).toString());
    // Mark the first word where it stands on the page (as typed, else without diacritics).
    const QString word = query_.split(QLatin1Char(' '), Qt::SkipEmptyParts).value(0);
    if (word.isEmpty()) return;
    browser_->moveCursor(QTextCursor::Start);
    if (browser_->find(word)) return;
    const QString text = browser_->toPlainText();
    const QString folded = foldedText(text);
    const int at = folded.indexOf(foldedText(word));
    // Folding keeps one character for each one of a composed page text.
    if (at < 0 || folded.size() != text.size()) return;
    QTextCursor cursor(browser_->document());
    cursor.setPosition(at);
    cursor.setPosition(at + int(word.size()), QTextCursor::KeepAnchor);
    browser_->setTextCursor(cursor);
}

void HelpWindow::pageChanged() {
    const QString title = browser_->documentTitle();
    setWindowTitle(title.isEmpty() ? QStringLiteral("Nápověda ZEVLON")
                                   : QStringLiteral("Nápověda ZEVLON – ") + title);
}

} // namespace zv::ui
