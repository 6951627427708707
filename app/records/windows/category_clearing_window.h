// CISTI$QW, "Hromadná operace v adresáři": what the clearing of a category
// shows while it walks the address book ("Prosím čekejte !!" and the bar). It
// redraws at most ten times a second so that the drawing does not slow the
// walk; a key pressed meanwhile asks the walk to stop (nothing is then kept),
// and no other key or click reaches the program's windows while it runs.
#pragma once

#include "app/records/categories/category_clearing.h"

#include <QDialog>
#include <QElapsedTimer>

class QProgressBar;

namespace zv::records {

class CategoryClearingWindow : public QDialog, public ClearingProgress {
public:
    explicit CategoryClearingWindow(QWidget* parent = nullptr);
    ~CategoryClearingWindow() override;

    void begin(long total) override;
    bool step(long done) override;
    void end() override;

    QProgressBar* bar() const { return bar_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void redraw();

    QProgressBar* bar_;
    QElapsedTimer sinceDrawn_;
    long done_ = 0;
    bool running_ = false;
    bool stop_ = false; // a key was pressed
};

} // namespace zv::records
