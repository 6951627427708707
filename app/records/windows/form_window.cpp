#include "app/records/windows/form_window.h"

#include "platform/profile.h"
#include "ui/runtime/procedure_runtime.h"
#include "ui/window/window_state.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace zv::records {

FormWindow::FormWindow(frame::WindowContext& context, FormDecl decl, std::string section,
                       QWidget* parent)
    : QDialog(parent), context_(context), engine_(context.services, std::move(decl)),
      section_(std::move(section)) {
    setSizeGripEnabled(true);
    top_ = new QVBoxLayout(this);
    tabs_ = new QTabWidget(this);
    top_->addWidget(tabs_, 1);
    buttons_ = new QHBoxLayout;
    buttons_->addStretch(1);
    ok_ = new QPushButton(QStringLiteral("OK"), this);
    ok_->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setAutoDefault(false);
    cancel_ = cancel;
    auto* help = new QPushButton(QStringLiteral("Help"), this);
    help->setAutoDefault(false);
    help->setEnabled(false); // the help file is not part of this program yet
    buttons_->addWidget(ok_);
    buttons_->addWidget(cancel);
    buttons_->addWidget(help);
    top_->addLayout(buttons_);
    connect(ok_, &QPushButton::clicked, this, [this] { ok(0); });
    connect(cancel, &QPushButton::clicked, this, [this] { this->cancel(); });
}

FormWindow::~FormWindow() {
    saveState();
}

QVBoxLayout* FormWindow::addTab(const QString& title, const QString& hint) {
    auto* page = new QWidget(tabs_);
    auto* layout = new QVBoxLayout(page);
    const int index = tabs_->addTab(page, title);
    if (!hint.isEmpty()) tabs_->setTabToolTip(index, hint);
    return layout;
}

QLineEdit* FormWindow::addLine(QFormLayout* form, const QString& prompt, std::string_view field,
                               const QString& hint, bool readOnly) {
    auto* edit = new QLineEdit(form->parentWidget());
    edit->setToolTip(hint);
    edit->setReadOnly(readOnly);
    if (readOnly) edit->setFocusPolicy(Qt::NoFocus);
    bindings_.bindLine(edit, file(), field);
    auto* label = new QLabel(prompt, form->parentWidget());
    label->setBuddy(edit);
    form->addRow(label, edit);
    if (!firstField_ && !readOnly) firstField_ = edit;
    return edit;
}

QLineEdit* FormWindow::addGridLine(QGridLayout* grid, int row, int col, const QString& prompt,
                                   std::string_view field, const QString& hint, bool readOnly) {
    auto* edit = new QLineEdit(grid->parentWidget());
    edit->setToolTip(hint);
    edit->setReadOnly(readOnly);
    if (readOnly) edit->setFocusPolicy(Qt::NoFocus);
    bindings_.bindLine(edit, file(), field);
    auto* label = new QLabel(prompt, grid->parentWidget());
    label->setBuddy(edit);
    grid->addWidget(label, row, 2 * col);
    grid->addWidget(edit, row, 2 * col + 1);
    if (!firstField_ && !readOnly) firstField_ = edit;
    return edit;
}

QCheckBox* FormWindow::addCheck(QFormLayout* form, const QString& caption, std::string_view field,
                                const QString& hint) {
    auto* box = new QCheckBox(caption, form->parentWidget());
    box->setToolTip(hint);
    bindings_.bindCheck(box, file(), field);
    form->addRow(QString(), box);
    return box;
}

QPlainTextEdit* FormWindow::addMemo(QVBoxLayout* page, const QString& prompt, std::size_t memo,
                                    const QString& hint) {
    auto* edit = new QPlainTextEdit(page->parentWidget());
    edit->setToolTip(hint);
    edit->setTabChangesFocus(true);
    if (!prompt.isEmpty()) {
        auto* label = new QLabel(prompt, page->parentWidget());
        label->setBuddy(edit);
        page->addWidget(label);
    }
    page->addWidget(edit, 1);
    bindings_.bindMemo(edit, file(), memo);
    return edit;
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

void FormWindow::setOkHint(const QString& hint) {
    ok_->setToolTip(hint);
}

void FormWindow::setCancelHint(const QString& hint) {
    cancel_->setToolTip(hint);
}

void FormWindow::loadFields() {
    bindings_.load();
    if (onLoaded) onLoaded();
}

FormOutcome FormWindow::run(int request) {
    if (!engine_.begin(request)) {
        if (engine_.response() == kResponseCompleted && onCompleted) onCompleted();
        return engine_.outcome();
    }
    setWindowTitle(QString::fromStdString(engine_.title()));
    loadFields();
    const ProfileFile ini(startup::kSettingsFile);
    ui::restoreWindowState(*this, ini, section_);
    if (firstField_) firstField_->setFocus();
    if (context_.runtime)
        context_.runtime->call(*this);
    else
        exec();
    if (!engine_.finished()) engine_.cancel();
    saveState();
    if (engine_.response() == kResponseCompleted && onCompleted) onCompleted();
    return engine_.outcome();
}

void FormWindow::ok(int navigation) {
    engine_.setNavigation(navigation);
    QWidget* bad = nullptr;
    if (!bindings_.store(&bad)) {
        if (bad) bad->setFocus();
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
    if (e->type() == QEvent::ActivationChange && isActiveWindow() && isVisible() && onActivated)
        onActivated();
}

void FormWindow::saveState() {
    if (saved_) return;
    saved_ = true;
    const ProfileFile ini(startup::kSettingsFile);
    (void)ui::saveWindowState(*this, ini, section_);
}

} // namespace zv::records
