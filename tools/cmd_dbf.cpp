// zevlon-tool dbf FILE.dbf: prints a dBase table as CSV in UTF-8, a header row of
// column names, then one line per row without the deletion mark. Dates print as
// YYYY-MM-DD, logicals as T, F or ?, memos with their text.
// With --tag NAME the rows come in the order the tag of the table's production
// index (.MDX) holds them, read by walking the tag's pages from its root; with
// --tags the index's tags are listed with their keys, filters and key counts.
#include "tools/commands.h"

#include "platform/codepage.h"
#include "storage/dbase/binary_file.h"
#include "storage/dbase/calendar.h"
#include "storage/dbase/dbf_file.h"
#include "storage/dbase/file_swap.h"
#include "storage/dbase/mdx_format.h"

#include <algorithm>
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

// One row as a CSV line.
std::string rowLine(dbase::DbfFile& file, const std::vector<std::uint8_t>& row, int& badMemos) {
    const auto& columns = file.columns();
    std::string line;
    for (std::size_t i = 0; i < columns.size(); ++i) {
        const Column& c = columns[i];
        const std::string_view raw(reinterpret_cast<const char*>(row.data() + c.offset), c.width);
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
    return line;
}

// The table's production index, read whole and walked tag by tag.
Xbase readIndex(const std::string& path, dbase::MdxImage& image) {
    dbase::BinaryFile f;
    if (!f.open(path, dbase::BinaryFile::Mode::Read)) return Xbase::FileNotFound;
    const long long size = f.size();
    if (size < 0) return Xbase::FileRead;
    if (size > (1LL << 30)) return Xbase::Memory;
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    if (!bytes.empty() && !f.readAt(0, bytes.data(), bytes.size())) return Xbase::FileRead;
    return dbase::decodeMdx(bytes, image);
}

std::string upperAscii(std::string_view s) {
    std::string out(s);
    for (auto& c : out)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    return out;
}

int listTags(const dbase::MdxImage& image) {
    std::puts("TAG,TYPE,LENGTH,ORDER,UNIQUE,KEY,FOR,KEYS");
    for (const dbase::MdxTag& t : image.tags) {
        std::string line = csvField(cp1250::toUtf8(t.name));
        line += ',';
        line += t.keyType;
        line += "," + std::to_string(t.keyLength);
        line += t.descending ? ",DESCENDING" : ",ASCENDING";
        line += t.unique ? ",UNIQUE" : ",DUPLICATES";
        line += "," + csvField(cp1250::toUtf8(t.expression));
        line += "," + csvField(cp1250::toUtf8(t.filter));
        line += "," + std::to_string(t.entries.size());
        std::puts(line.c_str());
    }
    return 0;
}

} // namespace

int runDbf(Args args) {
    constexpr const char* kUsage = "usage: zevlon-tool dbf FILE.dbf [--tag NAME | --tags]";
    if (args.empty()) return badInput(kUsage);
    const std::string path(args[0]);
    bool tags = false;
    std::string tagName;
    if (args.size() == 2 && args[1] == "--tags")
        tags = true;
    else if (args.size() == 3 && args[1] == "--tag" && !args[2].empty())
        tagName = std::string(args[2]);
    else if (args.size() != 1)
        return badInput(kUsage);

    dbase::DbfFile file;
    if (const Xbase e = file.open(path, true); e != Xbase::None) {
        std::string text = errorText(path, e);
        if (e == Xbase::FileCorrupted)
            text += " (the header counts " + std::to_string(file.mismatch().claimed) +
                    " rows, the file holds " + std::to_string(file.mismatch().held) + ")";
        if (file.memoMissing()) text = path + ": memo file missing";
        return badInput(text);
    }
    // The order to print: record numbers, from the index or 1..rows.
    std::vector<std::uint32_t> order;
    if (tags || !tagName.empty()) {
        const std::string indexPath = dbase::siblingPath(path, "MDX");
        dbase::MdxImage image;
        if (const Xbase e = readIndex(indexPath, image); e != Xbase::None)
            return badInput(errorText(indexPath, e));
        if (tags) return listTags(image);
        const auto tag =
            std::find_if(image.tags.begin(), image.tags.end(), [&](const dbase::MdxTag& t) {
                return upperAscii(t.name) == upperAscii(tagName);
            });
        if (tag == image.tags.end())
            return badInput(errorText(indexPath, Xbase::InvalidTagName) + " " + tagName);
        for (const dbase::MdxEntry& e : tag->entries) {
            if (e.recno > file.rowCount())
                return badInput(errorText(indexPath, Xbase::FileCorrupted) + " (tag " + tagName +
                                " names row " + std::to_string(e.recno) + ")");
            order.push_back(e.recno);
        }
    } else {
        for (std::uint32_t n = 1; n <= file.rowCount(); ++n)
            order.push_back(n);
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
    for (const std::uint32_t n : order) {
        if (const Xbase e = file.readRow(n, row); e != Xbase::None)
            return badInput(errorText(path, e));
        if (row[0] == dbase::kDeleted) continue;
        std::puts(rowLine(file, row, badMemos).c_str());
    }
    (void)file.close();
    if (badMemos > 0)
        return badInput(path + ": " + std::to_string(badMemos) + " memo(s) could not be read");
    return 0;
}

} // namespace zv::tool
