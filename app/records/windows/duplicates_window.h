// DUPLICITY_W, "Duplicitní firmy": the pairs of firms of the address book that
// are probably one firm entered twice, found when the window opens. "&Sloučit"
// merges the second firm of the chosen pair into the first after asking,
// "&Prohodit" makes the other one the firm kept; after a merge the pairs are
// looked for again. Called modally from the firm list ("Hledat duplicity").
#pragma once

#include "app/records/duplicates/duplicate_search.h"
#include "app/records/windows/open_files.h"
#include "app/shell/frame/window_context.h"

#include <QDialog>

#include <memory>
#include <vector>

class QLabel;
class QPushButton;
class QTreeWidget;

namespace zv::records {

class DuplicatesWindow : public QDialog {
public:
    explicit DuplicatesWindow(frame::WindowContext& context, QWidget* parent = nullptr);
    ~DuplicatesWindow() override;

    bool opened() const { return opened_; }
    QTreeWidget* pairs() const { return list_; }
    long merged() const { return merged_; } // merges done in this window

    // Looks for the pairs again and lists them.
    void search();
    // Swaps the firm kept and the firm merged in the chosen pair.
    void swapChosen();
    // Merges the chosen pair after asking; true when it was merged.
    bool mergeChosen();

private:
    void showPair(const DuplicatePair& pair, int row);

    frame::WindowContext& context_;
    std::unique_ptr<OpenFiles> files_;
    std::vector<DuplicatePair> found_;
    QTreeWidget* list_;
    QLabel* count_;
    QPushButton* merge_;
    QPushButton* swap_;
    long merged_ = 0;
    bool opened_ = false;
};

} // namespace zv::records
