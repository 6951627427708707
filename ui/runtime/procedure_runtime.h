// The procedure runtime: every window of the program is a procedure. "Start"
// opens a procedure's window as an MDI child and returns at once; "call" runs it
// modally and waits. A started procedure gets a thread number 1-64 from a pool,
// released when its window is destroyed, and the stack size its starter chose.
// Procedures run cooperatively on the GUI thread, each with its own window and
// its own event handling. GUI thread only.
#pragma once

#include <QPointer>

#include <array>
#include <functional>

class QDialog;
class QMdiArea;
class QMdiSubWindow;
class QWidget;

namespace zv::ui {

constexpr int kMaxThreads = 64;

class ProcedureRuntime {
public:
    explicit ProcedureRuntime(QMdiArea* area) : area_(area) {}
    ProcedureRuntime(const ProcedureRuntime&) = delete;
    ProcedureRuntime& operator=(const ProcedureRuntime&) = delete;

    // Makes the procedure's window (given its thread number) and shows it as an MDI
    // child. Returns the thread number, or 0 when all 64 are in use or make gave
    // no window (nothing is shown then).
    int start(const std::function<QWidget*(int thread)>& make, int stackSize = 25000);

    // Runs a dialog modally; returns its result.
    int call(QDialog& dialog);

    // The window on thread t, or null.
    QWidget* window(int thread) const;
    int stackSize(int thread) const;
    int threadsInUse() const;

    // Asks the window on thread t to close (as its close box would).
    void close(int thread);

private:
    QMdiArea* area_;
    std::array<QPointer<QWidget>, kMaxThreads + 1> windows_{}; // by thread number
    std::array<int, kMaxThreads + 1> stacks_{};
};

} // namespace zv::ui
