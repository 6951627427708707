#include "app/records/windows/field_binding.h"

#include "app/shell/dictionary/field_text.h"
#include "app/shell/dictionary/field_values.h"
#include "platform/dates/picture.h"
#include "ui/window/text.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>

#include <algorithm>
#include <charconv>
#include <string>

namespace zv::records {
namespace {

int fieldIndex(access::RecordFile& file, std::string_view field) {
    const auto ref = dict::fieldByName(field);
    if (!ref || ref.file->label != file.def().label) return -1;
    return ref.field;
}

const dict::FieldSpec& layoutField(const access::RecordFile& file, int field) {
    return file.def().layout->fields[std::size_t(field)];
}

// The values an integer field holds; false for any other field.
bool integerRange(const dict::FieldSpec& f, std::int64_t* low, std::int64_t* high) {
    using storage::FieldType;
    switch (f.type) {
    case FieldType::Byte:
        *low = 0, *high = 255;
        return true;
    case FieldType::Short:
        *low = -32768, *high = 32767;
        return true;
    case FieldType::UShort:
        *low = 0, *high = 65535;
        return true;
    case FieldType::Long:
        *low = -2147483648LL, *high = 2147483647LL;
        return true;
    case FieldType::ULong:
        *low = 0, *high = 4294967295LL;
        return true;
    default:
        return false;
    }
}

// Characters of the widest value of an integer field, its sign included.
int integerWidth(std::int64_t low, std::int64_t high) {
    return int(std::max(std::to_string(low).size(), std::to_string(high).size()));
}

// A blank text is 0; anything else must be a whole number the field can hold
// (a number cut to the field's width would be another number).
bool parseInteger(std::string_view text, std::int64_t low, std::int64_t high, std::int64_t* value) {
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    if (text.empty()) {
        *value = 0;
        return true;
    }
    if (text.front() == '+') text.remove_prefix(1);
    const auto result = std::from_chars(text.data(), text.data() + text.size(), *value);
    return result.ec == std::errc() && result.ptr == text.data() + text.size() && *value >= low &&
           *value <= high;
}

// Why a text does not fit a field shown through its picture (UTF-8).
std::string pictureReason(std::string_view picture) {
    if (picture.size() > 1 && (picture[1] == 'd' || picture[1] == 'D'))
        return "Zadejte platné datum.";
    if (picture.size() > 1 && (picture[1] == 't' || picture[1] == 'T'))
        return "Zadejte platný čas.";
    return "Zadejte platnou hodnotu.";
}

} // namespace

void FieldBindings::bindLine(QLineEdit* edit, access::RecordFile& file, std::string_view field) {
    const int f = fieldIndex(file, field);
    if (f < 0) return;
    const auto& s = layoutField(file, f);
    std::int64_t low = 0, high = 0;
    if (dict::isTextField(s))
        edit->setMaxLength(int(s.type == storage::FieldType::CString ? s.size - 1 : s.size));
    else if (s.picture.empty() && integerRange(s, &low, &high))
        edit->setMaxLength(integerWidth(low, high));
    bindings_.push_back({Kind::Line, edit, &file, f, 0});
}

void FieldBindings::bindCheck(QCheckBox* box, access::RecordFile& file, std::string_view field) {
    const int f = fieldIndex(file, field);
    if (f >= 0) bindings_.push_back({Kind::Check, box, &file, f, 0});
}

void FieldBindings::bindText(QPlainTextEdit* edit, access::RecordFile& file,
                             std::string_view field) {
    const int f = fieldIndex(file, field);
    if (f >= 0) bindings_.push_back({Kind::Text, edit, &file, f, 0});
}

void FieldBindings::bindMemo(QPlainTextEdit* edit, access::RecordFile& file, std::size_t memo) {
    bindings_.push_back({Kind::Memo, edit, &file, -1, memo});
}

void FieldBindings::load() {
    for (const auto& b : bindings_) {
        if (!b.widget) continue;
        switch (b.kind) {
        case Kind::Line:
            static_cast<QLineEdit*>(b.widget.data())
                ->setText(
                    ui::qtText(dict::fieldText(layoutField(*b.file, b.field), b.file->record())));
            break;
        case Kind::Check:
            static_cast<QCheckBox*>(b.widget.data())
                ->setChecked(dict::fieldInteger(layoutField(*b.file, b.field), b.file->record()) !=
                             0);
            break;
        case Kind::Text: {
            // Line breaks are kept in the record as CR LF.
            QString t =
                ui::qtText(dict::fieldText(layoutField(*b.file, b.field), b.file->record()));
            t.replace("\r\n", "\n");
            static_cast<QPlainTextEdit*>(b.widget.data())->setPlainText(t);
            break;
        }
        case Kind::Memo: {
            QString t = ui::qtText(b.file->memo(b.memo));
            t.replace("\r\n", "\n");
            static_cast<QPlainTextEdit*>(b.widget.data())->setPlainText(t);
            break;
        }
        }
    }
}

bool FieldBindings::store(QWidget** bad, std::string* why) {
    for (const auto& b : bindings_) {
        if (!b.widget) continue;
        switch (b.kind) {
        case Kind::Line: {
            const auto& s = layoutField(*b.file, b.field);
            const std::string text =
                ui::recordText(static_cast<QLineEdit*>(b.widget.data())->text());
            if (!s.picture.empty()) {
                const auto picture = dates::compile(s.picture);
                const auto value = picture ? dates::parse(*picture, text) : std::nullopt;
                if (!value) {
                    if (bad) *bad = b.widget;
                    if (why) *why = pictureReason(s.picture);
                    return false;
                }
                dict::setFieldInteger(s, b.file->record(), *value);
            } else if (std::int64_t low = 0, high = 0, value = 0; integerRange(s, &low, &high)) {
                if (!parseInteger(text, low, high, &value)) {
                    if (bad) *bad = b.widget;
                    if (why)
                        *why = "Zadejte celé číslo od " + std::to_string(low) + " do " +
                               std::to_string(high) + ".";
                    return false;
                }
                dict::setFieldInteger(s, b.file->record(), value);
            } else {
                dict::setFieldText(s, b.file->record(), text);
            }
            break;
        }
        case Kind::Check:
            dict::setFieldInteger(layoutField(*b.file, b.field), b.file->record(),
                                  static_cast<QCheckBox*>(b.widget.data())->isChecked() ? 1 : 0);
            break;
        case Kind::Text: {
            QString t = static_cast<QPlainTextEdit*>(b.widget.data())->toPlainText();
            t.replace("\n", "\r\n");
            dict::setFieldText(layoutField(*b.file, b.field), b.file->record(), ui::recordText(t));
            break;
        }
        case Kind::Memo: {
            QString t = static_cast<QPlainTextEdit*>(b.widget.data())->toPlainText();
            t.replace("\n", "\r\n");
            b.file->setMemo(ui::recordText(t), b.memo);
            break;
        }
        }
    }
    return true;
}

} // namespace zv::records
