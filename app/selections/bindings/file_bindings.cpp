#include "file_bindings.h"

#include "app/selections/evaluator/evaluator.h"

#include <memory>

namespace zv::selections {

bool bindFile(access::RecordFile& file) {
    const dict::FileDef& def = file.def();
    bool ok = true;
    for (std::size_t i = 0; i < def.layout->fields.size(); ++i) {
        const dict::FieldSpec& f = def.layout->fields[i];
        ok = evaluator::bindField(def.fieldName(i), f.type, file.record() + f.offset, f.size,
                                  f.places) &&
             ok;
    }
    for (std::size_t i = 0; i < def.memos.size(); ++i)
        ok = evaluator::bindField(def.memoName(i), storage::FieldType::String, file.memoBuffer(i),
                                  def.memos[i].maxLength) &&
             ok;
    return ok;
}

bool bindStandardFiles(access::Database& db) {
    bool ok = true;
    for (const char* label : {"Adresar", "Osoby", "Schuzky", "UKOLY", "Vybery"})
        ok = bindFile(db.file(label)) && ok;
    return ok;
}

access::View::Filter textFilter(std::string_view expression, int* error) {
    auto filter = std::make_shared<evaluator::Filter>();
    const int code = filter->compile(expression);
    if (error) *error = code;
    if (code != 0) return {};
    return [filter](const access::RecordFile&) { return filter->accepts(); };
}

} // namespace zv::selections
