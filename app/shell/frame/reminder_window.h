// UKAZUKOLY: the reminder of a due task, started by the frame on a thread t. It
// shows the task of slot t read-only, titled with its time and text, placed at
// 7 x t - 6 window units so several reminders cascade; "OK" closes, "&Firma"
// opens the firm's form. Closing frees slot t.
#pragma once

#include "app/shell/frame/window_context.h"

#include <QWidget>

#include <functional>

namespace zv::frame {

class ReminderWindow : public QWidget {
public:
    // openFirm, when given, opens the form of the firm with that number.
    ReminderWindow(frame::WindowContext& context, int thread,
                   std::function<void(std::int32_t firm)> openFirm = {});

    int thread() const { return thread_; }
    std::int32_t taskNumber() const { return task_; }
    // Where the window is to stand, in window units (7 x t - 6 both ways).
    static int cascade(int thread) { return 7 * thread - 6; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    frame::WindowContext& context_;
    int thread_;
    std::int32_t task_ = 0;
    std::int32_t firm_ = 0;
};

} // namespace zv::frame
