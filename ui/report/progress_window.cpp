#include "ui/report/progress_window.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

namespace zv::ui {

ProgressWindow::ProgressWindow(long totalRows, NextRow nextRow, QWidget* parent)
    : QDialog(parent), total_(std::max(0L, totalRows)), nextRow_(std::move(nextRow)) {
    setWindowTitle(QStringLiteral("Progress..."));
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    bar_ = new QProgressBar(this);
    bar_->setRange(0, 100);
    bar_->setValue(0);
    bar_->setTextVisible(false);
    percentLabel_ = new QLabel(QStringLiteral("0% Completed"), this);
    percentLabel_->setAlignment(Qt::AlignCenter);
    auto* prompt = new QLabel(QStringLiteral("Generating Report"), this);
    prompt->setAlignment(Qt::AlignCenter);
    cancelButton_ = new QPushButton(QStringLiteral("Cancel"), this);
    layout->addWidget(bar_);
    layout->addWidget(percentLabel_);
    layout->addWidget(prompt);
    layout->addWidget(cancelButton_, 0, Qt::AlignCenter);
    setMinimumWidth(280);

    timer_ = new QTimer(this);
    timer_->setInterval(0); // a tick whenever the window has nothing else to do
    connect(timer_, &QTimer::timeout, this, &ProgressWindow::tick);
    connect(cancelButton_, &QPushButton::clicked, this, &ProgressWindow::cancel);
    connect(this, &QDialog::rejected, this, [this] {
        if (!ended_) cancel(); // Escape or closing the window
    });
}

int ProgressWindow::percent() const {
    if (ended_ && !cancelled_) return 100;
    if (total_ <= 0) return 0;
    return int(std::min(100L, done_ * 100 / total_));
}

QString ProgressWindow::percentText() const {
    return QString::number(percent()) + QStringLiteral("% Completed");
}

void ProgressWindow::showProgress() {
    bar_->setValue(percent());
    percentLabel_->setText(percentText());
}

void ProgressWindow::tick() {
    if (ended_) return;
    for (int i = 0; i < kRowsPerTick; ++i) {
        if (!nextRow_ || !nextRow_()) {
            ended_ = true;
            timer_->stop();
            showProgress();
            if (isVisible()) accept();
            return;
        }
        ++done_;
    }
    showProgress();
}

void ProgressWindow::cancel() {
    if (ended_) return;
    ended_ = true;
    cancelled_ = true;
    timer_->stop();
    if (isVisible()) done(QDialog::Rejected);
}

ProgressWindow::Outcome ProgressWindow::run() {
    if (!ended_) {
        timer_->start();
        exec();
    }
    return cancelled_ ? Outcome::Cancelled : Outcome::Finished;
}

} // namespace zv::ui
