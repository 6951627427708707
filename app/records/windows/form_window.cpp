#include "app/records/windows/form_window.h"

#include "app/records/browse/list_format.h"
#include "app/records/windows/browse_list.h"
#include "app/records/windows/dependent_list.h"
#include "app/records/windows/named_windows.h"
#include "app/records/windows/open_files.h"
#include "app/shell/access/look_up.h"
#include "app/shell/access/saved_record.h"
#include "app/shell/dictionary/field_text.h"
#include "app/shell/dictionary/field_values.h"
#include "platform/codepage.h"
#include "platform/profile.h"
#include "ui/runtime/procedure_runtime.h"
#include "ui/window/text.h"
#include "ui/window/window_state.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace zv::records {
namespace {

QString qt(const std::string& utf8) {
    return QString::fromStdString(utf8);
}

} // namespace

// Lays the items of a declaration out into the window, binding each field.
class FormWindow::Builder {
public:
    explicit Builder(FormWindow& w) : w_(w) {}

    void tab(const FormTab& t) {
        auto* page = new QWidget(w_.tabs_);
        auto* layout = new QVBoxLayout(page);
        const int index = w_.tabs_->addTab(page, qt(t.title));
        if (!t.hint.empty()) w_.tabs_->setTabToolTip(index, qt(t.hint));
        items(t.items, layout, page);
        if (!stretches(t.items)) layout->addStretch(1);
    }

private:
    // True when an item takes the tab's spare height (the tab then needs no stretch).
    static bool stretches(const std::vector<FormItem>& items) {
        for (const auto& i : items)
            if (i.kind == ItemKind::Memo || i.kind == ItemKind::List ||
                ((i.kind == ItemKind::Slot || i.kind == ItemKind::Group) && i.stretch > 0))
                return true;
        return false;
    }

    // Items top to bottom; runs of rows share one form layout.
    void items(const std::vector<FormItem>& list, QVBoxLayout* layout, QWidget* parent) {
        QFormLayout* rows = nullptr;
        for (const auto& i : list) {
            switch (i.kind) {
            case ItemKind::Field:
            case ItemKind::Check:
            case ItemKind::CheckRow:
            case ItemKind::Text:
                if (!rows) {
                    rows = new QFormLayout;
                    rows->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
                    layout->addLayout(rows);
                }
                row(i, rows, parent);
                continue;
            case ItemKind::Memo:
                memo(i, layout, parent);
                break;
            case ItemKind::Group: {
                auto* box = new QGroupBox(qt(i.prompt), parent);
                auto* inner = new QVBoxLayout(box);
                items(i.items, inner, box);
                layout->addWidget(box, i.stretch);
                break;
            }
            case ItemKind::Columns:
                columns(i, layout, parent);
                break;
            case ItemKind::List: {
                auto* list = new DependentList(w_, *i.list, parent);
                layout->addWidget(list, 1);
                w_.lists_.push_back(list);
                break;
            }
            case ItemKind::Slot: {
                auto* place = new QVBoxLayout;
                layout->addLayout(place, i.stretch);
                w_.slots_[i.name] = place;
                break;
            }
            }
            rows = nullptr;
        }
    }

    // Columns side by side: prompts and fields in a grid whose rows line up.
    void columns(const FormItem& i, QVBoxLayout* layout, QWidget* parent) {
        auto* grid = new QGridLayout;
        layout->addLayout(grid);
        for (std::size_t c = 0; c < i.items.size(); ++c) {
            grid->setColumnStretch(int(2 * c + 1), 1);
            int r = 0;
            for (const auto& item : i.items[c].items) {
                QLabel* label = nullptr;
                QWidget* w = field(item, parent, &label);
                if (label) grid->addWidget(label, r, int(2 * c));
                grid->addWidget(w, r, int(2 * c + 1));
                ++r;
            }
        }
    }

    void row(const FormItem& i, QFormLayout* rows, QWidget* parent) {
        switch (i.kind) {
        case ItemKind::Check: {
            auto* box = new QCheckBox(qt(i.prompt), parent);
            box->setToolTip(qt(i.hint));
            w_.bindings_.bindCheck(box, w_.file(), i.field);
            w_.fields_[i.field] = box;
            rows->addRow(QString(), box);
            return;
        }
        case ItemKind::CheckRow: {
            auto* box = new QCheckBox(parent);
            box->setToolTip(qt(i.hint));
            w_.bindings_.bindCheck(box, w_.file(), i.field);
            w_.fields_[i.field] = box;
            if (i.textField.empty()) {
                rows->addRow(box);
                return;
            }
            auto* text = new QLineEdit(parent);
            text->setToolTip(qt(i.textHint));
            w_.bindings_.bindLine(text, w_.file(), i.textField);
            w_.fields_[i.textField] = text;
            rows->addRow(box, text);
            return;
        }
        case ItemKind::Text: {
            auto* edit = new QPlainTextEdit(parent);
            edit->setToolTip(qt(i.hint));
            edit->setTabChangesFocus(true);
            w_.bindings_.bindText(edit, w_.file(), i.field);
            w_.fields_[i.field] = edit;
            auto* label = new QLabel(qt(i.prompt), parent);
            label->setBuddy(edit);
            rows->addRow(label, edit);
            return;
        }
        default: {
            QLabel* label = nullptr;
            QWidget* w = field(i, parent, &label);
            rows->addRow(label, w);
            return;
        }
        }
    }

    // A one-line field with its prompt; beside it the pick button and the
    // looked-up text when declared. Returns what goes into the field column.
    QWidget* field(const FormItem& i, QWidget* parent, QLabel** label) {
        auto* edit = new QLineEdit(parent);
        edit->setToolTip(qt(i.hint));
        edit->setReadOnly(i.readOnly);
        if (i.readOnly) edit->setFocusPolicy(Qt::NoFocus);
        w_.bindings_.bindLine(edit, w_.file(), i.field);
        w_.fields_[i.field] = edit;
        if (!w_.firstField_ && !i.readOnly) w_.firstField_ = edit;
        *label = new QLabel(qt(i.prompt), parent);
        (*label)->setBuddy(edit);
        if (!i.lookup && !i.pick && !i.choices && i.button.text.empty()) return edit;

        auto* box = new QWidget(parent);
        auto* line = new QHBoxLayout(box);
        line->setContentsMargins(0, 0, 0, 0);
        line->addWidget(edit);
        if (i.pick || i.choices) {
            auto* button = new QToolButton(box);
            button->setText(QStringLiteral("..."));
            button->setToolTip(qt(i.pick ? i.pick.hint : i.choices.hint));
            // The builder goes when the window is laid out: slots hold the window.
            FormWindow* w = &w_;
            if (i.pick)
                connect(button, &QToolButton::clicked, w,
                        [w, edit, pick = i.pick] { w->pick(edit, pick); });
            else
                connect(button, &QToolButton::clicked, w, [w, edit, button, choices = i.choices] {
                    w->offerChoices(edit, button, choices);
                });
            line->addWidget(button);
        }
        if (i.lookup) {
            edit->setMaximumWidth(
                edit->fontMetrics().horizontalAdvance(QStringLiteral("0000000000")));
            auto* shown = new QLabel(box);
            shown->setMinimumWidth(200);
            line->addWidget(shown, 1);
            w_.lookups_.push_back({edit, shown, i.lookup});
            FormWindow* w = &w_;
            connect(edit, &QLineEdit::editingFinished, w, [w] { w->refreshLookups(); });
        }
        if (!i.button.text.empty()) {
            auto* button = new QPushButton(qt(i.button.text), box);
            button->setToolTip(qt(i.button.hint));
            button->setEnabled(i.button.enabled);
            button->setAutoDefault(false);
            line->addWidget(button);
            w_.besides_[i.field] = button;
        }
        box->setFocusProxy(edit);
        return box;
    }

    void memo(const FormItem& i, QVBoxLayout* layout, QWidget* parent) {
        auto* edit = new QPlainTextEdit(parent);
        edit->setToolTip(qt(i.hint));
        edit->setTabChangesFocus(true);
        if (!i.prompt.empty()) {
            auto* label = new QLabel(qt(i.prompt), parent);
            label->setBuddy(edit);
            layout->addWidget(label);
        }
        layout->addWidget(edit, 1);
        w_.bindings_.bindMemo(edit, w_.file(), std::size_t(i.memo));
        // A form whose only entry is its memo starts in the memo.
        if (!w_.firstField_) w_.firstField_ = edit;
    }

    FormWindow& w_;
};

FormWindow::FormWindow(frame::WindowContext& context, FormDecl decl, QWidget* parent)
    : QDialog(parent), context_(context), engine_(context.services, std::move(decl)) {
    setSizeGripEnabled(true);
    top_ = new QVBoxLayout(this);
    tabs_ = new QTabWidget(this);
    top_->addWidget(tabs_, 1);
    buttons_ = new QHBoxLayout;
    buttons_->addStretch(1);
    ok_ = new QPushButton(QStringLiteral("OK"), this);
    ok_->setDefault(true);
    cancel_ = new QPushButton(QStringLiteral("Cancel"), this);
    cancel_->setAutoDefault(false);
    auto* help = new QPushButton(QStringLiteral("Help"), this);
    help->setAutoDefault(false);
    buttons_->addWidget(ok_);
    buttons_->addWidget(cancel_);
    buttons_->addWidget(help);
    top_->addLayout(buttons_);
    connect(ok_, &QPushButton::clicked, this, [this] { ok(0); });
    connect(cancel_, &QPushButton::clicked, this, [this] { this->cancel(); });

    const FormDecl& d = engine_.decl();
    Builder builder(*this);
    for (const auto& t : d.tabs)
        builder.tab(t);
    ok_->setToolTip(qt(d.okHint));
    cancel_->setToolTip(qt(d.cancelHint));
    if (d.navigation) addNavigationButtons();
    if (d.minimumWidth > 0) setMinimumWidth(d.minimumWidth);
    if (d.width > 0 && d.height > 0) resize(d.width, d.height);
    if (!lists_.empty()) {
        connect(tabs_, &QTabWidget::currentChanged, this, [this] { refreshLists(); });
    }
}

FormWindow::~FormWindow() {
    saveState();
    // Hiding the dialog as it goes moves the focus out of a field; its
    // editingFinished must not reach this window any more.
    for (const auto& l : lookups_)
        disconnect(l.edit, nullptr, this, nullptr);
    disconnect(tabs_, nullptr, this, nullptr);
}

QLineEdit* FormWindow::lineOf(std::string_view field) const {
    auto f = fields_.find(field);
    return f == fields_.end() ? nullptr : qobject_cast<QLineEdit*>(f->second);
}

QCheckBox* FormWindow::checkOf(std::string_view field) const {
    auto f = fields_.find(field);
    return f == fields_.end() ? nullptr : qobject_cast<QCheckBox*>(f->second);
}

QPushButton* FormWindow::button(const QString& text) const {
    for (auto* b : findChildren<QPushButton*>())
        if (b->text() == text) return b;
    return nullptr;
}

QVBoxLayout* FormWindow::slot(std::string_view name) const {
    auto s = slots_.find(name);
    return s == slots_.end() ? nullptr : s->second;
}

QPushButton* FormWindow::buttonBeside(std::string_view field) const {
    auto b = besides_.find(field);
    return b == besides_.end() ? nullptr : b->second;
}

void FormWindow::addNavigationButtons() {
    struct Nav {
        const char* text;
        int code;
        const char* hint;
    };
    static const Nav navs[] = {
        {"|<", kNavFirst, "Save changes and go to first record"},
        {"<<", kNavPageUp, "Save changes and page up to record"},
        {"<", kNavPrevious, "Save changes and go to previous record"},
        {">", kNavNext, "Save changes and go to next record"},
        {">>", kNavPageDown, "Save changes and page down to record"},
        {">|", kNavLast, "Save changes and go to last record"},
        {"+", kNavSaveAndAdd, "Save record and add another"},
    };
    int at = 0;
    for (const auto& n : navs) {
        auto* b = new QPushButton(QString::fromLatin1(n.text), this);
        b->setToolTip(QString::fromLatin1(n.hint));
        b->setAutoDefault(false);
        b->setMaximumWidth(fontMetrics().horizontalAdvance(QStringLiteral("MMMM")));
        const int code = n.code;
        connect(b, &QPushButton::clicked, this, [this, code] { ok(code); });
        buttons_->insertWidget(at++, b);
    }
}

void FormWindow::refreshLookups() {
    for (const auto& l : lookups_) {
        access::RecordFile* file = context_.db.fileOrNull(l.lookup.file);
        const std::string text =
            file ? access::lookUpText(*file, l.lookup.key, l.edit->text().trimmed().toLongLong(),
                                      l.lookup.shown)
                 : std::string();
        l.label->setText(ui::qtText(text));
    }
}

void FormWindow::refreshLists() {
    for (auto* l : lists_)
        l->refresh();
}

void FormWindow::pick(QLineEdit* edit, const Pick& pick) {
    access::RecordFile* picked = nullptr;
    const dict::FieldRef ref = dict::fieldByName(pick.field);
    if (ref) picked = context_.db.fileOrNull(ref.file->label);
    if (!picked) return;
    // The list reads into its file's buffer, which a calling form may still hold.
    const access::SavedRecord saved(*picked);
    if (callPickList(context_, pick.list, this))
        edit->setText(ui::qtText(dict::fieldText(ref.layoutField(), picked->record())));
    refreshLookups();
    edit->setFocus();
}

void FormWindow::offerChoices(QLineEdit* edit, QWidget* anchor, const Choices& choices) {
    access::RecordFile* file = context_.db.fileOrNull(choices.file);
    const dict::FieldSpec* link =
        file ? dict::fieldOf(file->def(), choices.restrictField) : nullptr;
    const dict::FieldSpec* shown = file ? dict::fieldOf(file->def(), choices.shown) : nullptr;
    if (!file || !link || !shown) return;
    // The value: what the form's field shows, else what its buffer holds.
    std::int64_t value = 0;
    if (QLineEdit* from = lineOf(choices.from))
        value = from->text().trimmed().toLongLong();
    else if (const auto* f = dict::fieldOf(this->file().def(), choices.from))
        value = dict::fieldInteger(*f, this->file().record());
    QMenu menu(this);
    {
        const access::SavedRecord saved(*file);
        file->clearBuffer();
        dict::setFieldInteger(*link, file->record(), value);
        if (file->setKeyValue(file->keyNumber(choices.key)) == 0) {
            while (file->next() == 0 && dict::fieldInteger(*link, file->record()) == value) {
                const QString name = ui::qtText(dict::fieldText(*shown, file->record()));
                menu.addAction(name, this, [edit, name] { edit->setText(name); });
            }
        }
    }
    if (menu.isEmpty()) menu.addAction(QStringLiteral("(žádné osoby)"))->setEnabled(false);
    menu.exec(anchor->mapToGlobal(QPoint(0, anchor->height())));
}

void FormWindow::loadFields() {
    bindings_.load();
    refreshLookups();
    refreshLists();
    if (onLoaded) onLoaded();
}

FormOutcome FormWindow::run(int request) {
    const auto completed = [this] {
        if (engine_.response() == kResponseCompleted && engine_.decl().completed)
            engine_.decl().completed();
    };
    if (!engine_.begin(request)) {
        completed();
        return engine_.outcome();
    }
    setWindowTitle(QString::fromStdString(engine_.title()));
    loadFields();
    const ProfileFile ini(startup::kSettingsFile);
    ui::restoreWindowState(*this, ini, engine_.decl().section);
    if (firstField_) firstField_->setFocus();
    if (context_.runtime)
        context_.runtime->call(*this);
    else
        exec();
    if (!engine_.finished()) engine_.cancel();
    saveState();
    completed();
    return engine_.outcome();
}

void FormWindow::ok(int navigation) {
    engine_.setNavigation(navigation);
    QWidget* bad = nullptr;
    std::string why;
    if (!bindings_.store(&bad, &why)) {
        if (!why.empty())
            context_.services.messages.show({ui::recordText(windowTitle()),
                                             cp1250::fromUtf8(why),
                                             services::Icon::Exclamation,
                                             {services::Button::Ok}});
        if (bad) {
            // The field's own tab comes forward.
            for (QWidget* w = bad; w; w = w->parentWidget())
                if (const int tab = tabs_->indexOf(w); tab >= 0) tabs_->setCurrentIndex(tab);
            bad->setFocus();
        }
        return;
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const FormEngine::OkResult result = engine_.ok();
    QApplication::restoreOverrideCursor();
    switch (result) {
    case FormEngine::OkResult::Closed:
        saveState();
        QDialog::done(engine_.response() == kResponseCompleted ? Accepted : Rejected);
        return;
    case FormEngine::OkResult::Reloaded:
        loadFields();
        [[fallthrough]];
    case FormEngine::OkResult::StayOpen:
        engine_.setNavigation(0);
        tabs_->setCurrentIndex(0);
        if (firstField_) firstField_->setFocus();
        return;
    }
}

void FormWindow::cancel() {
    engine_.cancel();
    saveState();
    QDialog::done(Rejected);
}

void FormWindow::reject() {
    cancel();
}

void FormWindow::closeEvent(QCloseEvent* e) {
    // A form closed by its close box is abandoned: an insert's record goes again.
    engine_.cancel();
    saveState();
    QDialog::closeEvent(e);
}

void FormWindow::changeEvent(QEvent* e) {
    QDialog::changeEvent(e);
    if (e->type() == QEvent::ActivationChange && isActiveWindow() && isVisible()) {
        refreshLists();
        if (onActivated) onActivated();
    }
}

void FormWindow::saveState() {
    if (saved_) return;
    saved_ = true;
    const ProfileFile ini(startup::kSettingsFile);
    const std::string& section = engine_.decl().section;
    (void)ui::saveWindowState(*this, ini, section);
    for (auto* l : lists_)
        (void)ini.writeString(section, l->decl().formatKey,
                              formatListWidths(l->list().columnWidths()));
}

FormOutcome runForm(frame::WindowContext& context, QWidget* parent, FormDecl decl, int request) {
    std::vector<std::string_view> labels{decl.file};
    for (const auto& f : decl.files)
        labels.push_back(f);
    OpenFiles files(context.services, labels);
    if (!files.ok()) return {};
    FormWindow w(context, std::move(decl), parent);
    return w.run(request);
}

} // namespace zv::records
