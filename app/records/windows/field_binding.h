// Widgets bound to the fields of a record buffer: load() shows the buffer,
// store() writes what the user entered back into it. Text fields are cut to
// their width, dates and times go through the field's picture, whole numbers
// must fit their field (a blank is 0); store() refuses a date, time or number
// that is not one and names the widget.
#pragma once

#include "app/shell/access/record_file.h"

#include <QPointer>
#include <string>
#include <vector>

class QCheckBox;
class QLineEdit;
class QPlainTextEdit;
class QWidget;

namespace zv::records {

class FieldBindings {
public:
    // field is a prefixed name of file ("ADR:FIRMA").
    void bindLine(QLineEdit* edit, access::RecordFile& file, std::string_view field);
    void bindCheck(QCheckBox* box, access::RecordFile& file, std::string_view field);
    // A text field shown on several lines (a long CSTRING).
    void bindText(QPlainTextEdit* edit, access::RecordFile& file, std::string_view field);
    void bindMemo(QPlainTextEdit* edit, access::RecordFile& file, std::size_t memo = 0);

    void load();
    // False when a widget holds no valid value; *bad is that widget and *why
    // says what the field takes (UTF-8).
    bool store(QWidget** bad = nullptr, std::string* why = nullptr);

private:
    enum class Kind { Line, Check, Text, Memo };
    struct Binding {
        Kind kind;
        QPointer<QWidget> widget;
        access::RecordFile* file;
        int field; // index in the layout, -1 for a memo
        std::size_t memo;
    };
    std::vector<Binding> bindings_;
};

} // namespace zv::records
