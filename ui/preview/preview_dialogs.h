// The two dialogs of the report preview: PREVIEW:JUMPTOPAGE ("Jump to a Report
// Page") and PREVIEW:SELECTDISPLAY ("Change the Report Display").
#pragma once

#include <QDialog>

class QSpinBox;

namespace zv::ui {

class JumpToPageDialog : public QDialog {
public:
    // REQUIRES: pageCount >= 1; current lies in 1..pageCount.
    JumpToPageDialog(int pageCount, int current, QWidget* parent = nullptr);
    int page() const;
    QSpinBox* pageEntry() const { return page_; }

private:
    QSpinBox* page_;
};

class SelectDisplayDialog : public QDialog {
public:
    SelectDisplayDialog(int across, int down, int maxAcross, int maxDown,
                        QWidget* parent = nullptr);
    int across() const;
    int down() const;
    QSpinBox* acrossEntry() const { return across_; }
    QSpinBox* downEntry() const { return down_; }

private:
    QSpinBox* across_;
    QSpinBox* down_;
};

} // namespace zv::ui
