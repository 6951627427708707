#include "app/records/windows/field_binding.h"

#include "app/shell/dictionary/field_values.h"
#include "platform/dates/picture.h"
#include "app/shell/dictionary/field_text.h"
#include "ui/window/text.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>

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

} // namespace

void FieldBindings::bindLine(QLineEdit* edit, access::RecordFile& file, std::string_view field) {
    const int f = fieldIndex(file, field);
    if (f < 0) return;
    const auto& s = layoutField(file, f);
    if (dict::isTextField(s))
        edit->setMaxLength(int(s.type == storage::FieldType::CString ? s.size - 1 : s.size));
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
                ->setText(ui::qtText(dict::fieldText(layoutField(*b.file, b.field), b.file->record())));
            break;
        case Kind::Check:
            static_cast<QCheckBox*>(b.widget.data())
                ->setChecked(dict::fieldInteger(layoutField(*b.file, b.field), b.file->record()) != 0);
            break;
        case Kind::Text: {
            // Line breaks are kept in the record as CR LF.
            QString t = ui::qtText(dict::fieldText(layoutField(*b.file, b.field), b.file->record()));
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

bool FieldBindings::store(QWidget** bad) {
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
                    return false;
                }
                dict::setFieldInteger(s, b.file->record(), *value);
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
