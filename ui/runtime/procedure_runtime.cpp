#include "ui/runtime/procedure_runtime.h"

#include <QDialog>
#include <QMdiArea>
#include <QMdiSubWindow>

namespace zv::ui {

int ProcedureRuntime::start(const std::function<QWidget*(int thread)>& make, int stackSize) {
    int thread = 0;
    for (int t = 1; t <= kMaxThreads; ++t) {
        if (!windows_[static_cast<std::size_t>(t)]) {
            thread = t;
            break;
        }
    }
    if (thread == 0) return 0;
    QWidget* window = make(thread);
    if (!window) return 0;
    window->setAttribute(Qt::WA_DeleteOnClose);
    windows_[static_cast<std::size_t>(thread)] = window;
    stacks_[static_cast<std::size_t>(thread)] = stackSize;
    if (area_) {
        QMdiSubWindow* sub = area_->addSubWindow(window);
        sub->setAttribute(Qt::WA_DeleteOnClose);
        sub->setWindowIcon(window->windowIcon());
        sub->show();
    } else {
        window->show();
    }
    return thread;
}

int ProcedureRuntime::call(QDialog& dialog) {
    return dialog.exec();
}

QWidget* ProcedureRuntime::window(int thread) const {
    if (thread < 1 || thread > kMaxThreads) return nullptr;
    return windows_[static_cast<std::size_t>(thread)];
}

int ProcedureRuntime::stackSize(int thread) const {
    return window(thread) ? stacks_[static_cast<std::size_t>(thread)] : 0;
}

int ProcedureRuntime::threadsInUse() const {
    int n = 0;
    for (int t = 1; t <= kMaxThreads; ++t)
        n += windows_[static_cast<std::size_t>(t)] ? 1 : 0;
    return n;
}

void ProcedureRuntime::close(int thread) {
    if (QWidget* w = window(thread)) {
        if (auto* sub = qobject_cast<QMdiSubWindow*>(w->parentWidget()))
            sub->close();
        else
            w->close();
    }
}

} // namespace zv::ui
