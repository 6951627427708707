// libFuzzer target: the header parser, the table and memo file readers, the row
// decoder, the index readers and the key expressions on arbitrary bytes. Input: a
// 2-byte little-endian length n, then n bytes of table file, then bytes that serve
// as the memo file, as the production index (.MDX), as a single-key index (.NDX)
// and, their first line, as a key expression over the table's columns. A table
// that parses is also opened read-only with a key on its first column, through
// its index.
#include "storage/dbase/column_map.h"
#include "storage/dbase/dbase_table.h"
#include "storage/dbase/dbf_file.h"
#include "storage/dbase/mdx_format.h"
#include "storage/dbase/ndx_format.h"
#include "storage/dbase/xbase_expr.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using namespace zv::dbase;
using zv::storage::FieldType;

namespace {

// A declaration whose columns are the table's own.
zv::storage::TableDecl declFor(const std::vector<Column>& columns) {
    zv::storage::TableDecl decl;
    for (const Column& c : columns) {
        zv::storage::FieldDecl f;
        f.name = "F:" + c.name;
        f.offset = decl.recordLength;
        switch (c.type) {
        case 'N':
        case 'F':
            f.name += std::string("=") + c.type + "(" + std::to_string(c.width) + "," +
                      std::to_string(c.decimals) + ")";
            f.type = FieldType::Real;
            f.size = 8;
            break;
        case 'D':
            f.type = FieldType::Date;
            f.size = 4;
            break;
        case 'L':
            f.type = FieldType::Byte;
            f.size = 1;
            break;
        case 'M': {
            f.type = FieldType::Long;
            f.size = 4;
            zv::storage::MemoDecl m;
            m.name = m.externalName = "F:" + c.name;
            m.maxLength = 1000;
            decl.memos.push_back(m);
            break;
        }
        default:
            f.type = FieldType::String;
            f.size = c.width;
            break;
        }
        decl.recordLength = static_cast<std::uint16_t>(decl.recordLength + f.size);
        decl.fields.push_back(f);
    }
    return decl;
}

void writeFile(const std::string& path, const std::uint8_t* data, std::size_t n) {
    if (FILE* f = std::fopen(path.c_str(), "wb")) {
        if (n > 0) std::fwrite(data, 1, n, f);
        std::fclose(f);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    std::size_t n = static_cast<std::size_t>(data[0] | (data[1] << 8));
    data += 2;
    size -= 2;
    if (n > size) n = size;

    const ParsedHeader parsed = parseHeaderBlock({data, n}, n);
    if (parsed.error == Xbase::None) {
        const auto decl = declFor(parsed.columns);
        ColumnMap map;
        if (buildColumnMap(decl, map).ok()) {
            std::vector<std::uint8_t> record(decl.recordLength);
            std::vector<std::uint32_t> blocks;
            for (std::uint64_t r = 0; r < parsed.rowsInFile && r < 64; ++r) {
                const std::size_t at = parsed.header.headerLength + r * parsed.header.rowLength;
                decodeRow(map, decl, {data + at, parsed.header.rowLength}, record, blocks);
            }
        }
    }

    static const std::string dir = "/tmp/zv_dbf_fuzz_" + std::to_string(::getpid());
    static const bool made = [] { return ::mkdir(dir.c_str(), 0700) == 0 || errno == EEXIST; }();
    if (!made) return 0;
    writeFile(dir + "/T.DBF", data, n);
    writeFile(dir + "/T.DBT", data + n, size - n);
    DbfFile file;
    if (file.open(dir + "/T.DBF", true) == Xbase::None) {
        std::vector<std::uint8_t> row;
        for (std::uint32_t r = 1; r <= file.rowCount() && r <= 64; ++r) {
            if (file.readRow(r, row) != Xbase::None) break;
            for (const Column& c : file.columns()) {
                if (c.type != 'M') continue;
                std::uint32_t block = 0;
                for (std::size_t i = 0; i < c.width; ++i) {
                    const std::uint8_t ch = row[c.offset + i];
                    if (ch >= '0' && ch <= '9') block = block * 10 + (ch - '0');
                }
                std::string text;
                (void)file.readMemo(block, text);
            }
        }
        (void)file.close();
    }

    // The rest as an index image, and its first line as a key expression.
    const std::span<const std::uint8_t> rest(data + n, size - n);
    MdxImage image;
    (void)decodeMdx(rest, image);
    MdxTag single;
    (void)decodeNdx(rest, size % 2 == 0, single);
    if (parsed.error != Xbase::None || parsed.columns.empty()) return 0;
    std::string expression(reinterpret_cast<const char*>(rest.data()),
                           std::min<std::size_t>(rest.size(), 254));
    expression = expression.substr(0, expression.find('\n'));
    XbaseExpr expr;
    if (expr.compile(expression, parsed.columns)) {
        for (std::uint64_t r = 0; r < parsed.rowsInFile && r < 16; ++r) {
            const std::size_t at = parsed.header.headerLength + r * parsed.header.rowLength;
            (void)expr.evaluate({data + at, parsed.header.rowLength},
                                static_cast<std::uint32_t>(r));
        }
    }
    auto decl = declFor(parsed.columns);
    decl.keys.push_back({"", "F:BYFIRST", zv::storage::kKeyDuplicates, {{0, false}}});
    writeFile(dir + "/T.MDX", rest.data(), rest.size());
    DbaseTable table(decl);
    if (table.open(dir + "/T.DBF", 0x40) == kOk) {
        std::vector<std::uint8_t> record(decl.recordLength);
        std::vector<std::string> memos;
        if (table.setKeyStart(0, false) == kOk)
            for (int i = 0; i < 64 && table.next(record, memos) == kOk; ++i) {
            }
        (void)table.close();
    }
    return 0;
}
