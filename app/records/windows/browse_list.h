// A list of records on the screen: a table showing the browse engine's one
// page (a model over the page, refilled whenever the engine moved), the
// 100-position thumb beside it, the keys of a browse (arrows, pages, Home and
// End, typed locator letters with Backspace, Insert, Delete, Ctrl+Enter),
// double click, the popup menu and dragging rows out. The page holds as many
// rows as the table shows.
#pragma once

#include "app/records/browse/browse_engine.h"

#include <QString>
#include <QWidget>
#include <functional>
#include <memory>

class QScrollBar;
class QMimeData;

namespace zv::records {

class BrowseTable;
class BrowseModel;

class BrowseList : public QWidget {
public:
    explicit BrowseList(std::unique_ptr<BrowseEngine> engine, QWidget* parent = nullptr);
    ~BrowseList() override;

    BrowseEngine& engine() { return *engine_; }
    QWidget* table() const;

    // Shows the engine's page again (after any change made through engine()).
    void sync();

    // What the list's keys, menu and double click ask for.
    std::function<void()> onInsert;
    std::function<void()> onChange;
    std::function<void()> onDelete;
    std::function<void()> onSelect; // selecting mode only
    // After every move of the page or the highlight.
    std::function<void()> onMoved;
    // Dragging a row out: the data carried (null: no dragging).
    std::function<QMimeData*(const BrowseRow& row)> onDrag;
    // Dropping on the list: data of type dropType is handed to onDrop.
    QString dropType;
    std::function<void(const QMimeData& data)> onDrop;

    // Column widths in pixels, as stored in the list's format.
    std::vector<int> columnWidths() const;
    void setColumnWidths(const std::vector<int>& widths);

private:
    friend class BrowseTable;
    void thumbAction(int action);
    void thumbReleased();
    void popupMenu(const QPoint& globalPos);

    std::unique_ptr<BrowseEngine> engine_;
    BrowseModel* model_;
    BrowseTable* table_;
    QScrollBar* thumb_;
    bool syncing_ = false;
};

} // namespace zv::records
