#include "app/selections/windows/progress_window.h"

#include "ui/window/text.h"

#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

#include <algorithm>
#include <climits>
#include <string>

namespace zv::selections {
namespace {

constexpr qint64 kRedrawMs = 100; // at most ten redraws a second

} // namespace

ProgressWindow::ProgressWindow(QWidget* parent) : QDialog(parent) {
    setObjectName("WWW");
    setWindowTitle(QStringLiteral("Zpráva o průběhu transakce"));
    auto* layout = new QVBoxLayout(this);
    auto* wait = new QLabel(QStringLiteral("Prosím čekejte !"), this);
    QFont bold = wait->font();
    bold.setBold(true);
    wait->setFont(bold);
    message_ = new QLabel(this);
    detail_ = new QLabel(this);
    count_ = new QLabel(this);
    bar_ = new QProgressBar(this);
    for (QWidget* w : {static_cast<QWidget*>(wait), static_cast<QWidget*>(message_),
                       static_cast<QWidget*>(detail_), static_cast<QWidget*>(count_),
                       static_cast<QWidget*>(bar_)})
        layout->addWidget(w);
    setMinimumWidth(fontMetrics().horizontalAdvance(QLatin1Char('M')) * 40);
}

void ProgressWindow::open(std::string_view message, std::string_view detail, long total) {
    message_->setText(ui::qtText(std::string(message.substr(0, 80))));
    detail_->setText(ui::qtText(std::string(detail.substr(0, 100))));
    count_->clear();
    bar_->setRange(0, int(std::clamp<long>(total, 0, INT_MAX)));
    bar_->setValue(0);
    processed_ = 0;
    show();
    raise();
    // The window comes up before the operation positions any file; afterwards it
    // is only repainted, so that no other window's work runs in the middle.
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    redraw(true);
}

void ProgressWindow::step(long processed) {
    processed_ = processed;
    redraw(false);
}

void ProgressWindow::count(std::string_view text) {
    count_->setText(ui::qtText(std::string(text.substr(0, 100))));
    redraw(false);
}

void ProgressWindow::close() {
    redraw(true);
    hide();
}

void ProgressWindow::redraw(bool now) {
    if (!now && sinceDrawn_.isValid() && sinceDrawn_.elapsed() < kRedrawMs) return;
    sinceDrawn_.start();
    bar_->setValue(int(std::min<long>(processed_, bar_->maximum())));
    repaint();
}

} // namespace zv::selections
