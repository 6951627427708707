// zevlon-tool dump DIR LABEL [--key NAME]: a dictionary file of a data
// directory as CSV in UTF-8, in record order or in a key's order.
#include "commands.h"
#include "csv.h"

#include "app/shell/access/standard_drivers.h"
#include "app/shell/dictionary/field_text.h"
#include "platform/codepage.h"
#include "platform/paths.h"

#include <cstdio>
#include <string>

namespace zv::tool {

int runDictionaryDump(Args args) {
    std::string dir, label, keyName;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--key" && i + 1 < args.size())
            keyName = args[++i];
        else if (dir.empty())
            dir = paths::native(args[i]);
        else if (label.empty())
            label = args[i];
        else
            return badInput("usage: dump DIR LABEL [--key NAME]");
    }
    const dict::FileDef* def = dict::fileByLabel(label);
    if (!def) return badInput("no file labelled '" + label + "'");
    access::Database db;
    access::registerStandardDrivers(db);
    db.setDataPrefix(dir + "/");
    access::RecordFile& f = db.file(def->label);
    if (def->nameRoot != dict::NameRoot::DataPrefix)
        f.setPhysicalName(dir + "/" + std::string(paths::native(def->defaultPhysicalName(""))));
    if (const int code = f.open(access::kOpenShared)) {
        std::fprintf(stderr, "zevlon-tool: %s: %s (%d)\n", f.name().c_str(),
                     access::errorText(code).c_str(), code);
        return 1;
    }
    int key = -1;
    if (!keyName.empty()) {
        key = f.keyNumber(keyName);
        if (key < 0) return badInput("no key '" + keyName + "' in " + std::string(def->label));
    }
    CsvRow header;
    for (std::size_t i = 0; i < def->layout->fields.size(); ++i)
        header.add(def->fieldName(i));
    for (std::size_t i = 0; i < def->memos.size(); ++i)
        header.add(def->memoName(i));
    header.print();
    const int code = key < 0 ? f.setFile() : f.setKey(key);
    if (code != 0) return 1;
    while (f.next() == 0) {
        CsvRow row;
        for (const auto& field : def->layout->fields)
            row.add(cp1250::toUtf8(dict::fieldText(field, f.record())));
        for (std::size_t i = 0; i < def->memos.size(); ++i)
            row.add(cp1250::toUtf8(f.memo(i)));
        row.print();
    }
    return db.errorCode() == access::kRecordNotAvailable ? 0 : 1;
}

} // namespace zv::tool
