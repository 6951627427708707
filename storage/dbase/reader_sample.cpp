// Writes a table with every column type for the independent reader check
// (reader_check.py): SAMPLE.DBF and SAMPLE.DBT in the given directory.
#include "platform/codepage.h"
#include "storage/dbase/dbase_table.h"
#include "storage/dbase/test_decl.h"

#include <cstdio>
#include <string>

using zv::storage::FieldType;

namespace {

// 3000 characters of Czech text in lines of at most 60, each ended by CR LF.
std::string longMemo() {
    const std::string line =
        zv::cp1250::fromUtf8("Příliš žluťoučký kůň úpěl ďábelské ódy, 0123456789.");
    std::string out;
    int n = 0;
    while (out.size() < 3000) {
        std::string l = std::to_string(++n) + " " + line;
        out += l + "\r\n";
    }
    out.resize(3000);
    return out;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: reader_sample DIR\n");
        return 2;
    }
    using zv::dbase::test::DeclBuilder;
    const auto decl = DeclBuilder()
                          .field("SMP:NAZEV", FieldType::String, 40)
                          .field("SMP:CENA", FieldType::Real, 8)
                          .field("SMP:ZUSTATEK=N(12,4)", FieldType::Real, 8)
                          .field("SMP:POCET=N(6)", FieldType::Short, 2)
                          .field("SMP:KOEF=F(10,3)", FieldType::Real, 8)
                          .field("SMP:DATUM", FieldType::Date, 4)
                          .field("SMP:NAROZEN=D", FieldType::Long, 4)
                          .field("SMP:AKTIVNI", FieldType::Byte, 1)
                          .field("SMP:VOLBA=L", FieldType::String, 1)
                          .field("SMP:POZN", FieldType::Long, 4)
                          .memo("SMP:POZNAMKA", 4000)
                          .build();
    zv::dbase::DbaseTable table(decl);
    const std::string path = std::string(argv[1]) + "/SAMPLE.DBF";
    if (table.create(path) != 0 || table.open(path) != 0) {
        std::fprintf(stderr, "reader_sample: %s\n", table.message().c_str());
        return 1;
    }
    table.beginBatch();
    zv::dbase::test::Record r(decl);
    std::vector<std::string> memos(1);
    auto add = [&] {
        if (table.add(r.bytes(), memos) != 0) {
            std::fprintf(stderr, "reader_sample: %s\n", table.message().c_str());
            std::exit(1);
        }
    };
    // Row 1: everything filled.
    r.setText(0, zv::cp1250::fromUtf8("Žluťoučký kůň, \"úpěl\" ďábelské ódy"));
    r.set<double>(1, 1234.5);
    r.set<double>(2, -98765.4321);
    r.set<std::int16_t>(3, -42);
    r.set<double>(4, 3.125);
    r.setDate(5, 1998, 5, 19);
    r.set<std::int32_t>(6, 72095);
    r.set<std::uint8_t>(7, 1);
    r.setText(8, "Y");
    memos[0] = longMemo();
    add();
    // Row 2: characters the code page cannot hold, a control byte, empty dates.
    r.clear();
    r.setText(0, zv::cp1250::fromUtf8("Šíp & 日本 ŘÍJEN") + "\x1A" + "x");
    r.set<double>(1, -0.5);
    r.set<double>(2, 0.0001);
    r.set<std::int16_t>(3, 32000);
    r.set<double>(4, -1.5);
    r.set<std::uint8_t>(7, 0);
    r.setText(8, "n");
    memos[0] = zv::cp1250::fromUtf8("Krátká poznámka");
    add();
    // Row 3: deleted afterwards; readers leave it out.
    r.clear();
    r.setText(0, "SMAZANO");
    memos[0].clear();
    add();
    if (table.erase() != 0) return 1;
    // Row 4: zero and blanks; a logical that is neither true nor false.
    r.clear();
    r.setText(0, "");
    r.setText(8, "x");
    r.setDate(5, 2099, 12, 31);
    r.set<std::int32_t>(6, 4);
    add();
    if (table.endBatch() != 0 || table.close() != 0) {
        std::fprintf(stderr, "reader_sample: %s\n", table.message().c_str());
        return 1;
    }
    return 0;
}
