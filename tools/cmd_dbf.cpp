// zevlon-tool dbf FILE.dbf: prints a dBase table as CSV in UTF-8, a header row of
// column names, then one line per row without the deletion mark. Dates print as
// YYYY-MM-DD, logicals as T, F or ?, memos with their text.
#include "tools/commands.h"

#include "platform/codepage.h"
#include "storage/dbase/calendar.h"
#include "storage/dbase/dbf_file.h"

#include <cstdio>
#include <string>

namespace zv::tool {
namespace {

using dbase::Column;
using dbase::Xbase;

std::string_view trimRight(std::string_view s) {
    while (!s.empty() && (s.back() == ' ' || s.back() == '\0'))
        s.remove_suffix(1);
    return s;
}

std::string_view trimmed(std::string_view s) {
    s = trimRight(s);
    while (!s.empty() && s.front() == ' ')
        s.remove_prefix(1);
    return s;
}

std::string csvField(const std::string& utf8) {
    if (utf8.find_first_of(",\"\r\n") == std::string::npos) return utf8;
    std::string out = "\"";
    for (char c : utf8) {
        if (c == '"') out += '"';
        out += c;
    }
    return out + "\"";
}

std::string errorText(const std::string& path, Xbase x) {
    return path + ": " + std::string(dbase::xbaseText(static_cast<int>(x)));
}

} // namespace

int runDbf(Args args) {
    if (args.size() != 1) return badInput("usage: zevlon-tool dbf FILE.dbf");
    const std::string path(args[0]);
    dbase::DbfFile file;
    if (const Xbase e = file.open(path, true); e != Xbase::None) {
        std::string text = errorText(path, e);
        if (e == Xbase::FileCorrupted)
            text += " (the header counts " + std::to_string(file.mismatch().claimed) +
                    " rows, the file holds " + std::to_string(file.mismatch().held) + ")";
        if (file.memoMissing()) text = path + ": memo file missing";
        return badInput(text);
    }
    const auto& columns = file.columns();
    std::string line;
    for (std::size_t i = 0; i < columns.size(); ++i) {
        if (i > 0) line += ',';
        line += csvField(cp1250::toUtf8(columns[i].name));
    }
    std::puts(line.c_str());
    std::vector<std::uint8_t> row;
    int badMemos = 0;
    for (std::uint32_t n = 1; n <= file.rowCount(); ++n) {
        if (const Xbase e = file.readRow(n, row); e != Xbase::None)
            return badInput(errorText(path, e));
        if (row[0] == dbase::kDeleted) continue;
        line.clear();
        for (std::size_t i = 0; i < columns.size(); ++i) {
            const Column& c = columns[i];
            const std::string_view raw(reinterpret_cast<const char*>(row.data() + c.offset),
                                       c.width);
            std::string value;
            switch (c.type) {
            case 'D': {
                const dbase::CalendarDate d = dbase::parseDateText(raw.data());
                if (!d.empty()) {
                    const std::string t = dbase::dateText(d);
                    value = t.substr(0, 4) + "-" + t.substr(4, 2) + "-" + t.substr(6, 2);
                } else {
                    value = cp1250::toUtf8(trimmed(raw));
                }
                break;
            }
            case 'L': {
                const char l = raw[0];
                value = l == 'T' || l == 't' || l == 'Y' || l == 'y'   ? "T"
                        : l == 'F' || l == 'f' || l == 'N' || l == 'n' ? "F"
                                                                       : "?";
                break;
            }
            case 'M': {
                const std::string_view ref = trimmed(raw);
                std::uint32_t block = 0;
                bool digits = !ref.empty() && ref.size() <= 10;
                for (char ch : ref) {
                    if (ch < '0' || ch > '9')
                        digits = false;
                    else
                        block = block * 10 + static_cast<std::uint32_t>(ch - '0');
                }
                std::string text;
                if (digits && block != 0 && file.readMemo(block, text) != Xbase::None) {
                    ++badMemos;
                    text.clear();
                }
                value = cp1250::toUtf8(text);
                break;
            }
            case 'C':
                value = cp1250::toUtf8(trimRight(raw));
                break;
            default:
                value = cp1250::toUtf8(trimmed(raw));
                break;
            }
            if (i > 0) line += ',';
            line += csvField(value);
        }
        std::puts(line.c_str());
    }
    (void)file.close();
    if (badMemos > 0)
        return badInput(path + ": " + std::to_string(badMemos) + " memo(s) could not be read");
    return 0;
}

} // namespace zv::tool
