// Every list and form declaration of the program, checked against the data
// dictionary: each file, key and field it names must be there, in the file it
// belongs to. A misspelt name would otherwise show up only on the screen (a
// restriction that shows every firm's records, a blank column, a field dropped).
#include "app/records/kinds/catalogue.h"

#include "app/shell/access/database.h"
#include "app/shell/dictionary/field_values.h"

#include <gtest/gtest.h>

namespace zv::records {
namespace {

class DeclarationChecker {
public:
    std::vector<std::string> faults;

    void browse(const std::string& where, const BrowseDecl& d) {
        access::RecordFile* file = fileOf(where, d.file);
        if (!file) return;
        if (d.orders.empty()) fault(where, "has no sort order");
        for (const auto& o : d.orders) {
            key(where, *file, o.key);
            for (const auto& f : o.blankOnLocate)
                field(where, *file, f);
        }
        for (const auto& c : d.columns) {
            if (c.field.empty() && !c.text)
                fault(where, "column \"" + c.title + "\" shows nothing");
            if (!c.field.empty()) field(where, *file, c.field);
            lookup(where, c.lookup);
        }
        if (!d.restrictField.empty()) field(where, *file, d.restrictField);
    }

    void form(const FormDecl& d) {
        const std::string where = d.procedure.empty() ? "form of " + d.file : d.procedure;
        if (d.section.empty()) fault(where, "has no section of its own");
        access::RecordFile* file = fileOf(where, d.file);
        if (!file) return;
        for (const auto& label : d.files)
            fileOf(where, label);
        if (!d.numberField.empty()) field(where, *file, d.numberField);
        if (!d.numberKey.empty()) key(where, *file, d.numberKey);
        if (!d.titleField.empty()) field(where, *file, d.titleField);
        for (const auto& [key, shown] : d.keyNames)
            this->key(where, *file, key);
        if (d.tabs.empty()) fault(where, "has no tab");
        for (const FormItem* i : allItems(d.tabs))
            item(where, *file, *i);
    }

private:
    void fault(const std::string& where, const std::string& what) {
        faults.push_back(where + ": " + what);
    }

    access::RecordFile* fileOf(const std::string& where, const std::string& label) {
        access::RecordFile* f = db_.fileOrNull(label);
        if (!f) fault(where, "no file \"" + label + "\"");
        return f;
    }

    void key(const std::string& where, access::RecordFile& file, const std::string& name) {
        if (file.keyNumber(name) < 0)
            fault(where, "no key \"" + name + "\" in " + std::string(file.def().label));
    }

    void field(const std::string& where, access::RecordFile& file, const std::string& name) {
        if (!dict::fieldOf(file.def(), name))
            fault(where, "no field \"" + name + "\" in " + std::string(file.def().label));
    }

    void lookup(const std::string& where, const Lookup& l) {
        if (!l) return;
        access::RecordFile* file = fileOf(where, l.file);
        if (!file) return;
        key(where, *file, l.key);
        field(where, *file, l.shown);
    }

    void item(const std::string& where, access::RecordFile& file, const FormItem& i) {
        switch (i.kind) {
        case ItemKind::Field:
        case ItemKind::Check:
        case ItemKind::Text:
            field(where, file, i.field);
            break;
        case ItemKind::CheckRow:
            field(where, file, i.field);
            if (!i.textField.empty()) field(where, file, i.textField);
            break;
        case ItemKind::Memo:
            if (std::size_t(i.memo) >= file.def().memos.size())
                fault(where,
                      "no memo " + std::to_string(i.memo) + " in " + std::string(file.def().label));
            break;
        case ItemKind::List:
            browse(where + " list " + i.list->formatKey, i.list->browse);
            field(where, file, i.list->parentField);
            if (i.list->browse.restrictField.empty())
                fault(where, "list " + i.list->formatKey + " is not restricted to its parent");
            if (i.list->form.empty()) fault(where, "list " + i.list->formatKey + " has no form");
            break;
        case ItemKind::Slot:
            if (i.name.empty()) fault(where, "a slot without a name");
            break;
        case ItemKind::Group:
        case ItemKind::Columns:
            break;
        }
        lookup(where, i.lookup);
        if (i.pick) {
            if (!dict::fieldByName(i.pick.field)) fault(where, "no field \"" + i.pick.field + "\"");
        }
        if (i.choices) {
            if (access::RecordFile* other = fileOf(where, i.choices.file)) {
                key(where, *other, i.choices.key);
                field(where, *other, i.choices.restrictField);
                field(where, *other, i.choices.shown);
            }
            field(where, file, i.choices.from);
        }
    }

    access::Database db_; // the dictionary's files, never opened
};

TEST(DeclarationsTest, EveryListNamesFilesKeysAndFieldsOfTheDictionary) {
    DeclarationChecker check;
    for (const auto& b : browseDeclarations())
        check.browse(b.procedure, b.decl);
    EXPECT_TRUE(check.faults.empty()) << ::testing::PrintToString(check.faults);
}

TEST(DeclarationsTest, EveryFormNamesFilesKeysFieldsAndMemosOfTheDictionary) {
    startup::AppState state;
    DeclarationChecker check;
    const auto forms = formDeclarations(state);
    EXPECT_GE(forms.size(), 5u);
    for (const auto& f : forms)
        check.form(f);
    EXPECT_TRUE(check.faults.empty()) << ::testing::PrintToString(check.faults);
}

TEST(DeclarationsTest, MisspeltNamesAreFound) {
    startup::AppState state;
    FormDecl form = formDeclarations(state).front();
    form.tabs.front().items.push_back(field("Město:", "ADR:MESTOO"));
    for (auto& i : form.tabs.front().items) // the persons of the firm
        if (i.kind == ItemKind::List) {
            auto misspelt = *i.list;
            misspelt.browse.restrictField = "OSO:IDD";
            misspelt.browse.columns.push_back({"?", "OSO:NIC", {}, 5, false, 0, {}});
            i.list = std::make_shared<const DependentListDecl>(misspelt);
            break;
        }
    DeclarationChecker check;
    check.form(form);
    ASSERT_EQ(check.faults.size(), 3u) << ::testing::PrintToString(check.faults);
    EXPECT_NE(check.faults[0].find("OSO:NIC"), std::string::npos);
    EXPECT_NE(check.faults[1].find("OSO:IDD"), std::string::npos);
    EXPECT_NE(check.faults[2].find("ADR:MESTOO"), std::string::npos);
}

} // namespace
} // namespace zv::records
