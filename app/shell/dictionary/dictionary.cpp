#include "dictionary.h"

#include "platform/codepage.h"
#include "records.h"

#include <cstddef>
#include <utility>

namespace zv::dict {
namespace {

using namespace zv::rec;
using storage::KeyFlags;

template <typename Cell>
FieldSpec makeField(std::string_view member, std::string_view stored, std::string_view picture,
                    std::size_t offset) {
    return FieldSpec{member, stored,       picture,       Cell::kType,
                     offset, sizeof(Cell), Cell::kDigits, Cell::kPlaces};
}

#define ZV_FIELD(member, cell, stored, picture)                                                    \
    makeField<cell>(#member, stored, picture, offsetof(Rec, member)),
#define ZV_LAYOUT(Name, LAYOUT)                                                                    \
    const Layout& layout##Name() {                                                                 \
        using Rec = Name;                                                                          \
        static const Layout layout{#Name, sizeof(Rec), {LAYOUT(ZV_FIELD)}};                        \
        return layout;                                                                             \
    }
ZV_ALL_LAYOUTS(ZV_LAYOUT)
#undef ZV_LAYOUT
#undef ZV_FIELD

constexpr std::uint8_t kUnique = 0;
constexpr std::uint8_t kDup = storage::kKeyDuplicates;
constexpr std::uint8_t kOpt = storage::kKeyOptional;
constexpr std::uint8_t kNoCase = storage::kKeyNoCase;
constexpr std::uint8_t kPrimary = storage::kKeyPrimary;

std::vector<FileDef> makeFiles() {
    using N = NameRoot;
    using D = Driver;
    const std::vector<MemoSpec> none;
    std::vector<FileDef> f;
    f.push_back({"Adresar",
                 "ADR",
                 N::DataPrefix,
                 "ADRESAR",
                 D::Native,
                 &layoutAdresarRecord(),
                 {{"BYID", "", kUnique | kPrimary | kOpt, {"ID"}},
                  {"BYFIRMA", "", kUnique | kNoCase | kOpt, {"FIRMA", "MESTO"}},
                  {"BYMESTO", "", kDup | kNoCase, {"MESTO"}}},
                 {{"POZNAMKA", 1000}}});
    f.push_back({"Osoby",
                 "OSO",
                 N::DataPrefix,
                 "OSOBY",
                 D::Native,
                 &layoutOsobyRecord(),
                 {{"BYREC", "", kUnique | kPrimary | kOpt, {"REC"}},
                  {"BYID", "", kDup | kNoCase | kOpt, {"ID"}},
                  {"BYPR", "", kDup | kNoCase | kOpt, {"KONTAKT"}},
                  {"BYDTNAR", "", kDup | kNoCase | kOpt, {"NAROZENINY"}},
                  {"BYDTSV", "", kDup | kNoCase | kOpt, {"SVATEK"}}},
                 {{"POZN", 1000}}});
    f.push_back({"Schuzky",
                 "SCH",
                 N::DataPrefix,
                 "SCHUZKY",
                 D::Native,
                 &layoutSchuzkyRecord(),
                 {{"BYID", "Schuzky.ID", kDup, {"ID", "Datum", "CAS"}},
                  {"BYCAS", "Schuzky.Datum", kDup, {"Datum", "CAS"}}},
                 none});
    f.push_back({"UKOLY",
                 "UKO",
                 N::DataPrefix,
                 "UKOLY",
                 D::Native,
                 &layoutUkolyRecord(),
                 {{"BYCUKOLU", "", kUnique | kPrimary | kOpt, {"CUKOLU"}},
                  {"BYID", "", kDup | kNoCase | kOpt, {"ID", "DT_SCHED", "TM_SCHED"}},
                  {"BYSCHED", "", kDup | kNoCase | kOpt, {"DT_SCHED", "TM_SCHED"}}},
                 {{"POZNAMKA", 1000}}});
    f.push_back({"Klice",
                 "KLI",
                 N::DataPrefix,
                 "KLICE",
                 D::Native,
                 &layoutKliceRecord(),
                 {{"BYID", "", kUnique | kNoCase | kPrimary | kOpt, {"ID", "IDKL"}},
                  {"BYKLIC", "", kDup | kNoCase | kOpt, {"IDKL"}}},
                 none});
    f.push_back({"EVKLICSL",
                 "EVK",
                 N::DataPrefix,
                 "EVKLICSL",
                 D::Native,
                 &layoutEvklicslRecord(),
                 {{"BYIDKS", "", kUnique | kPrimary | kOpt, {"IDKS"}},
                  {"BYKLIC", "", kUnique | kNoCase | kOpt, {"POPIS"}}},
                 none});
    f.push_back({"Kategorie",
                 "KAG",
                 N::DataPrefix,
                 "KATEGORI",
                 D::Native,
                 &layoutKategorieRecord(),
                 {{"BYTEXTY", "", kUnique | kPrimary | kOpt, {"TEXT"}}},
                 none});
    // The operations file is opened under four labels, each with a record buffer of its own.
    constexpr std::pair<std::string_view, std::string_view> operace[] = {
        {"Operace", "OPE"}, {"Operace1", "OPE1"}, {"Operace2", "OPE2"}, {"Operace3", "OPE3"}};
    for (const auto& [label, prefix] : operace)
        f.push_back({label,
                     prefix,
                     N::DataPrefix,
                     "OPERACE",
                     D::Native,
                     &layoutOperaceRecord(),
                     {{"BYTYPOP", "", kUnique | kPrimary | kOpt, {"TYPOPERACE"}}},
                     {{"POZNAMKA", 1000}}});
    f.push_back({"Klasifik",
                 "KLA",
                 N::DataPrefix,
                 "KLASIFIK",
                 D::Native,
                 &layoutKlasifikRecord(),
                 {{"BYZKRATKA", "", kUnique | kNoCase | kPrimary | kOpt, {"ZKRATKA"}}},
                 {{"POZNAMKA", 1000}}});
    f.push_back({"Poznamky",
                 "POZ",
                 N::DataPrefix,
                 "POZNAMKY",
                 D::Native,
                 &layoutPoznamkyRecord(),
                 {{"BYCP", "", kUnique | kPrimary | kOpt, {"CP"}},
                  {"POPIS", "", kUnique | kNoCase | kOpt, {"TEXT"}}},
                 {{"POZN", 1000}}});
    f.push_back({"Vtipy",
                 "VTI",
                 N::DataPrefix,
                 "VTIPY",
                 D::Native,
                 &layoutVtipyRecord(),
                 {{"BYNOF", "", kUnique | kPrimary | kOpt, {"NOF"}}},
                 {{"VTIP", 1000}}});
    f.push_back({"Label",
                 "LAB",
                 N::DataPrefix,
                 "LABEL",
                 D::Native,
                 &layoutLabelRecord(),
                 {{"BYLABELTYPE", "", kUnique | kNoCase | kPrimary | kOpt, {"LABELTYPE"}}},
                 none});
    f.push_back({"Vybery",
                 "VYB",
                 N::Fixed,
                 ".\\VYBER",
                 D::Native,
                 &layoutVyberyRecord(),
                 {{"BYID", "ADRESAR.ID", kUnique | kPrimary | kOpt, {"ID"}},
                  {"BYFIRMA", "ADRESAR.FIRMA", kUnique | kNoCase | kOpt, {"FIRMA", "MESTO"}},
                  {"BYMESTO", "ADRESAR.MESTO", kDup | kNoCase, {"MESTO"}}},
                 none});
    f.push_back(
        {"AktVyber", "AKT", N::Fixed, ".\\VYB0001", D::Native, &layoutAktVyberRecord(), {}, none});
    f.push_back({"UlVybery",
                 "ULV",
                 N::DataPrefix,
                 "ULVYBERY",
                 D::Native,
                 &layoutUlVyberyRecord(),
                 {{"BYCV", "", kUnique | kPrimary | kOpt, {"CV"}},
                  {"BYNAZEV", "", kUnique | kNoCase | kOpt, {"POPIS"}}},
                 none});
    f.push_back({"ExpAdr",
                 "EAD",
                 N::Label,
                 "ExpAdr",
                 D::Native,
                 &layoutAdresarRecord(),
                 {},
                 {{"POZNAMKA", 1000}}});
    f.push_back({"ExpDbf", "EAB", N::Label, "ExpDbf", D::DBase, &layoutExpDbfRecord(), {}, none});
    f.push_back({"ExpOso",
                 "EOS",
                 N::Label,
                 "ExpOso",
                 D::Native,
                 &layoutOsobyRecord(),
                 {{"BYID", "", kDup | kOpt | kNoCase, {"ID"}}},
                 {{"POZN", 1000}}});
    f.push_back({"ExpSch",
                 "ESC",
                 N::Label,
                 "ExpSch",
                 D::Native,
                 &layoutSchuzkyRecord(),
                 {{"BYID", "Schuzky.ID", kDup | kOpt, {"ID"}}},
                 none});
    f.push_back({"ExpLog",
                 "EXL",
                 N::Label,
                 "ExpLog",
                 D::Native,
                 &layoutExpLogRecord(),
                 {},
                 {{"KOMENTAR", 1000}}});
    f.push_back(
        {"ImpTxt", "IMT", N::Label, "ImpTxt", D::ByteStream, &layoutImpTxtRecord(), {}, none});
    return f;
}

const std::vector<FileDef>& allFiles() {
    static const std::vector<FileDef> files = makeFiles();
    return files;
}

std::string prefixed(std::string_view prefix, std::string_view name) {
    std::string s(prefix);
    s += ':';
    s += name;
    return s;
}

} // namespace

std::string_view driverName(Driver d) {
    switch (d) {
    case Driver::Native:
        return "QUARTO";
    case Driver::DBase:
        return "dBase4";
    case Driver::ByteStream:
        return "DOS";
    }
    return "";
}

int Layout::indexOf(std::string_view member) const {
    for (std::size_t i = 0; i < fields.size(); ++i)
        if (cp1250::equalNoCase(fields[i].member, member)) return static_cast<int>(i);
    return -1;
}

std::string FileDef::fieldName(std::size_t field) const {
    return prefixed(prefix, layout->fields[field].member);
}

std::string FileDef::keyName(std::size_t key) const {
    return prefixed(prefix, keys[key].name);
}

std::string FileDef::memoName(std::size_t memo) const {
    return prefixed(prefix, memos[memo].name);
}

std::string FileDef::defaultPhysicalName(std::string_view dataPrefix) const {
    switch (nameRoot) {
    case NameRoot::DataPrefix:
        return std::string(dataPrefix) + std::string(baseName);
    case NameRoot::Fixed:
        return std::string(baseName);
    case NameRoot::Label:
        return std::string(label);
    }
    return std::string(label);
}

storage::TableDecl FileDef::declaration() const {
    storage::TableDecl decl;
    decl.recordLength = static_cast<std::uint16_t>(layout->size);
    for (std::size_t i = 0; i < layout->fields.size(); ++i) {
        const FieldSpec& fs = layout->fields[i];
        storage::FieldDecl fd;
        fd.name = fs.storedName.empty() ? fieldName(i) : std::string(fs.storedName);
        fd.type = fs.type;
        fd.offset = static_cast<std::uint16_t>(fs.offset);
        fd.size = static_cast<std::uint16_t>(fs.size);
        fd.digits = static_cast<std::uint16_t>(fs.digits);
        fd.places = static_cast<std::uint16_t>(fs.places);
        if (storage::isText(fs.type)) fd.picture = "@s" + std::to_string(fs.size);
        decl.fields.push_back(std::move(fd));
    }
    for (std::size_t i = 0; i < memos.size(); ++i) {
        storage::MemoDecl md;
        md.name = memoName(i);
        md.externalName = md.name;
        md.maxLength = memos[i].maxLength;
        decl.memos.push_back(std::move(md));
    }
    for (std::size_t i = 0; i < keys.size(); ++i) {
        storage::KeyDecl kd;
        kd.name = keyName(i);
        kd.externalName = keys[i].storedName.empty() ? kd.name : std::string(keys[i].storedName);
        kd.flags = keys[i].flags;
        for (std::string_view member : keys[i].components) {
            const int field = layout->indexOf(member);
            // Every component names a field of the layout (checked by the dictionary tests).
            kd.components.push_back({static_cast<std::uint16_t>(field < 0 ? 0 : field), false});
        }
        decl.keys.push_back(std::move(kd));
    }
    return decl;
}

std::span<const FileDef> files() {
    return allFiles();
}

const FileDef* fileByLabel(std::string_view label) {
    for (const FileDef& f : allFiles())
        if (cp1250::equalNoCase(f.label, label)) return &f;
    return nullptr;
}

FieldRef fieldByName(std::string_view prefixedName) {
    const auto colon = prefixedName.find(':');
    if (colon == std::string_view::npos) return {};
    const std::string_view prefix = prefixedName.substr(0, colon);
    const std::string_view member = prefixedName.substr(colon + 1);
    for (const FileDef& f : allFiles()) {
        if (!cp1250::equalNoCase(f.prefix, prefix)) continue;
        const int i = f.layout->indexOf(member);
        if (i >= 0) return {&f, i};
        return {};
    }
    return {};
}

std::span<const Layout* const> layouts() {
#define ZV_LAYOUT_PTR(Name, LAYOUT) &layout##Name(),
    static const std::vector<const Layout*> all = {ZV_ALL_LAYOUTS(ZV_LAYOUT_PTR)};
#undef ZV_LAYOUT_PTR
    return all;
}

} // namespace zv::dict
