#include "app/records/windows/browse_window.h"
#include "ui/runtime/procedure_runtime.h"

#include "app/records/browse/list_format.h"
#include "platform/profile.h"
#include "ui/window/text.h"
#include "ui/window/window_state.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QTabBar>
#include <QTimer>
#include <QVBoxLayout>

namespace zv::records {

QPixmap mosaicFrame(int n, int size) {
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    const int cells = 4;
    const int cell = size / cells;
    for (int y = 0; y < cells; ++y)
        for (int x = 0; x < cells; ++x) {
            const int hue = ((x + y * cells) * 22 + n * 18) % 360;
            p.fillRect(x * cell + 1, y * cell + 1, cell - 2, cell - 2,
                       QColor::fromHsv(hue, 170, 230));
        }
    return pm;
}

BrowseWindow::BrowseWindow(frame::WindowContext& context, BrowseDecl decl, BrowseWindowSpec look,
                           int request, QWidget* parent)
    : QDialog(parent), context_(context), spec_(std::move(look)), request_(request) {
    setWindowTitle(spec_.title);
    setWindowFlag(Qt::WindowMaximizeButtonHint);
    setSizeGripEnabled(true);
    std::vector<std::string_view> labels{decl.file};
    for (const auto& f : spec_.files)
        labels.push_back(f);
    files_ = std::make_unique<OpenFiles>(context_.services, labels);
    if (!files_->ok()) return;

    auto engine = std::make_unique<BrowseEngine>(context_.services, decl, 10);
    engine->setSelecting(request == kRequestSelect);
    if (engine->open() != 0) { /* message 36 was shown; the list goes on without its view */
    }
    list_ = new BrowseList(std::move(engine), this);
    list_->setToolTip(spec_.listHint);
    list_->onMoved = [this] { moved(); };
    if (spec_.form) {
        list_->onInsert = [this] { insertRecord(); };
        list_->onChange = [this] { changeRecord(); };
        list_->onDelete = [this] { deleteRecord(); };
    }
    list_->onSelect = [this] { selectRecord(); };
    list_->onDrag = spec_.drag;
    if (spec_.drop) {
        list_->dropType = spec_.dropType;
        list_->onDrop = [this](const QMimeData& data) {
            spec_.drop(data);
            reload();
        };
    }

    auto* top = new QVBoxLayout(this);
    // Tabs for the orders that have one (the last order is the fallback).
    const auto& orders = list_->engine().decl().orders;
    QWidget* listBox = list_;
    if (orders.size() > 1) {
        tabs_ = new QTabBar(this);
        for (std::size_t i = 0; i + 1 < orders.size(); ++i) {
            const int t = tabs_->addTab(QString::fromStdString(orders[i].tab));
            tabs_->setTabToolTip(t, QString::fromStdString(orders[i].hint));
        }
        tabs_->setDrawBase(false);
        connect(tabs_, &QTabBar::currentChanged, this, [this](int index) {
            list_->engine().setOrder(index + 1);
            list_->sync();
            list_->setFocus();
        });
        top->addWidget(tabs_);
    }
    if (!spec_.group.isEmpty()) {
        auto* group = new QGroupBox(spec_.group, this);
        auto* gl = new QVBoxLayout(group);
        gl->addWidget(list_);
        listBox = group;
    }
    top->addWidget(listBox, 1);

    auto* bottom = new QHBoxLayout;
    locatorPrompt_ = new QLabel(QStringLiteral("Hledej:"), this);
    locator_ = new QLineEdit(this);
    locatorPrompt_->setBuddy(locator_);
    connect(locator_, &QLineEdit::returnPressed, this, [this] {
        list_->engine().locateText(ui::recordText(locator_->text()));
        list_->sync();
        list_->setFocus();
    });
    bottom->addWidget(locatorPrompt_);
    bottom->addWidget(locator_, 1);
    if (!spec_.countPrompt.isEmpty()) {
        auto* prompt = new QLabel(spec_.countPrompt, this);
        count_ = new QLabel(this);
        count_->setFrameShape(QFrame::StyledPanel);
        count_->setMinimumWidth(fontMetrics().horizontalAdvance(QStringLiteral("0000000")));
        count_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        count_->setToolTip(spec_.countHint);
        bottom->addSpacing(12);
        bottom->addWidget(prompt);
        bottom->addWidget(count_);
    }
    if (spec_.animated) {
        picture_ = new QLabel(this);
        picture_->setPixmap(mosaicFrame(1, 32));
        timer_ = new QTimer(this);
        connect(timer_, &QTimer::timeout, this, [this] { tick(); });
        timer_->start(150);
        bottom->addSpacing(12);
        bottom->addWidget(picture_);
    }
    top->addLayout(bottom);
    if (spec_.panel) top->addWidget(spec_.panel(this));

    auto* buttons = new QHBoxLayout;
    auto addButton = [&](const QString& text, const QString& hint) {
        auto* b = new QPushButton(text, this);
        b->setToolTip(hint);
        b->setAutoDefault(false);
        buttons->addWidget(b);
        return b;
    };
    select_ = addButton(QStringLiteral("&Select"), spec_.selectHint);
    select_->setVisible(request == kRequestSelect);
    connect(select_, &QPushButton::clicked, this, [this] { selectRecord(); });
    if (spec_.form) {
        if (spec_.insert) {
            insert_ = addButton(QStringLiteral("&Insert"), spec_.insertHint);
            connect(insert_, &QPushButton::clicked, this, [this] { insertRecord(); });
        }
        change_ = addButton(QStringLiteral("&Change"), spec_.changeHint);
        delete_ = addButton(QStringLiteral("&Delete"), spec_.deleteHint);
        connect(change_, &QPushButton::clicked, this, [this] { changeRecord(); });
        connect(delete_, &QPushButton::clicked, this, [this] { deleteRecord(); });
    }
    for (const auto& b : spec_.buttons) {
        auto* button = addButton(b.text, b.hint);
        button->setEnabled(b.enabled);
        if (b.run) connect(button, &QPushButton::clicked, this, b.run);
    }
    buttons->addStretch(1);
    auto* close = addButton(QStringLiteral("Close"), spec_.closeHint);
    connect(close, &QPushButton::clicked, this, [this] {
        response_ = kResponseCancelled;
        done(QDialog::Rejected);
    });
    addButton(QStringLiteral("Help"), spec_.helpHint); // opens the window's help page
    top->addLayout(buttons);

    resize(900, 460);
    const ProfileFile ini(startup::kSettingsFile);
    if (auto widths = parseListWidths(ini.getString(spec_.section, spec_.formatKey),
                                      list_->engine().decl().columns.size()))
        list_->setColumnWidths(*widths);
    ui::restoreWindowState(*this, ini, spec_.section);
    opened_ = true;
    list_->engine().setOrder(tabs_ ? 1 : 0);
    list_->sync();
    list_->setFocus();
}

BrowseWindow::~BrowseWindow() {
    saveState();
    if (tabs_) QObject::disconnect(tabs_, nullptr, this, nullptr);
}

QPushButton* BrowseWindow::button(const QString& text) const {
    for (auto* b : findChildren<QPushButton*>())
        if (b->text() == text) return b;
    return nullptr;
}

void BrowseWindow::moved() {
    BrowseEngine& b = list_->engine();
    if (b.failed()) {
        // A read error was reported: the list closes.
        QTimer::singleShot(0, this, [this] { done(QDialog::Rejected); });
        return;
    }
    const bool rows = !b.empty();
    if (change_) change_->setEnabled(rows);
    if (delete_) delete_->setEnabled(rows);
    if (select_) select_->setEnabled(rows);
    const bool locate = rows && b.hasLocator();
    locator_->setEnabled(locate);
    locatorPrompt_->setEnabled(locate);
    locator_->setMaxLength(std::max(1, std::min(30, b.sortOrder().locatorWidth)));
    locator_->setText(ui::qtText(b.locator()));
    if (count_) count_->setText(QString::number(b.recordCount()));
    if (spec_.moved) spec_.moved(b);
}

void BrowseWindow::tick() {
    frame_ = frame_ % 20 + 1;
    if (picture_) picture_->setPixmap(mosaicFrame(frame_, 32));
}

void BrowseWindow::request(int request) {
    if (!spec_.form) return;
    list_->engine().runRequest(request, [this](int r) { return spec_.form(this, r); });
    list_->sync();
    list_->setFocus();
}

void BrowseWindow::reload() {
    list_->engine().top();
    list_->sync();
    moved();
    list_->setFocus();
}

void BrowseWindow::insertRecord() {
    if (!spec_.insert) return;
    request(kRequestInsert);
}
void BrowseWindow::changeRecord() {
    if (!list_->engine().empty()) request(kRequestChange);
}
void BrowseWindow::deleteRecord() {
    if (!list_->engine().empty()) request(kRequestDelete);
}

void BrowseWindow::selectRecord() {
    if (list_->engine().empty()) return;
    (void)list_->engine().readCurrent(); // the chosen record stays in the buffer
    response_ = kResponseCompleted;
    done(QDialog::Accepted);
}

void BrowseWindow::saveState() {
    if (saved_ || !opened_) return;
    saved_ = true;
    const ProfileFile ini(startup::kSettingsFile);
    (void)ui::saveWindowState(*this, ini, spec_.section);
    (void)ini.writeString(spec_.section, spec_.formatKey, formatListWidths(list_->columnWidths()));
    context_.state.actionResponse = response_;
}

void BrowseWindow::done(int r) {
    saveState();
    QDialog::done(r);
    // Started as an MDI child: closing the dialog closes its window.
    if (!isModal() && parentWidget() && parentWidget()->inherits("QMdiSubWindow"))
        parentWidget()->close();
    else if (!isModal())
        close();
}

void BrowseWindow::closeEvent(QCloseEvent* e) {
    saveState();
    QDialog::closeEvent(e);
}

void BrowseWindow::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    if (opened_) list_->setFocus();
}

void BrowseWindow::focusInEvent(QFocusEvent* e) {
    QDialog::focusInEvent(e);
    if (opened_) {
        // Changes made elsewhere show when the list gets the focus again.
        list_->engine().refresh(RefreshMode::KeepHighlight);
        list_->sync();
    }
}

int selectFromList(frame::WindowContext& context, BrowseDecl decl, BrowseWindowSpec look,
                   QWidget* parent) {
    BrowseWindow w(context, std::move(decl), std::move(look), kRequestSelect, parent);
    if (!w.opened()) return kResponseCancelled;
    w.setModal(true);
    if (context.runtime)
        context.runtime->call(w);
    else
        w.exec();
    return w.response();
}

} // namespace zv::records
