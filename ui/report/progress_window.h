// The window "Progress..." shown while a report is generated.
//
// The report procedure gives the number of rows it expects and a function that
// prints the next row; the window calls it kRowsPerTick times on each tick of its
// timer, so it keeps answering the user between ticks, and advances its bar and the
// "N% Completed" text. It ends when the function reports the end of the rows, or
// when the user presses "Cancel" (the report then discards its pages).
#pragma once

#include <QDialog>

#include <functional>

class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;

namespace zv::ui {

class ProgressWindow : public QDialog {
public:
    static constexpr int kRowsPerTick = 25;

    // Prints the next row; false when there was no row left (or the report stopped
    // on an error it reports itself).
    using NextRow = std::function<bool()>;

    enum class Outcome { Finished, Cancelled };

    ProgressWindow(long totalRows, NextRow nextRow, QWidget* parent = nullptr);

    // Shows the window modally and feeds the rows until the end or Cancel.
    Outcome run();

    long rowsDone() const { return done_; }
    int percent() const;
    QString percentText() const;

    // One tick of the timer (tests call it directly): feeds up to kRowsPerTick rows.
    void tick();
    void cancel();

private:
    void showProgress();

    long total_; // rows expected; the bar is full at this count
    NextRow nextRow_;
    long done_ = 0; // rows printed so far
    bool ended_ = false;
    bool cancelled_ = false;
    QProgressBar* bar_;
    QLabel* percentLabel_;
    QPushButton* cancelButton_;
    QTimer* timer_;
};

} // namespace zv::ui
