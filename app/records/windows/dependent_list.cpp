#include "app/records/windows/dependent_list.h"

#include "app/records/browse/list_format.h"
#include "app/records/windows/browse_list.h"
#include "app/records/windows/form_window.h"
#include "app/records/windows/named_windows.h"
#include "app/shell/dictionary/field_text.h"
#include "app/shell/dictionary/field_values.h"
#include "platform/profile.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace zv::records {
namespace {

constexpr int kPageRows = 5;

QPushButton* addButton(QWidget* owner, QHBoxLayout* row, const ButtonDecl& b) {
    auto* button = new QPushButton(QString::fromStdString(b.text), owner);
    button->setToolTip(QString::fromStdString(b.hint));
    button->setEnabled(b.enabled);
    button->setAutoDefault(false);
    row->addWidget(button);
    return button;
}

} // namespace

DependentList::DependentList(FormWindow& form, DependentListDecl decl, QWidget* parent)
    : QWidget(parent), form_(form), decl_(std::move(decl)) {
    auto engine = std::make_unique<BrowseEngine>(form.context().services, decl_.browse, kPageRows);
    (void)engine->open();
    list_ = new BrowseList(std::move(engine), this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(list_, 1);
    const ProfileFile ini(startup::kSettingsFile);
    if (auto widths = parseListWidths(ini.getString(form.engine().decl().section, decl_.formatKey),
                                      list_->engine().decl().columns.size()))
        list_->setColumnWidths(*widths);

    auto* row = new QHBoxLayout;
    for (const auto& b : decl_.before)
        addButton(this, row, b);
    row->addStretch(1);
    addButton(this, row, {"&Insert", "", true});
    change_ = addButton(this, row, {"&Change", "", true});
    delete_ = addButton(this, row, {"&Delete", "", true});
    for (const auto& b : decl_.after)
        addButton(this, row, b);
    layout->addLayout(row);
    connect(button(QStringLiteral("&Insert")), &QPushButton::clicked, this,
            [this] { run(kRequestInsert); });
    connect(change_, &QPushButton::clicked, this, [this] { run(kRequestChange); });
    connect(delete_, &QPushButton::clicked, this, [this] { run(kRequestDelete); });
    list_->onInsert = [this] { run(kRequestInsert); };
    list_->onChange = [this] { run(kRequestChange); };
    list_->onDelete = [this] { run(kRequestDelete); };
    list_->onMoved = [this] {
        change_->setEnabled(!list_->engine().empty());
        delete_->setEnabled(!list_->engine().empty());
    };
}

QPushButton* DependentList::button(const QString& text) const {
    for (auto* b : findChildren<QPushButton*>())
        if (b->text() == text) return b;
    return nullptr;
}

void DependentList::refresh() {
    const auto* parent = dict::fieldOf(form_.file().def(), decl_.parentField);
    auto& engine = list_->engine();
    engine.setRestriction(parent ? dict::fieldInteger(*parent, form_.file().record()) : 0);
    if (engine.order() == 0) engine.setOrder(1);
    engine.refresh(RefreshMode::KeepHighlight);
    list_->sync();
}

void DependentList::run(int request) {
    if (request != kRequestInsert && list_->engine().empty()) return;
    form_.storeFields(); // the screen's values into the parent's buffer first
    const auto* parent = dict::fieldOf(form_.file().def(), decl_.parentField);
    const auto parentId =
        std::int32_t(parent ? dict::fieldInteger(*parent, form_.file().record()) : 0);
    auto& context = form_.context();
    list_->engine().runRequest(
        request, [&](int r) { return runDependentForm(context, &form_, decl_.form, r, parentId); });
    list_->sync();
    list_->setFocus();
}

} // namespace zv::records
