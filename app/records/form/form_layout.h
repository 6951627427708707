// How an update form lays out what it shows: tabs holding items top to bottom
// (prompt and field rows, check boxes, multi-line texts, memos, framed groups,
// columns side by side, lists of dependent records, places a window fills
// itself). One generic form window lays a declaration out, binds its fields to
// the file's record buffer and runs the form engine; a window adds code only
// for what is truly its own. Declarations are data: the test of declarations
// checks every name in them against the data dictionary.
#pragma once

#include "app/records/browse/browse_decl.h"

#include <memory>
#include <string>
#include <vector>

namespace zv::records {

// A "..." button beside a field that picks a record from a list called modally
// and copies one of its fields into the form's field.
struct Pick {
    std::string list;  // the picking list's procedure ("ADRESAR_S", "EVKLIC_S"); "" none
    std::string field; // the picked record's field copied ("ADR:ID")
    std::string hint;  // UTF-8
    explicit operator bool() const { return !list.empty(); }
};

// A "..." button beside a text field offering, in a menu, the records of
// `file` whose `restrictField` holds the value of the form's field `from`
// (the persons of the task's firm); the chosen record's `shown` text goes
// into the field.
struct Choices {
    std::string file;          // "Osoby"; "" none
    std::string key;           // "OSO:BYID", its first field is restrictField
    std::string restrictField; // "OSO:ID"
    std::string from;          // the form's field with the value ("UKO:ID")
    std::string shown;         // "OSO:KONTAKT"
    std::string hint;          // UTF-8
    explicit operator bool() const { return !file.empty(); }
};

// A push button of a window's own, placed by the declaration.
struct ButtonDecl {
    std::string text; // UTF-8 with its access key ("&Telefonuj")
    std::string hint;
    bool enabled = true;
};

// A list of the records of another file that belong to the form's record (the
// persons of a firm): a browse restricted to the form's `parentField` value,
// with Insert, Change and Delete running the form `form` on the list's file.
struct DependentListDecl {
    BrowseDecl browse;              // its restrictField holds the parent's value
    std::string parentField;        // the form's field the list belongs to ("ADR:ID")
    std::string form;               // the form's procedure ("OSOBY_U")
    std::string formatKey;          // where the column widths are kept ("?List:2")
    std::vector<ButtonDecl> before; // buttons left of Insert, Change, Delete
    std::vector<ButtonDecl> after;  // buttons right of them
};

enum class ItemKind {
    Field,    // prompt and a one-line field
    Check,    // a check box in the field column
    CheckRow, // a check box in the prompt column, optionally a text field beside it
    Text,     // prompt and a text field on several lines
    Memo,     // a memo filling the rest of the tab, its prompt above it
    Group,    // a framed group of items
    Columns,  // groups side by side, their rows aligned
    List,     // a list of dependent records
    Slot,     // a place the window fills itself
};

struct FormItem {
    ItemKind kind = ItemKind::Field;
    std::string prompt; // UTF-8; a check box's caption; a group's frame caption
    std::string field;  // "ADR:FIRMA"; CheckRow: the box's field
    std::string hint;   // UTF-8
    bool readOnly = false;
    std::string textField; // CheckRow: the text field beside the box ("ADR:P1TXT")
    std::string textHint;
    int memo = 0;                // Memo: which memo of the file
    Lookup lookup;               // Field: the looked-up text shown beside it
    Pick pick;                   // Field: the "..." button picking from a list
    Choices choices;             // Field: the "..." button offering a menu
    ButtonDecl button;           // Field: a push button beside it that the window connects
    std::vector<FormItem> items; // Group: its items; Columns: one Group per column
    int stretch = 0;             // Group, Slot: its share of the tab's spare height
    std::shared_ptr<const DependentListDecl> list; // List
    std::string name;                              // Slot: the name the window asks for
};

struct FormTab {
    std::string title; // UTF-8 with its access key ("&Hlavní údaje")
    std::string hint;
    std::vector<FormItem> items;
};

// Readable declarations of items.
FormItem field(std::string prompt, std::string field, std::string hint = {});
FormItem shownField(std::string prompt, std::string field, std::string hint = {}); // read-only
FormItem check(std::string caption, std::string field, std::string hint = {});
FormItem checkRow(std::string field, std::string hint, std::string textField = {},
                  std::string textHint = {});
FormItem text(std::string prompt, std::string field, std::string hint = {});
FormItem memo(std::string prompt, int memo = 0, std::string hint = {});
FormItem group(std::string caption, std::vector<FormItem> items, int stretch = 0);
FormItem columns(std::vector<std::vector<FormItem>> columns);
FormItem dependentList(DependentListDecl list);
FormItem slot(std::string name, int stretch = 1);
FormItem withLookup(FormItem item, Lookup lookup);
FormItem withPick(FormItem item, Pick pick);
FormItem withChoices(FormItem item, Choices choices);
FormItem withButton(FormItem item, ButtonDecl button);

// Every item of a tab list, groups and columns opened up, in order.
std::vector<const FormItem*> allItems(const std::vector<FormTab>& tabs);

} // namespace zv::records
