#include "app/records/duplicates/duplicate_search.h"
#include "app/records/duplicates/firm_merge.h"

#include "app/shell/access/testing/memory_driver.h"
#include "app/shell/dictionary/field_text.h"
#include "app/shell/dictionary/field_values.h"
#include "app/shell/dictionary/records.h"
#include "app/shell/services/standard_open.h"
#include "app/shell/services/testing/add_record.h"
#include "platform/codepage.h"

#include <gtest/gtest.h>

#include <functional>

namespace zv::records {
namespace {

using namespace zv::rec;

class DuplicatesTest : public ::testing::Test {
protected:
    void SetUp() override {
        db.registerDriver(driver);
        for (const char* label : {"Adresar", "Osoby", "Schuzky", "UKOLY", "Klice", "Vybery"})
            ASSERT_EQ(db.file(label).create(), 0);
    }
    void add(const char* label, const std::function<void(access::RecordFile&)>& fill) {
        EXPECT_EQ(services::testing::addRecord(s, db.file(label), fill), 0)
            << "adding to " << label;
    }
    void firm(int id, const char* name, const char* town, const char* ico = "",
              const std::function<void(AdresarRecord&)>& more = {}) {
        add("Adresar", [&](access::RecordFile& f) {
            auto& a = f.as<AdresarRecord>();
            a.ID.set(id);
            a.FIRMA.set(cp1250::fromUtf8(name));
            a.MESTO.set(cp1250::fromUtf8(town));
            a.ICO.set(ico);
            if (more) more(a);
        });
    }
    std::vector<DuplicatePair> search() {
        auto& adr = db.file("Adresar");
        EXPECT_EQ(services::standardOpen(s, adr), services::OpenOutcome::Opened);
        auto pairs = findDuplicates(adr);
        services::standardRelease(adr);
        return pairs;
    }
    // How many records of `label` have `id` in the field `field`.
    int count(const char* label, const char* field, int id) {
        auto& f = db.file(label);
        EXPECT_EQ(services::standardOpen(s, f), services::OpenOutcome::Opened);
        const auto* link = dict::fieldOf(f.def(), field);
        int n = 0;
        for (int rc = f.setFile(); rc == 0 && f.next() == 0;)
            n += dict::fieldInteger(*link, f.record()) == id;
        services::standardRelease(f);
        return n;
    }
    bool read(int id, AdresarRecord* out = nullptr, std::string* note = nullptr) {
        auto& adr = db.file("Adresar");
        EXPECT_EQ(services::standardOpen(s, adr), services::OpenOutcome::Opened);
        adr.clearBuffer();
        adr.as<AdresarRecord>().ID.set(id);
        const bool found = adr.getByKey(adr.keyNumber("ADR:BYID")) == 0;
        if (out) *out = adr.as<AdresarRecord>();
        if (note) *note = adr.memo();
        services::standardRelease(adr);
        return found;
    }
    // Firm 1 and firm 5, the same firm twice; each with a person, a contact, a
    // task, keyword 9 (and 5 also keyword 8); both selected.
    void twoOfOne() {
        firm(1, "Pila Novák s.r.o.", "Brno", "", [](AdresarRecord& a) { a.TF1.set("111"); });
        firm(5, "PILA NOVÁK, spol. s r.o.", "brno", "25596641", [](AdresarRecord& a) {
            a.TF1.set("222");
            a.FAX1.set("333");
        });
        for (int id : {1, 5}) {
            add("Osoby", [&](access::RecordFile& f) {
                f.as<OsobyRecord>().REC.set(id * 10);
                f.as<OsobyRecord>().ID.set(id);
            });
            add("Schuzky", [&](access::RecordFile& f) {
                f.as<SchuzkyRecord>().ID.set(id);
                f.as<SchuzkyRecord>().Datum.set(80000 + id);
            });
            add("UKOLY", [&](access::RecordFile& f) {
                f.as<UkolyRecord>().CUKOLU.set(id);
                f.as<UkolyRecord>().ID.set(id);
            });
            add("Klice", [&](access::RecordFile& f) {
                f.as<KliceRecord>().ID.set(id);
                f.as<KliceRecord>().IDKL.set(9);
            });
            add("Vybery", [&](access::RecordFile& f) {
                f.as<VyberyRecord>().ID.set(id);
                f.as<VyberyRecord>().FIRMA.set(std::to_string(id));
            });
        }
        add("Klice", [&](access::RecordFile& f) {
            f.as<KliceRecord>().ID.set(5);
            f.as<KliceRecord>().IDKL.set(8);
        });
        auto& adr = db.file("Adresar");
        ASSERT_EQ(services::standardOpen(s, adr), services::OpenOutcome::Opened);
        adr.clearBuffer();
        adr.as<AdresarRecord>().ID.set(5);
        ASSERT_EQ(adr.getByKey(adr.keyNumber("ADR:BYID")), 0);
        adr.setMemo("Poznamka");
        ASSERT_EQ(adr.put(), 0);
        services::standardRelease(adr);
    }

    access::testing::MemoryDriver driver;
    access::Database db;
    services::ScriptedMessages messages;
    services::ProcedureServices s{db, messages, {}};
};

TEST_F(DuplicatesTest, SameIcoOrSameNameAndTownMakePairsTheLowerNumberKept) {
    firm(3, "Stavby Kučera s.r.o.", "Praha", "123");
    firm(7, "STAVBY KUČERA", "praha");         // name and town
    firm(9, "Jiná firma", "Ostrava", "00123"); // IČO only
    firm(2, "Stavby Kučera", "Brno");          // another town
    firm(4, "Pekárna", "Kolín", "555");
    firm(6, "Pekárna a.s.", "Kolín", "555"); // both
    firm(8, "", "", "");                     // nothing to match
    firm(10, "", "", "");
    const auto pairs = search();
    ASSERT_EQ(pairs.size(), 3u);
    // In the order of the kept firm's name.
    EXPECT_EQ(pairs[0].kept.id, 4);
    EXPECT_EQ(pairs[0].other.id, 6);
    EXPECT_EQ(pairs[0].reasons, kSameIco | kSameNameAndTown);
    EXPECT_EQ(reasonText(pairs[0].reasons), "IČO, název a město");
    EXPECT_EQ(pairs[1].kept.id, 3);
    EXPECT_EQ(pairs[1].other.id, 7);
    EXPECT_EQ(pairs[1].reasons, unsigned(kSameNameAndTown));
    EXPECT_EQ(pairs[2].kept.id, 3);
    EXPECT_EQ(pairs[2].other.id, 9);
    EXPECT_EQ(reasonText(pairs[2].reasons), "IČO");
}

TEST_F(DuplicatesTest, AMergeMovesEverythingFillsEmptyFieldsAndDropsTheSelectionRow) {
    twoOfOne();
    ASSERT_EQ(search().size(), 1u);
    MergeCounts c;
    ASSERT_EQ(mergeFirms(s, 1, 5, {"Pepa", 81000}, &c), 0);
    EXPECT_FALSE(read(5));
    AdresarRecord kept;
    std::string note;
    ASSERT_TRUE(read(1, &kept, &note));
    EXPECT_EQ(kept.TF1.trimmed(), "111");  // its own value stays
    EXPECT_EQ(kept.FAX1.trimmed(), "333"); // an empty field takes the other's
    EXPECT_EQ(kept.ICO.trimmed(), "25596641");
    EXPECT_EQ(note, "Poznamka");
    EXPECT_EQ(kept.UPRAVIL.trimmed(), "Pepa");
    EXPECT_EQ(kept.DT_UPRAVY.get(), 81000);
    EXPECT_EQ(count("Osoby", "OSO:ID", 1), 2);
    EXPECT_EQ(count("Schuzky", "SCH:ID", 1), 2);
    EXPECT_EQ(count("UKOLY", "UKO:ID", 1), 2);
    EXPECT_EQ(count("Klice", "KLI:ID", 1), 2); // keyword 9 once, keyword 8 moved
    EXPECT_EQ(count("Klice", "KLI:ID", 5), 0);
    EXPECT_EQ(count("Vybery", "VYB:ID", 5), 0);
    EXPECT_EQ(count("Vybery", "VYB:ID", 1), 1);
    EXPECT_EQ(c.persons, 1);
    EXPECT_EQ(c.keywords, 1);
    EXPECT_EQ(c.keywordsShared, 1);
    EXPECT_TRUE(c.selectionRowDropped);
    EXPECT_TRUE(search().empty());
    // The kept firm's selection row is a copy of it as it is now.
    auto& v = db.file("Vybery");
    ASSERT_EQ(services::standardOpen(s, v), services::OpenOutcome::Opened);
    v.clearBuffer();
    v.as<VyberyRecord>().ID.set(1);
    ASSERT_EQ(v.getByKey(v.keyNumber("VYB:BYID")), 0);
    EXPECT_EQ(v.as<VyberyRecord>().FAX1.trimmed(), "333");
    services::standardRelease(v);
}

TEST_F(DuplicatesTest, AMergeOfAFirmThatIsNotThereChangesNothing) {
    twoOfOne();
    EXPECT_EQ(mergeFirms(s, 1, 99, {}), access::kRecordNotFound);
    EXPECT_EQ(mergeFirms(s, 99, 5, {}), access::kRecordNotFound);
    EXPECT_EQ(mergeFirms(s, 5, 5, {}), access::kRecordNotFound);
    EXPECT_TRUE(read(1));
    EXPECT_TRUE(read(5));
    EXPECT_EQ(count("Osoby", "OSO:ID", 5), 1);
    EXPECT_EQ(count("Vybery", "VYB:ID", 5), 1);
}

TEST_F(DuplicatesTest, AFailureAfterTheMovesIsRolledBackWhole) {
    // Firm 1 has no name: it would take firm 5's, and in its own town that is
    // firm 3's name and town already, so its final write is refused.
    firm(1, "", "Brno", "", [](AdresarRecord& a) { a.ICO.set("777"); });
    firm(5, "Pila", "Praha", "777");
    firm(3, "Pila", "Brno");
    add("Osoby", [&](access::RecordFile& f) {
        f.as<OsobyRecord>().REC.set(50);
        f.as<OsobyRecord>().ID.set(5);
    });
    add("Vybery", [&](access::RecordFile& f) { f.as<VyberyRecord>().ID.set(5); });
    EXPECT_EQ(mergeFirms(s, 1, 5, {"Pepa", 81000}), access::kDuplicateKey);
    AdresarRecord kept;
    ASSERT_TRUE(read(1, &kept));
    EXPECT_EQ(kept.FIRMA.trimmed(), "");
    EXPECT_EQ(kept.UPRAVIL.trimmed(), "");
    EXPECT_TRUE(read(5));
    EXPECT_EQ(count("Osoby", "OSO:ID", 5), 1);
    EXPECT_EQ(count("Osoby", "OSO:ID", 1), 0);
    EXPECT_EQ(count("Vybery", "VYB:ID", 5), 1);
}

} // namespace
} // namespace zv::records
