// What the export and import windows share: a bulk run record by record with the
// progress bar and its text after each, a key pressed meanwhile ending it after
// the current record (nothing else of the user's reaches the windows while it
// runs), and the MDI frame closing with the window.
#pragma once

#include <QDialog>
#include <QString>

#include <functional>

class QLabel;
class QProgressBar;

namespace zv::exchange {

class BulkWindow : public QDialog {
public:
    explicit BulkWindow(QWidget* parent = nullptr);

    QLabel* progressText() const { return progressText_; }

protected:
    // Calls next() until it answers false or a key is pressed; the text shows
    // `format` with the number of records done ("Exportuji záznam %1"). True when
    // a key ended it.
    bool runRecords(long total, const QString& format, const std::function<bool()>& next);
    bool running() const { return running_; }

    bool eventFilter(QObject* watched, QEvent* event) override;
    void done(int result) override;

    QProgressBar* bar_;
    QLabel* progressText_;

private:
    bool running_ = false;
    bool interrupted_ = false;
};

} // namespace zv::exchange
