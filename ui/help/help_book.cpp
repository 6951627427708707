#include "ui/help/help_book.h"

#include "ui/help/help_window.h"

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QPushButton>
#include <QVariant>

namespace zv::ui {
namespace {

constexpr const char* kTopic = "helpTopic";
constexpr const char* kSection = "helpSection"; // set by restoreWindowState
constexpr const char* kAdopted = "helpButton";

bool isHelpCaption(const QString& text) {
    return text == QLatin1String("Help") || text == QLatin1String("&Help");
}

} // namespace

void setHelpTopic(QWidget& widget, const QString& topic) {
    widget.setProperty(kTopic, topic);
}

HelpBook::HelpBook(QString directory, std::function<QString(const QString&)> pageOf,
                   QString contentsPage, QString howToPage, QObject* parent)
    : QObject(parent), directory_(std::move(directory)), pageOf_(std::move(pageOf)),
      contents_(std::move(contentsPage)), howTo_(std::move(howToPage)) {}

HelpBook::~HelpBook() {
    delete window_.data();
}

HelpWindow* HelpBook::window() const {
    return window_;
}

void HelpBook::install() {
    qApp->installEventFilter(this);
    // Buttons of windows already shown.
    for (QWidget* w : QApplication::allWidgets())
        if (auto* b = qobject_cast<QPushButton*>(w); b && isHelpCaption(b->text())) adopt(*b);
}

QString HelpBook::topicOf(const QWidget* widget) const {
    for (const QWidget* w = widget; w; w = w->parentWidget()) {
        const QString names[] = {w->property(kTopic).toString(), w->objectName(),
                                 w->property(kSection).toString()};
        for (const QString& name : names)
            if (!name.isEmpty() && !pageOf_(name).isEmpty()) return name;
    }
    return {};
}

void HelpBook::showFor(const QWidget* widget) {
    if (window_ && widget && (widget == window_ || window_->isAncestorOf(widget))) {
        showHowTo(); // F1 in the help window itself
        return;
    }
    showTopic(topicOf(widget));
}

void HelpBook::showTopic(const QString& topic) {
    const QString page = topic.isEmpty() ? QString() : pageOf_(topic);
    showPage(page.isEmpty() ? contents_ : page);
}

void HelpBook::showContents() {
    showPage(contents_);
}

void HelpBook::showHowTo() {
    showPage(howTo_);
}

void HelpBook::showSearch() {
    HelpWindow& w = present();
    if (w.currentPage().isEmpty()) w.showPage(contents_);
    w.focusSearch();
}

void HelpBook::showPage(const QString& page) {
    present().showPage(page);
}

HelpWindow& HelpBook::present() {
    if (!window_) window_ = new HelpWindow(directory_, contents_);
    // From a modal dialog the help must take the input itself, or the dialog would block it.
    QWidget* modal = QApplication::activeModalWidget();
    const Qt::WindowModality wanted =
        modal && modal != window_ ? Qt::ApplicationModal : Qt::NonModal;
    if (window_->windowModality() != wanted) {
        window_->hide();
        window_->setWindowModality(wanted);
    }
    window_->show();
    window_->raise();
    window_->activateWindow();
    return *window_;
}

void HelpBook::adopt(QWidget& button) {
    if (button.property(kAdopted).toBool()) return;
    button.setProperty(kAdopted, true);
    button.setEnabled(true);
    auto* b = static_cast<QAbstractButton*>(&button);
    QPointer<QAbstractButton> guard(b);
    connect(b, &QAbstractButton::clicked, this, [this, guard] {
        if (guard) showFor(guard);
    });
}

bool HelpBook::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::KeyPress: {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() != Qt::Key_F1 || key->modifiers() != Qt::NoModifier) break;
        if (auto* w = qobject_cast<QWidget*>(watched)) {
            showFor(w);
            return true;
        }
        break;
    }
    case QEvent::Polish:
        if (auto* b = qobject_cast<QPushButton*>(watched); b && isHelpCaption(b->text())) adopt(*b);
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace zv::ui
