#include "app/records/windows/browse_list.h"

#include "app/records/browse/thumb.h"
#include "ui/window/text.h"

#include <QAbstractTableModel>
#include <QColor>
#include <QContextMenuEvent>
#include <QDrag>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QScrollBar>
#include <QTableView>
#include <QWheelEvent>

namespace zv::records {

class BrowseModel : public QAbstractTableModel {
public:
    BrowseModel(BrowseEngine& engine, QObject* parent)
        : QAbstractTableModel(parent), engine_(engine) {}

    int rowCount(const QModelIndex& parent) const override {
        return parent.isValid() ? 0 : static_cast<int>(engine_.rows().size());
    }
    int columnCount(const QModelIndex& parent) const override {
        return parent.isValid() ? 0 : static_cast<int>(engine_.decl().columns.size());
    }
    QVariant data(const QModelIndex& index, int role) const override {
        const auto r = std::size_t(index.row());
        const auto c = std::size_t(index.column());
        if (!index.isValid() || r >= engine_.rows().size() || c >= engine_.decl().columns.size())
            return {};
        if (role == Qt::DisplayRole) return ui::qtText(engine_.rows()[r].cells[c]);
        if (role == Qt::BackgroundRole) {
            const std::uint32_t colour = engine_.rows()[r].colour;
            if (colour == kDefaultColour) return {};
            return QColor(QRgb(colour));
        }
        if (role == Qt::TextAlignmentRole)
            return QVariant::fromValue(
                Qt::AlignVCenter |
                (engine_.decl().columns[c].alignRight ? Qt::AlignRight : Qt::AlignLeft));
        return {};
    }
    QVariant headerData(int section, Qt::Orientation o, int role) const override {
        if (o != Qt::Horizontal || role != Qt::DisplayRole) return {};
        const auto& cols = engine_.decl().columns;
        if (section < 0 || std::size_t(section) >= cols.size()) return {};
        return QString::fromStdString(cols[std::size_t(section)].title);
    }
    Qt::ItemFlags flags(const QModelIndex& index) const override {
        return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
    }
    void pageChanged() {
        beginResetModel();
        endResetModel();
    }

private:
    BrowseEngine& engine_;
};

class BrowseTable : public QTableView {
public:
    explicit BrowseTable(BrowseList& list) : QTableView(&list), list_(list) {}

protected:
    void keyPressEvent(QKeyEvent* e) override {
        BrowseEngine& b = list_.engine();
        const bool ctrl = e->modifiers() & Qt::ControlModifier;
        switch (e->key()) {
        case Qt::Key_Up:
            b.scrollUp();
            break;
        case Qt::Key_Down:
            b.scrollDown();
            break;
        case Qt::Key_PageUp:
            b.pageUp();
            break;
        case Qt::Key_PageDown:
            b.pageDown();
            break;
        case Qt::Key_Home:
            b.top();
            break;
        case Qt::Key_End:
            b.bottom();
            break;
        case Qt::Key_Backspace:
            b.backspace();
            break;
        case Qt::Key_Insert:
            if (list_.onInsert) list_.onInsert();
            return;
        case Qt::Key_Delete:
            if (list_.onDelete && !b.empty()) list_.onDelete();
            return;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (ctrl) {
                if (list_.onChange && !b.empty()) list_.onChange();
            } else {
                activate();
            }
            return;
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
        case Qt::Key_Escape:
            QTableView::keyPressEvent(e);
            return;
        default: {
            const QString text = e->text();
            if (text.isEmpty() || ctrl || (e->modifiers() & Qt::AltModifier) ||
                !text[0].isPrint()) {
                QTableView::keyPressEvent(e);
                return;
            }
            for (char c : ui::recordText(text))
                b.typeCharacter(c);
            break;
        }
        }
        list_.sync();
    }
    void wheelEvent(QWheelEvent* e) override {
        const int steps = e->angleDelta().y() / 40;
        for (int i = 0; i < std::abs(steps); ++i)
            steps > 0 ? list_.engine().scrollUp() : list_.engine().scrollDown();
        list_.sync();
    }
    void mousePressEvent(QMouseEvent* e) override {
        const QModelIndex index = indexAt(e->position().toPoint());
        if (index.isValid()) {
            list_.engine().choose(index.row() + 1);
            list_.sync();
        }
        pressPos_ = e->position().toPoint();
        dragging_ = index.isValid() && e->button() == Qt::LeftButton;
        setFocus();
    }
    void mouseMoveEvent(QMouseEvent* e) override {
        if (!dragging_ || !list_.onDrag || list_.engine().empty() ||
            (e->position().toPoint() - pressPos_).manhattanLength() < 8)
            return;
        dragging_ = false;
        const auto& row = list_.engine().rows()[std::size_t(list_.engine().current() - 1)];
        if (QMimeData* mime = list_.onDrag(row)) {
            auto* drag = new QDrag(this);
            drag->setMimeData(mime);
            drag->exec(Qt::CopyAction);
        }
    }
    void mouseReleaseEvent(QMouseEvent*) override { dragging_ = false; }
    // Dropping on the list: data of the list's drop type only.
    bool accepts(const QMimeData* data) const {
        return list_.onDrop && data && !list_.dropType.isEmpty() && data->hasFormat(list_.dropType);
    }
    void dragEnterEvent(QDragEnterEvent* e) override {
        if (accepts(e->mimeData())) e->acceptProposedAction();
    }
    void dragMoveEvent(QDragMoveEvent* e) override {
        if (accepts(e->mimeData())) e->acceptProposedAction();
    }
    void dropEvent(QDropEvent* e) override {
        if (!accepts(e->mimeData())) return;
        e->acceptProposedAction();
        list_.onDrop(*e->mimeData());
    }
    void mouseDoubleClickEvent(QMouseEvent* e) override {
        if (indexAt(e->position().toPoint()).isValid()) activate();
    }
    void contextMenuEvent(QContextMenuEvent* e) override { list_.popupMenu(e->globalPos()); }
    void resizeEvent(QResizeEvent* e) override {
        QTableView::resizeEvent(e);
        const int rowHeight = std::max(1, verticalHeader()->defaultSectionSize());
        list_.engine().setPageSize(std::max(1, viewport()->height() / rowHeight));
        list_.sync();
    }

private:
    void activate() {
        if (list_.engine().empty()) return;
        if (list_.engine().selecting() && list_.onSelect)
            list_.onSelect();
        else if (list_.onChange)
            list_.onChange();
    }

    BrowseList& list_;
    QPoint pressPos_;
    bool dragging_ = false;
};

BrowseList::BrowseList(std::unique_ptr<BrowseEngine> engine, QWidget* parent)
    : QWidget(parent), engine_(std::move(engine)) {
    model_ = new BrowseModel(*engine_, this);
    table_ = new BrowseTable(*this);
    table_->setModel(model_);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    table_->verticalHeader()->hide();
    table_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table_->verticalHeader()->setDefaultSectionSize(table_->fontMetrics().height() + 6);
    table_->horizontalHeader()->setHighlightSections(false);
    table_->horizontalHeader()->setStretchLastSection(true);
    table_->setWordWrap(false);
    table_->setAlternatingRowColors(true);
    const int charWidth = table_->fontMetrics().horizontalAdvance(QLatin1Char('n'));
    for (std::size_t c = 0; c < engine_->decl().columns.size(); ++c)
        table_->setColumnWidth(int(c), engine_->decl().columns[c].width * charWidth + 12);

    thumb_ = new QScrollBar(Qt::Vertical, this);
    thumb_->setRange(1, kThumbPositions);
    thumb_->setPageStep(10);
    connect(thumb_, &QScrollBar::actionTriggered, this, [this](int a) { thumbAction(a); });
    connect(thumb_, &QScrollBar::sliderReleased, this, [this] { thumbReleased(); });

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(table_, 1);
    layout->addWidget(thumb_);
    setFocusProxy(table_);
    table_->setAcceptDrops(true);
    table_->viewport()->setAcceptDrops(true);
}

BrowseList::~BrowseList() = default;

QWidget* BrowseList::table() const {
    return table_;
}

void BrowseList::sync() {
    if (syncing_) return;
    syncing_ = true;
    model_->pageChanged();
    if (engine_->current() >= 1) table_->selectRow(engine_->current() - 1);
    {
        const QSignalBlocker block(thumb_);
        thumb_->setValue(engine_->thumbPosition());
    }
    syncing_ = false;
    if (onMoved) onMoved();
}

void BrowseList::thumbAction(int action) {
    BrowseEngine& b = *engine_;
    switch (action) {
    case QAbstractSlider::SliderSingleStepAdd:
        b.scrollDown();
        break;
    case QAbstractSlider::SliderSingleStepSub:
        b.scrollUp();
        break;
    case QAbstractSlider::SliderPageStepAdd:
        b.pageDown();
        break;
    case QAbstractSlider::SliderPageStepSub:
        b.pageUp();
        break;
    case QAbstractSlider::SliderToMinimum:
        b.top();
        break;
    case QAbstractSlider::SliderToMaximum:
        b.bottom();
        break;
    default:
        return; // dragging: located when released
    }
    // The slider moves itself after this; put it where the engine is.
    QMetaObject::invokeMethod(
        this, [this] { sync(); }, Qt::QueuedConnection);
}

void BrowseList::thumbReleased() {
    engine_->thumbTo(thumb_->value());
    sync();
}

void BrowseList::popupMenu(const QPoint& globalPos) {
    QMenu menu(this);
    const bool empty = engine_->empty();
    if (engine_->selecting()) {
        QAction* select = menu.addAction(QStringLiteral("&Select"));
        select->setEnabled(!empty && onSelect);
        connect(select, &QAction::triggered, this, [this] { onSelect(); });
        menu.addSeparator();
    }
    QAction* insert = menu.addAction(QStringLiteral("&Insert"));
    QAction* change = menu.addAction(QStringLiteral("&Change"));
    QAction* remove = menu.addAction(QStringLiteral("&Delete"));
    insert->setEnabled(bool(onInsert));
    change->setEnabled(!empty && onChange);
    remove->setEnabled(!empty && onDelete);
    connect(insert, &QAction::triggered, this, [this] { onInsert(); });
    connect(change, &QAction::triggered, this, [this] { onChange(); });
    connect(remove, &QAction::triggered, this, [this] { onDelete(); });
    menu.exec(globalPos);
}

std::vector<int> BrowseList::columnWidths() const {
    std::vector<int> w;
    for (int c = 0; c < model_->columnCount({}); ++c)
        w.push_back(table_->columnWidth(c));
    return w;
}

void BrowseList::setColumnWidths(const std::vector<int>& widths) {
    for (std::size_t c = 0; c < widths.size(); ++c)
        table_->setColumnWidth(int(c), widths[c]);
}

} // namespace zv::records
