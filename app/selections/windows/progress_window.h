// WWW, "Zpráva o průběhu transakce": what a bulk operation on the selection
// shows while it runs ("Prosím čekejte !", its message, the detail line, the
// count line and the bar). It redraws at most a few times a second so that the
// drawing does not slow the run; the final values are drawn when it closes.
#pragma once

#include "app/selections/selection/progress.h"

#include <QDialog>
#include <QElapsedTimer>

class QLabel;
class QProgressBar;

namespace zv::selections {

class ProgressWindow : public QDialog, public Progress {
public:
    explicit ProgressWindow(QWidget* parent = nullptr);

    void open(std::string_view message, std::string_view detail, long total) override;
    void step(long processed) override;
    void count(std::string_view text) override;
    void close() override;

    QLabel* messageLine() const { return message_; }
    QLabel* detailLine() const { return detail_; }
    QLabel* countLine() const { return count_; }
    QProgressBar* bar() const { return bar_; }

private:
    void redraw(bool now);

    QLabel* message_;
    QLabel* detail_;
    QLabel* count_;
    QProgressBar* bar_;
    QElapsedTimer sinceDrawn_;
    long processed_ = 0;
};

} // namespace zv::selections
