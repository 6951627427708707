#include "app/exchange/windows/bulk_window.h"

#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QProgressBar>

#include <algorithm>

namespace zv::exchange {

BulkWindow::BulkWindow(QWidget* parent) : QDialog(parent) {
    bar_ = new QProgressBar(this);
    bar_->setRange(0, 1);
    bar_->setValue(0);
    progressText_ = new QLabel(this);
}

bool BulkWindow::runRecords(long total, const QString& format, const std::function<bool()>& next) {
    running_ = true;
    interrupted_ = false;
    for (auto* w : findChildren<QWidget*>())
        if (w != bar_ && w != progressText_) w->setEnabled(false);
    qApp->installEventFilter(this);
    bar_->setRange(0, int(std::clamp<long>(total, 1, 0x7FFFFFFF)));
    long done = 0;
    while (!interrupted_ && next()) {
        bar_->setValue(int(std::min<long>(++done, bar_->maximum())));
        progressText_->setText(format.arg(done));
        // A key pressed now ends the run after this record.
        QApplication::processEvents();
    }
    qApp->removeEventFilter(this);
    running_ = false;
    return interrupted_;
}

bool BulkWindow::eventFilter(QObject* watched, QEvent* event) {
    if (running_) {
        if (event->type() == QEvent::KeyPress) {
            interrupted_ = true;
            return true;
        }
        if (event->type() == QEvent::MouseButtonPress ||
            event->type() == QEvent::MouseButtonDblClick)
            return true;
    }
    return QDialog::eventFilter(watched, event);
}

void BulkWindow::done(int result) {
    QDialog::done(result);
    // Started as an MDI child: the window's frame closes with it.
    if (parentWidget() && parentWidget()->inherits("QMdiSubWindow")) parentWidget()->close();
}

} // namespace zv::exchange
