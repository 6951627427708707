#include "app/records/form/form_layout.h"

#include <utility>

namespace zv::records {

FormItem field(std::string prompt, std::string fieldName, std::string hint) {
    FormItem i;
    i.prompt = std::move(prompt);
    i.field = std::move(fieldName);
    i.hint = std::move(hint);
    return i;
}

FormItem shownField(std::string prompt, std::string fieldName, std::string hint) {
    FormItem i = field(std::move(prompt), std::move(fieldName), std::move(hint));
    i.readOnly = true;
    return i;
}

FormItem check(std::string caption, std::string fieldName, std::string hint) {
    FormItem i = field(std::move(caption), std::move(fieldName), std::move(hint));
    i.kind = ItemKind::Check;
    return i;
}

FormItem checkRow(std::string fieldName, std::string hint, std::string textField,
                  std::string textHint) {
    FormItem i = field({}, std::move(fieldName), std::move(hint));
    i.kind = ItemKind::CheckRow;
    i.textField = std::move(textField);
    i.textHint = std::move(textHint);
    return i;
}

FormItem text(std::string prompt, std::string fieldName, std::string hint) {
    FormItem i = field(std::move(prompt), std::move(fieldName), std::move(hint));
    i.kind = ItemKind::Text;
    return i;
}

FormItem memo(std::string prompt, int memoNumber, std::string hint) {
    FormItem i = field(std::move(prompt), {}, std::move(hint));
    i.kind = ItemKind::Memo;
    i.memo = memoNumber;
    return i;
}

FormItem group(std::string caption, std::vector<FormItem> items, int stretch) {
    FormItem i;
    i.kind = ItemKind::Group;
    i.prompt = std::move(caption);
    i.items = std::move(items);
    i.stretch = stretch;
    return i;
}

FormItem columns(std::vector<std::vector<FormItem>> cols) {
    FormItem i;
    i.kind = ItemKind::Columns;
    for (auto& c : cols)
        i.items.push_back(group({}, std::move(c)));
    return i;
}

FormItem dependentList(DependentListDecl list) {
    FormItem i;
    i.kind = ItemKind::List;
    i.list = std::make_shared<const DependentListDecl>(std::move(list));
    return i;
}

FormItem slot(std::string name, int stretch) {
    FormItem i;
    i.kind = ItemKind::Slot;
    i.name = std::move(name);
    i.stretch = stretch;
    return i;
}

FormItem withLookup(FormItem item, Lookup lookup) {
    item.lookup = std::move(lookup);
    return item;
}

FormItem withPick(FormItem item, Pick pick) {
    item.pick = std::move(pick);
    return item;
}

FormItem withChoices(FormItem item, Choices choices) {
    item.choices = std::move(choices);
    return item;
}

FormItem withButton(FormItem item, ButtonDecl button) {
    item.button = std::move(button);
    return item;
}

namespace {

void collect(const std::vector<FormItem>& items, std::vector<const FormItem*>& out) {
    for (const auto& i : items) {
        out.push_back(&i);
        collect(i.items, out);
    }
}

} // namespace

std::vector<const FormItem*> allItems(const std::vector<FormTab>& tabs) {
    std::vector<const FormItem*> out;
    for (const auto& t : tabs)
        collect(t.items, out);
    return out;
}

} // namespace zv::records
