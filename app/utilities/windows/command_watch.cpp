#include "app/utilities/windows/command_watch.h"

#include "ui/window/text.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>

namespace zv::utilities {

CommandWatch* CommandWatch::start(const std::string& command, BackupKind kind, const QString& title,
                                  QWidget* owner) {
    return new CommandWatch(command, kind, title, owner);
}

CommandWatch::CommandWatch(const std::string& command, BackupKind kind, const QString& title,
                           QWidget* owner)
    : QObject(owner ? static_cast<QObject*>(owner) : QCoreApplication::instance()),
      program_(std::make_unique<WatchedProgram>(command)), command_(command), kind_(kind),
      title_(title), owner_(owner), timer_(new QTimer(this)) {
    setObjectName("CommandWatch");
    timer_->setInterval(200);
    connect(timer_, &QTimer::timeout, this, [this] { look(); });
    // A command that could not start is reported as soon as the event loop runs.
    QTimer::singleShot(0, this, [this] { look(); });
    timer_->start();
}

void CommandWatch::look() {
    if (!timer_->isActive() || program_->poll() == WatchedProgram::State::Running) return;
    timer_->stop();
    const std::string failure = commandFailure(kind_, *program_, command_);
    if (failure.empty()) {
        deleteLater();
        return;
    }
    report_ =
        new QMessageBox(QMessageBox::Warning, title_, ui::qtText(failure), QMessageBox::Ok, owner_);
    report_->setAttribute(Qt::WA_DeleteOnClose);
    report_->setWindowModality(Qt::NonModal);
    // The watch goes with its message.
    connect(report_, &QObject::destroyed, this, &QObject::deleteLater);
    report_->show();
}

} // namespace zv::utilities
