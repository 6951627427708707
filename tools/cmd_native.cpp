// zevlon-tool tables, dump FILE[\!TABLE] and build: native files read by their
// stored definitions alone, without the program that wrote them.
#include "commands.h"
#include "csv.h"

#include "platform/codepage.h"
#include "platform/file_io.h"
#include "storage/coding.h"
#include "storage/decimal.h"
#include "storage/keys.h"
#include "storage/native_file.h"
#include "storage/quarto_driver.h"
#include "storage/record_text.h"
#include "storage/runtime_error.h"
#include "storage/table_records.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace zv::tool {

std::unique_ptr<storage::NativeFile> openForTool(const std::string& path, int* exitCode);

namespace {

using storage::FieldType;

std::string elementText(const storage::FieldDecl& f, const std::uint8_t* p, std::size_t width) {
    auto integer = [&](auto v) {
        std::memcpy(&v, p, sizeof v);
        return std::to_string(v);
    };
    switch (f.type) {
    case FieldType::Byte:
        return std::to_string(p[0]);
    case FieldType::Short:
        return integer(std::int16_t{});
    case FieldType::UShort:
        return integer(std::uint16_t{});
    case FieldType::Long:
    case FieldType::Date:
    case FieldType::Time:
        return integer(std::int32_t{});
    case FieldType::ULong:
        return integer(std::uint32_t{});
    case FieldType::SReal: {
        float v;
        std::memcpy(&v, p, 4);
        char buf[64];
        std::snprintf(buf, sizeof buf, "%.7g", static_cast<double>(v));
        return buf;
    }
    case FieldType::Real: {
        double v;
        std::memcpy(&v, p, 8);
        char buf[64];
        std::snprintf(buf, sizeof buf, "%.15g", v);
        return buf;
    }
    case FieldType::Decimal:
        return storage::decimalText(p, width, f.places);
    case FieldType::CString: {
        std::string s(reinterpret_cast<const char*>(p), width);
        return cp1250::toUtf8(s.substr(0, s.find('\0')));
    }
    case FieldType::PString: {
        std::size_t len = width ? std::min<std::size_t>(p[0], width - 1) : 0;
        return cp1250::toUtf8(std::string(reinterpret_cast<const char*>(p + 1), len));
    }
    case FieldType::String: {
        std::string s(reinterpret_cast<const char*>(p), width);
        return cp1250::toUtf8(s.substr(0, s.find_last_not_of(' ') + 1));
    }
    default: {
        static const char* d = "0123456789ABCDEF";
        std::string s;
        for (std::size_t i = 0; i < width; ++i) {
            s += d[p[i] >> 4];
            s += d[p[i] & 15];
        }
        return s;
    }
    }
}

std::string fieldText(const storage::FieldDecl& f, const std::string& record) {
    std::size_t elements = f.elements ? f.elements : 1;
    std::size_t width = f.size / elements;
    std::string out;
    for (std::size_t e = 0; e < elements; ++e) {
        if (e) out += ';';
        out += elementText(f, storage::bytes(record) + f.offset + e * width, width);
    }
    return out;
}

struct Target {
    std::string file;
    std::string table;
};

Target splitTarget(std::string_view arg) {
    std::string s(arg);
    auto bang = s.find("\\!");
    if (bang == std::string::npos) return {s, "UNNAMED"};
    return {s.substr(0, bang), s.substr(bang + 2)};
}

int nativeDump(const std::string& arg, const std::string& keyName, bool oem) {
    Target target = splitTarget(arg);
    int exitCode = 0;
    const storage::RuntimeErrorFileScope naming(target.file); // a runtime error names the file
    auto file = openForTool(target.file, &exitCode);
    if (!file) return exitCode;
    std::uint32_t table = 0;
    bool found = false;
    if (storage::findTable(*file, target.table, &table, &found) != 0) return 1;
    if (!found) return badInput("no table " + cp1250::upper(target.table) + " in " + target.file);
    storage::TableDecl decl;
    if (storage::readDefinition(*file, table, &decl) != 0) {
        std::puts("definition does not decode");
        return 1;
    }
    decl.oem = oem; // the file does not say which tables keep OEM text
    int key = -1;
    if (!keyName.empty()) {
        for (std::size_t k = 0; k < decl.keys.size(); ++k)
            if (cp1250::equalNoCase(decl.keys[k].name, keyName) ||
                cp1250::equalNoCase(decl.keys[k].externalName, keyName))
                key = static_cast<int>(k);
        if (key < 0) return badInput("no key '" + keyName + "'");
    }
    CsvRow header;
    for (const auto& f : decl.fields)
        if (f.type != FieldType::Group) header.add(cp1250::toUtf8(f.name));
    for (const auto& m : decl.memos)
        header.add(cp1250::toUtf8(m.name));
    header.print();
    std::string prefix =
        key < 0 ? storage::dataKey(table, 0).substr(0, 5) : storage::keyPrefix(table, key);
    storage::PageRecord r;
    if (file->ceiling(prefix, &r, &found) != 0) return 1;
    while (found && r.key.compare(0, prefix.size(), prefix) == 0) {
        std::uint32_t number = key < 0 ? storage::fromBe32(r.key, 5) : storage::fromBe32(r.payload);
        std::string image = r.payload;
        if (key >= 0) {
            bool have = false;
            if (file->get(storage::dataKey(table, number), &image, &have) != 0) return 1;
            if (!have) image.clear();
        }
        if (image.size() == decl.recordLength) {
            storage::imageFromOem(decl, reinterpret_cast<std::uint8_t*>(image.data()),
                                  image.size());
            CsvRow row;
            for (const auto& f : decl.fields)
                if (f.type != FieldType::Group) row.add(fieldText(f, image));
            for (std::size_t m = 0; m < decl.memos.size(); ++m) {
                std::string text;
                if (storage::readMemoText(*file, table, decl, number, m, &text) != 0) return 1;
                row.add(cp1250::toUtf8(text));
            }
            row.print();
        }
        std::string at = r.key;
        if (file->successor(at, &r, &found) != 0) return 1;
    }
    return 0;
}

} // namespace

int runTables(Args args) {
    if (args.size() != 1) return badInput("usage: tables FILE");
    int exitCode = 0;
    const std::string path(args[0]);
    const storage::RuntimeErrorFileScope naming(path); // a runtime error names the file
    auto file = openForTool(path, &exitCode);
    if (!file) return exitCode;
    std::vector<storage::TableEntry> tables;
    if (storage::listTables(*file, &tables) != 0) return 1;
    for (const auto& t : tables) {
        storage::Statistics st;
        if (storage::readStatistics(*file, t.number, storage::qtf::kKindData, &st) != 0) return 1;
        std::printf("%s %u\n", cp1250::toUtf8(t.name).c_str(), st.count);
    }
    return 0;
}

int runDump(Args args) {
    std::vector<std::string_view> positional;
    std::string keyName;
    bool oem = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--key" && i + 1 < args.size())
            keyName = args[++i];
        else if (args[i] == "--oem")
            oem = true;
        else
            positional.push_back(args[i]);
    }
    if (positional.size() == 2) return runDictionaryDump(args); // dump DIR LABEL
    if (positional.size() != 1) return badInput("usage: dump FILE[\\!TABLE] [--key NAME] [--oem]");
    return nativeDump(std::string(positional[0]), keyName, oem);
}

int runBuild(Args args) {
    if (args.size() != 1) return badInput("usage: build FILE[\\!TABLE]");
    Target target = splitTarget(args[0]);
    storage::TableDecl decl;
    {
        int exitCode = 0;
        const storage::RuntimeErrorFileScope naming(target.file); // a runtime error names the file
        auto file = openForTool(target.file, &exitCode);
        if (!file) return exitCode;
        std::uint32_t table = 0;
        bool found = false;
        if (storage::findTable(*file, target.table, &table, &found) != 0) return 1;
        if (!found)
            return badInput("no table " + cp1250::upper(target.table) + " in " + target.file);
        if (storage::readDefinition(*file, table, &decl) != 0) {
            std::puts("definition does not decode");
            return 1;
        }
    }
    storage::QuartoDriver driver;
    storage::ControlBlock cb;
    cb.decl = &decl;
    cb.physicalName = target.file + "\\!" + target.table;
    cb.ownerPassword = ownerPassword();
    cb.accessMode = storage::kAccessReadWrite | storage::kShareDenyNone;
    int rc = driver.dispatch(storage::DriverOp::Open, cb);
    if (rc == 0) {
        cb.text = "FULLBUILD=ON";
        (void)driver.dispatch(storage::DriverOp::Command, cb);
        rc = driver.dispatch(storage::DriverOp::BuildAll, cb);
        int closed = driver.dispatch(storage::DriverOp::Close, cb);
        if (rc == 0) rc = closed;
    }
    if (rc == 0) {
        std::puts("ok");
        return 0;
    }
    std::printf("error %d\n", rc);
    return 1;
}

} // namespace zv::tool
