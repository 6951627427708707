#include "look_up.h"

#include "saved_record.h"

#include "app/shell/dictionary/field_text.h"
#include "app/shell/dictionary/field_values.h"

namespace zv::access {

std::string lookUpText(RecordFile& file, std::string_view key, std::int64_t value,
                       std::string_view shown) {
    const int k = file.keyNumber(key);
    const dict::FieldSpec* field = dict::fieldOf(file.def(), shown);
    if (!file.isOpen() || k < 0 || !field) return {};
    const auto& components = file.def().keys[std::size_t(k)].components;
    const int first = components.empty() ? -1 : file.def().layout->indexOf(components.front());
    if (first < 0) return {};
    const SavedRecord saved(file);
    file.clearBuffer();
    dict::setFieldInteger(file.def().layout->fields[std::size_t(first)], file.record(), value);
    if (file.getByKey(k) != 0) return {};
    return dict::fieldText(*field, file.record());
}

std::string firmName(RecordFile& adresar, std::int32_t id) {
    return lookUpText(adresar, "ADR:BYID", id, "ADR:FIRMA");
}

} // namespace zv::access
