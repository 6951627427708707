#include "app/records/windows/category_clearing_window.h"

#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

#include <algorithm>
#include <climits>

namespace zv::records {
namespace {

constexpr qint64 kRedrawMs = 100; // at most ten redraws a second

} // namespace

CategoryClearingWindow::CategoryClearingWindow(QWidget* parent) : QDialog(parent) {
    setObjectName("CISTI$QW");
    setWindowTitle(QStringLiteral("Hromadná operace v adresáři"));
    setModal(true);
    // Nothing of the window's frame may end or hide the walk.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    auto* layout = new QVBoxLayout(this);
    auto* wait = new QLabel(QStringLiteral("Prosím čekejte !!"), this);
    QFont bold = wait->font();
    bold.setBold(true);
    wait->setFont(bold);
    wait->setAlignment(Qt::AlignCenter);
    bar_ = new QProgressBar(this);
    layout->addWidget(wait);
    layout->addWidget(bar_);
    setMinimumWidth(fontMetrics().horizontalAdvance(QLatin1Char('M')) * 30);
}

CategoryClearingWindow::~CategoryClearingWindow() {
    if (running_) qApp->removeEventFilter(this);
}

void CategoryClearingWindow::begin(long total) {
    // An empty address book shows an empty bar (a range of 0..0 would show a busy one).
    bar_->setRange(0, int(std::clamp<long>(total, 1, INT_MAX)));
    bar_->setValue(0);
    done_ = 0;
    stop_ = false;
    running_ = true;
    qApp->installEventFilter(this);
    show();
    raise();
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    redraw();
}

bool CategoryClearingWindow::step(long done) {
    done_ = done;
    if (sinceDrawn_.isValid() && sinceDrawn_.elapsed() < kRedrawMs) return !stop_;
    redraw();
    // A key pressed now asks the walk to stop.
    QApplication::processEvents();
    return !stop_;
}

void CategoryClearingWindow::end() {
    redraw();
    if (running_) qApp->removeEventFilter(this);
    running_ = false;
    hide();
}

void CategoryClearingWindow::redraw() {
    sinceDrawn_.start();
    bar_->setValue(int(std::min<long>(done_, bar_->maximum())));
    repaint();
}

bool CategoryClearingWindow::eventFilter(QObject* watched, QEvent* event) {
    if (running_) {
        switch (event->type()) {
        case QEvent::KeyPress:
            stop_ = true;
            return true;
        case QEvent::ShortcutOverride:
        case QEvent::Shortcut:
        case QEvent::KeyRelease:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseButtonRelease:
        case QEvent::Close:
            return true;
        default:
            break;
        }
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace zv::records
