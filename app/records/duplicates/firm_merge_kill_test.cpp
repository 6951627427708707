// Merges killed at random moments, on the program's data files: every pair of
// firms is found either as it was, both firms with their own records, or
// merged whole, the other firm gone with its selection row and everything of
// it under the kept firm.
#include "app/records/duplicates/firm_merge.h"

#include "app/shell/access/standard_drivers.h"
#include "app/shell/dictionary/field_text.h"
#include "app/shell/dictionary/field_values.h"
#include "app/shell/dictionary/records.h"
#include "app/shell/services/standard_open.h"
#include "platform/testing/killed_child.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <random>
#include <signal.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace zv::records {
namespace {

using namespace zv::rec;

constexpr int kPairs = 600;

struct Book {
    access::Database db;
    services::ScriptedMessages messages;
    services::ProcedureServices s{db, messages, {}};
    explicit Book(const std::filesystem::path& dir) {
        access::registerStandardDrivers(db);
        db.setDataPrefix(dir.string() + "/");
        db.file("Vybery").setPhysicalName((dir / "VYBER").string());
    }
};

// Writes records to one file in a batch.
void fill(Book& b, const char* label, int count,
          const std::function<void(access::RecordFile&, int)>& make) {
    auto& f = b.db.file(label);
    ASSERT_EQ(services::standardOpen(b.s, f), services::OpenOutcome::Opened) << label;
    ASSERT_EQ(f.stream(), 0);
    for (int i = 1; i <= count; ++i) {
        f.clearBuffer();
        make(f, i);
        f.clearCurrent();
        ASSERT_EQ(f.add(), 0) << label << " " << i;
    }
    ASSERT_EQ(f.flush(), 0);
    services::standardRelease(f);
}

// Records per firm number in each child file and the selection.
std::map<std::string, std::map<int, int>> census(Book& b) {
    std::map<std::string, std::map<int, int>> out;
    const std::pair<const char*, const char*> links[] = {
        {"Adresar", "ADR:ID"}, {"Osoby", "OSO:ID"}, {"Schuzky", "SCH:ID"},
        {"UKOLY", "UKO:ID"},   {"Klice", "KLI:ID"}, {"Vybery", "VYB:ID"}};
    for (const auto& [label, field] : links) {
        auto& f = b.db.file(label);
        EXPECT_EQ(services::standardOpen(b.s, f), services::OpenOutcome::Opened) << label;
        const auto* link = dict::fieldOf(f.def(), field);
        for (int rc = f.setFile(); rc == 0 && f.next() == 0;)
            ++out[label][int(dict::fieldInteger(*link, f.record()))];
        services::standardRelease(f);
    }
    return out;
}

TEST(FirmMergeKillTest, AKilledMergeLeavesBothFirmsOrTheWholeMerge) {
    const auto dir =
        std::filesystem::temp_directory_path() / ("zevlon_merge_kill_" + std::to_string(getpid()));
    std::mt19937 random(20261211);
    for (int trial = 0; trial < 8; ++trial) {
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
        {
            // Pair i: firm 2i - 1 and firm 2i, one firm twice; each with two persons,
            // a contact, a task and keyword 1, the other also keyword 2; all selected.
            Book b(dir);
            fill(b, "Adresar", 2 * kPairs, [](access::RecordFile& f, int id) {
                f.as<AdresarRecord>().ID.set(id);
                f.as<AdresarRecord>().FIRMA.set("Firma " + std::to_string((id + 1) / 2) +
                                                (id % 2 ? "" : " s.r.o."));
                f.as<AdresarRecord>().MESTO.set("Praha");
                if (id % 2 == 0) f.as<AdresarRecord>().TF1.set("222");
            });
            fill(b, "Osoby", 4 * kPairs, [](access::RecordFile& f, int n) {
                f.as<OsobyRecord>().REC.set(n);
                f.as<OsobyRecord>().ID.set((n + 1) / 2);
            });
            fill(b, "Schuzky", 2 * kPairs, [](access::RecordFile& f, int id) {
                f.as<SchuzkyRecord>().ID.set(id);
                f.as<SchuzkyRecord>().Datum.set(80000);
            });
            fill(b, "UKOLY", 2 * kPairs, [](access::RecordFile& f, int id) {
                f.as<UkolyRecord>().CUKOLU.set(id);
                f.as<UkolyRecord>().ID.set(id);
            });
            fill(b, "Klice", 3 * kPairs, [](access::RecordFile& f, int n) {
                const int id = n <= 2 * kPairs ? n : 2 * (n - 2 * kPairs);
                f.as<KliceRecord>().ID.set(id);
                f.as<KliceRecord>().IDKL.set(n <= 2 * kPairs ? 1 : 2);
            });
            fill(b, "Vybery", 2 * kPairs, [](access::RecordFile& f, int id) {
                f.as<VyberyRecord>().ID.set(id);
                f.as<VyberyRecord>().FIRMA.set("Firma " + std::to_string(id));
            });
        }
        const auto killed = zv::testing::killedWhileWorking(
            [&] {
                Book b(dir);
                for (int i = 1; i <= kPairs; ++i)
                    (void)mergeFirms(b.s, 2 * i - 1, 2 * i, {"Pepa", 81000});
            },
            std::chrono::milliseconds(20 + random() % 400));
        ASSERT_TRUE(killed.has_value());

        Book b(dir);
        auto c = census(b);
        int merged = 0;
        for (int i = 1; i <= kPairs; ++i) {
            const int kept = 2 * i - 1, other = 2 * i;
            ASSERT_EQ(c["Adresar"][kept], 1) << "pair " << i << ", trial " << trial;
            if (c["Adresar"][other] == 1) { // as it was
                for (const int id : {kept, other}) {
                    EXPECT_EQ(c["Osoby"][id], 2) << id << ", trial " << trial;
                    EXPECT_EQ(c["Schuzky"][id], 1) << id << ", trial " << trial;
                    EXPECT_EQ(c["UKOLY"][id], 1) << id << ", trial " << trial;
                    EXPECT_EQ(c["Vybery"][id], 1) << id << ", trial " << trial;
                }
                EXPECT_EQ(c["Klice"][kept], 1);
                EXPECT_EQ(c["Klice"][other], 2);
                continue;
            }
            ++merged; // whole
            EXPECT_EQ(c["Osoby"][kept], 4) << kept << ", trial " << trial;
            EXPECT_EQ(c["Schuzky"][kept], 2) << kept << ", trial " << trial;
            EXPECT_EQ(c["UKOLY"][kept], 2) << kept << ", trial " << trial;
            EXPECT_EQ(c["Klice"][kept], 2) << kept << ", trial " << trial;
            EXPECT_EQ(c["Vybery"][kept], 1) << kept << ", trial " << trial;
            for (const char* label : {"Osoby", "Schuzky", "UKOLY", "Klice", "Vybery"})
                EXPECT_EQ(c[label][other], 0) << label << " " << other << ", trial " << trial;
        }
        // The merges ran in order: those done form the first pairs.
        for (int i = 1; i <= merged; ++i)
            EXPECT_EQ(c["Adresar"][2 * i], 0) << "pair " << i << ", trial " << trial;
    }
    std::filesystem::remove_all(dir);
}

} // namespace
} // namespace zv::records
