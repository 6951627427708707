// Writes the seed corpus of every fuzz target: a handful of small valid inputs
// each, in fuzz/corpus/<target>/. Run from the repository root:
//   build/fuzz/make_fuzz_seeds fuzz/corpus
#include "platform/file_io.h"
#include "storage/definition.h"
#include "storage/native_file.h"
#include "storage/page_codec.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace zv::storage;
namespace fs = std::filesystem;

fs::path root;

bool put(const std::string& target, const std::string& name, const std::string& bytes) {
    const fs::path dir = root / target;
    std::error_code ec;
    fs::create_directories(dir, ec);
    FILE* f = std::fopen((dir / name).c_str(), "wb");
    if (!f) return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

void le16(std::string& s, unsigned v) {
    s.push_back(static_cast<char>(v & 0xFF));
    s.push_back(static_cast<char>((v >> 8) & 0xFF));
}
void le32(std::string& s, std::uint32_t v) {
    le16(s, v & 0xFFFF);
    le16(s, v >> 16);
}

std::vector<TableDecl> declarations() {
    TableDecl a;
    a.recordLength = 34;
    a.fields.push_back(plainField("ADR:ID", FieldType::Long, 0, 4));
    a.fields.push_back(plainField("ADR:FIRMA", FieldType::String, 4, 30));
    a.fields.back().picture = "@s30";
    KeyDecl k;
    k.name = "ADR:BYID";
    k.externalName = "KEY_ID";
    k.flags = kKeyPrimary;
    k.components.push_back({0, false});
    a.keys.push_back(k);
    k.name = "ADR:BYFIRMA";
    k.externalName = "";
    k.flags = kKeyDuplicates | kKeyNoCase;
    k.components = {{1, false}, {0, true}};
    a.keys.push_back(k);

    TableDecl b = a;
    b.recordLength = 52;
    b.fields.push_back(plainField("ADR:CASTKA", FieldType::Decimal, 34, 6));
    b.fields.back().places = 2;
    b.fields.back().digits = 11;
    b.fields.push_back(plainField("ADR:DATUM", FieldType::Date, 40, 4));
    b.fields.push_back(plainField("ADR:KODY", FieldType::CString, 44, 8));
    b.fields.back().elements = 4;
    MemoDecl m;
    m.name = "ADR:POZNAMKA";
    m.externalName = "POZNAMKA";
    m.maxLength = 2000;
    b.memos.push_back(m);
    m.name = "ADR:OBRAZ";
    m.externalName = "";
    m.maxLength = 60000;
    m.blob = true;
    b.memos.push_back(m);

    TableDecl c;
    c.recordLength = 2;
    c.fields.push_back(plainField("T:A", FieldType::Byte, 0, 1));
    c.fields.push_back(plainField("T:B", FieldType::Byte, 1, 1));
    c.fields.back().overlay = true;

    return {a, b, c, TableDecl{}};
}

bool definitionSeeds() {
    bool ok = true;
    int n = 0;
    for (const TableDecl& d : declarations())
        ok = put("fuzz_definition", "decl" + std::to_string(++n), encodeDefinition(d)) && ok;
    return ok;
}

bool pageSeeds() {
    PageImage leaf;
    leaf.sizeBound = 0xFFFF;
    for (int i = 0; i < 12; ++i)
        leaf.records.push_back({"ADR\x01key" + std::to_string(10 + i), std::string(20 + i, 'x')});
    PageImage index;
    index.level = 1;
    index.sizeBound = 0xFFFF;
    for (int i = 0; i < 4; ++i) {
        index.records.push_back({"K" + std::to_string(i), ""});
        index.children.push_back(static_cast<std::uint32_t>(512 + 256 * i));
    }
    PageImage empty;
    empty.sizeBound = 0xFFFF;
    std::string a, b, c;
    return encodePage(leaf, 1024, &a) && encodePage(index, 512, &b) && encodePage(empty, 256, &c) &&
           put("fuzz_page_decoder", "leaf", a) && put("fuzz_page_decoder", "index", b) &&
           put("fuzz_page_decoder", "empty", c);
}

// A native file in memory after `records` inserts; with `prepareOnly` the last
// commit's log is in force but not applied, so opening it recovers.
bool nativeSeed(const std::string& name, int records, bool prepareOnly) {
    zv::platform::MemFileSystem mfs;
    std::unique_ptr<NativeFile> file;
    if (NativeFile::open(mfs, "f.qtf", true, {}, &file) != 0) return false;
    for (int i = 0; i < records; ++i)
        if (file->insert("r" + std::to_string(1000 + i), std::string(10 + i % 30, 'a' + i % 26)) !=
            0)
            return false;
    if ((prepareOnly ? file->prepare() : file->commit()) != 0) return false;
    const auto& bytes = mfs.bytes("f.qtf");
    return put("fuzz_file_open", name, std::string(bytes.begin(), bytes.end()));
}

bool textSeeds(const std::string& target, const std::vector<std::string>& texts) {
    bool ok = true;
    int n = 0;
    for (const std::string& t : texts)
        ok = put(target, "seed" + std::to_string(++n), t) && ok;
    return ok;
}

std::string logRecord(std::uint32_t kind, const std::string& first, const std::string& second) {
    std::string r;
    le32(r, kind);
    std::string a = first, b = second;
    a.resize(256, '\0');
    b.resize(256, '\0');
    return r + a + b;
}

// dBase input of the reader fuzzer: a 2-byte length, the table, then the memo file.
std::string dbfSeed(bool withMemo) {
    std::string t;
    const int nFields = withMemo ? 4 : 3;
    const unsigned headerLength = 32 + 32 * nFields + 1;
    const unsigned rowLength = 1 + 10 + 6 + 8 + (withMemo ? 10 : 0);
    t.push_back(withMemo ? '\x83' : '\x03');
    t += "\x7C\x05\x13"; // last change 2024-05-19
    le32(t, 2);
    le16(t, headerLength);
    le16(t, rowLength);
    t.append(20, '\0');
    auto column = [&](const char* name, char type, int width, int decimals) {
        std::string n = name;
        n.resize(11, '\0');
        t += n;
        t.push_back(type);
        t.append(4, '\0');
        t.push_back(static_cast<char>(width));
        t.push_back(static_cast<char>(decimals));
        t.append(14, '\0');
    };
    column("FIRMA", 'C', 10, 0);
    column("CASTKA", 'N', 6, 2);
    column("DATUM", 'D', 8, 0);
    if (withMemo) column("POZN", 'M', 10, 0);
    t.push_back('\x0D');
    t += std::string(" Alfa s.r.") + "123.45" + "20240519" + (withMemo ? "         1" : "");
    t += std::string("*Beta      ") + "  -1.5" + "        " + (withMemo ? "          " : "");
    t.push_back('\x1A');
    std::string out;
    le16(out, static_cast<unsigned>(t.size()));
    out += t;
    if (withMemo) {
        std::string m;
        le32(m, 2);
        m.resize(512, '\0');
        m += "Poznamka k firme\x1A\x1A";
        m.resize(1024, '\0');
        out += m;
    }
    return out;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_fuzz_seeds CORPUS_DIR\n");
        return 2;
    }
    root = argv[1];
    bool ok = definitionSeeds() && pageSeeds();
    ok = nativeSeed("empty", 0, false) && ok;
    ok = nativeSeed("small", 5, false) && ok;
    ok = nativeSeed("split", 120, false) && ok;
    ok = nativeSeed("log_in_force", 8, true) && ok;
    ok = textSeeds("evaluate_fuzzer",
                   {"1 + 2 * 3 ^ 2", "ADR:FIRMA & '|' & Mesto", "ADR:ID > 3 AND LocalID = 7",
                    "DAY(72095) + 1", "(1 + 2) * 3 % 4 - -5",
                    "ADR:FIRMA = 'Abc' OR NOT ADR:ID < 2"}) &&
         ok;
    ok = textSeeds("picture_fuzzer", {"@d6.\n5.3.2001", "@D2\n03/05/2001", "@t1\n12:30",
                                      "@T4\n12:30:45", "@d17\n", "@d6.<\n05.03.01"}) &&
         ok;
    ok = textSeeds("uninstall_log_fuzz",
                   {logRecord(0, "Kontakty", "") + logRecord(2, "C:\\ZEVLON", "") +
                        logRecord(1, "C:\\ZEVLON\\ZEVLON.EXE", "") +
                        logRecord(1, "C:\\ZEVLON\\ZEVLON.INI", ""),
                    logRecord(0, "Kontakty", "") + logRecord(4, "C:\\WINDOWS\\SYSTEM\\X.DLL", "") +
                        logRecord(5, "Zevlon", "Kontakty") + logRecord(6, "HKLM\\Software", "") +
                        logRecord(7, "C:\\ZEVLON\\SETUP.EXE", "/u"),
                    logRecord(3, "", "") + logRecord(9, "x", "y") + "tail"}) &&
         ok;
    ok = textSeeds("dbase_reader_fuzz", {dbfSeed(false), dbfSeed(true)}) && ok;
    if (!ok) {
        std::fprintf(stderr, "make_fuzz_seeds: could not write every seed\n");
        return 1;
    }
    return 0;
}
