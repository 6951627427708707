#include "dictionary.h"

#include "field_text.h"
#include "field_values.h"
#include "records.h"

#include <cstring>
#include <gtest/gtest.h>
#include <vector>

namespace zv::dict {
namespace {

TEST(Dictionary, EveryLayoutIsContiguousAndAddsUpToItsSize) {
    for (const Layout* l : layouts()) {
        std::size_t at = 0;
        for (const FieldSpec& f : l->fields) {
            EXPECT_EQ(f.offset, at) << l->name << " " << f.member;
            at += f.size;
        }
        EXPECT_EQ(at, l->size) << l->name;
    }
}

TEST(Dictionary, EveryKeyComponentNamesAFieldOfItsFile) {
    for (const FileDef& f : files())
        for (const KeySpec& k : f.keys)
            for (std::string_view c : k.components)
                EXPECT_GE(f.layout->indexOf(c), 0) << f.label << " " << k.name << " " << c;
}

TEST(Dictionary, FieldsAreFoundByPrefixedNameInAnyCase) {
    auto ref = fieldByName("ADR:FIRMA");
    ASSERT_TRUE(ref);
    EXPECT_EQ(ref.file->label, "Adresar");
    EXPECT_EQ(ref.layoutField().offset, offsetof(rec::AdresarRecord, FIRMA));
    EXPECT_EQ(ref.layoutField().size, 50u);
    EXPECT_TRUE(fieldByName("sch:pozn"));
    EXPECT_EQ(fieldByName("SCH:Pozn").layoutField().size, 5000u);
    EXPECT_TRUE(fieldByName("OPE2:POPIS"));
    EXPECT_EQ(fieldByName("OPE2:POPIS").file->label, "Operace2");
    EXPECT_FALSE(fieldByName("ADR:NOSUCH"));
    EXPECT_FALSE(fieldByName("XYZ:ID"));
    EXPECT_FALSE(fieldByName("FIRMA"));
}

TEST(Dictionary, DeclarationsCarryStoredNamesKeysAndMemos) {
    const auto sch = fileByLabel("schuzky")->declaration();
    EXPECT_EQ(sch.recordLength, 5095);
    EXPECT_EQ(sch.fields[0].name, "CISLO");
    EXPECT_EQ(sch.fields[3].name, "SCH:CAS");
    ASSERT_EQ(sch.keys.size(), 2u);
    EXPECT_EQ(sch.keys[0].externalName, "Schuzky.ID");
    EXPECT_EQ(sch.keys[0].name, "SCH:BYID");
    EXPECT_EQ(sch.keys[0].components.size(), 3u);
    EXPECT_EQ(sch.keys[1].components[0].field, 2); // SCH:Datum

    const auto adr = fileByLabel("Adresar")->declaration();
    ASSERT_EQ(adr.keys.size(), 3u);
    EXPECT_EQ(adr.keys[1].flags, storage::kKeyNoCase | storage::kKeyOptional);
    EXPECT_EQ(adr.keys[2].flags, storage::kKeyDuplicates | storage::kKeyNoCase);
    ASSERT_EQ(adr.memos.size(), 1u);
    EXPECT_EQ(adr.memos[0].name, "ADR:POZNAMKA");
    EXPECT_EQ(adr.memos[0].maxLength, 1000);
    EXPECT_EQ(adr.fields[1].picture, "@s50");

    const auto lab = fileByLabel("Label")->declaration();
    EXPECT_EQ(lab.fields[1].type, storage::FieldType::Decimal);
    EXPECT_EQ(lab.fields[1].digits, 5);
    EXPECT_EQ(lab.fields[1].places, 3);
    EXPECT_EQ(lab.fields[1].size, 3);
}

TEST(Dictionary, PhysicalNamesAndDrivers) {
    EXPECT_EQ(fileByLabel("Adresar")->defaultPhysicalName("c:\\data\\"), "c:\\data\\ADRESAR");
    EXPECT_EQ(fileByLabel("Kategorie")->defaultPhysicalName(""), "KATEGORI");
    EXPECT_EQ(fileByLabel("Vybery")->defaultPhysicalName("x\\"), ".\\VYBER");
    EXPECT_EQ(fileByLabel("ExpSch")->defaultPhysicalName("x\\"), "ExpSch");
    EXPECT_EQ(fileByLabel("Operace3")->defaultPhysicalName("d\\"), "d\\OPERACE");
    EXPECT_EQ(driverName(fileByLabel("ExpDbf")->driver), "dBase4");
    EXPECT_EQ(driverName(fileByLabel("ImpTxt")->driver), "DOS");
    EXPECT_EQ(files().size(), 24u);
}

TEST(Records, CellsStoreLittleEndianAndPadText) {
    rec::AdresarRecord r{};
    r.ID.set(0x01020304);
    EXPECT_EQ(r.ID.bytes[0], 0x04);
    EXPECT_EQ(r.ID.get(), 0x01020304);
    r.FIRMA.set("Kovo");
    EXPECT_EQ(r.FIRMA.view().size(), 50u);
    EXPECT_EQ(r.FIRMA.trimmed(), "Kovo");
    r.FIRMA.set(std::string(80, 'x'));
    EXPECT_EQ(r.FIRMA.trimmed().size(), 50u);

    rec::SchuzkyRecord s{};
    s.Vlozil.set("abcdefghijklmnop");
    EXPECT_EQ(s.Vlozil.view(), "abcdefghij"); // 10 characters and the terminator
    s.Pozn.set(std::string(4999, 'p'));
    EXPECT_EQ(s.Pozn.view().size(), 4999u);

    rec::KlasifikRecord k{};
    k.PRODLEVA1.set(-2);
    EXPECT_EQ(k.PRODLEVA1.get(), -2);
    rec::LabelRecord l{};
    EXPECT_TRUE(l.PAGEWIDTH.set(8.268));
    EXPECT_DOUBLE_EQ(l.PAGEWIDTH.get(), 8.268);
}

} // namespace
} // namespace zv::dict

namespace zv::dict {
namespace {

TEST(FieldText, DatesTimesNumbersAndText) {
    rec::UkolyRecord u{};
    std::memset(&u, ' ', sizeof u);
    u.DT_SCHED.set(72095);
    u.TM_SCHED.set(4951026);
    u.CUKOLU.set(-5);
    u.SPLNENO.set(1);
    u.POPIS.set("Zavolat  ");
    u.DT_PROV.set(0);
    const Layout& l = *fileByLabel("UKOLY")->layout;
    const auto* rec = reinterpret_cast<const std::uint8_t*>(&u);
    EXPECT_EQ(fieldText(l.fields[l.indexOf("DT_SCHED")], rec), "19.05.1998");
    EXPECT_EQ(fieldText(l.fields[l.indexOf("TM_SCHED")], rec), "13:45");
    EXPECT_EQ(fieldText(l.fields[l.indexOf("DT_PROV")], rec), "");
    EXPECT_EQ(fieldText(l.fields[l.indexOf("CUKOLU")], rec), "-5");
    EXPECT_EQ(fieldText(l.fields[l.indexOf("SPLNENO")], rec), "1");
    EXPECT_EQ(fieldText(l.fields[l.indexOf("POPIS")], rec), "Zavolat");

    rec::LabelRecord lab{};
    (void)lab.LABELWIDTH.set(2.756);
    const Layout& ll = *fileByLabel("Label")->layout;
    EXPECT_EQ(
        fieldText(ll.fields[ll.indexOf("LABELWIDTH")], reinterpret_cast<const std::uint8_t*>(&lab)),
        "2.756");

    rec::SchuzkyRecord s{};
    s.Jmeno.set("Jan");
    const Layout& sl = *fileByLabel("Schuzky")->layout;
    EXPECT_EQ(fieldText(sl.fields[sl.indexOf("Jmeno")], reinterpret_cast<const std::uint8_t*>(&s)),
              "Jan");
}

TEST(FieldValues, DecimalsAndRealsTakeTheirFractionWithAPointOrAComma) {
    const FieldRef width = fieldByName("LAB:LABELWIDTH");
    ASSERT_TRUE(width);
    std::vector<std::uint8_t> record(width.file->layout->size, 0);
    setFieldText(width.layoutField(), record.data(), "8,268");
    EXPECT_EQ(fieldText(width.layoutField(), record.data()), "8.268");
    setFieldText(width.layoutField(), record.data(), " 2.5");
    EXPECT_EQ(fieldText(width.layoutField(), record.data()), "2.500");
    setFieldText(width.layoutField(), record.data(), "x");
    EXPECT_EQ(fieldText(width.layoutField(), record.data()), "0.000");
}

} // namespace
} // namespace zv::dict
