// Speed of the key repair (OPRAVAKLICU) over N demo firms on the program's data
// files: the ten files rebuilt in their order, each with its records and the
// wall time of its rebuild with the check after it (the check's share measured
// by a second check), once on sound files and once after half the
// entries of the first two keys of the firms, persons and meetings were removed
// behind the driver's back; then every file rebuilt into Czech order of its
// text keys ("RAZENI=CZ") and back into byte order, each compared with the
// repair of sound files.
// Usage: repair_bench [firms]
#include "app/shell/access/standard_drivers.h"
#include "app/shell/demo/demo_data.h"
#include "app/utilities/repair/file_check.h"
#include "app/utilities/repair/key_repair.h"
#include "app/utilities/repair/testing/key_damage.h"
#include "app/utilities/repair/text_order.h"
#include "platform/dates/standard_date.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

using namespace zv;

namespace {

using Clock = std::chrono::steady_clock;

double since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// One repair of every file, file by file: records, rebuild and check, the total.
bool repairOnce(access::Database& db, const char* title, double* seconds = nullptr) {
    std::printf("%s\n", title);
    double total = 0, checks = 0;
    bool sound = true;
    for (std::string_view label : utilities::repairedFiles()) {
        auto& file = db.file(label);
        long records = 0;
        if (file.open() == 0) {
            records = file.records();
            (void)file.close();
        }
        const auto start = Clock::now();
        const utilities::FileRepair r = utilities::repairFile(db, label);
        const double took = since(start);
        // The check alone, once more, to tell its share.
        const auto checking = Clock::now();
        if (r.code == 0) (void)utilities::checkDataFile(r.name);
        const double check = r.code == 0 ? since(checking) : 0.0;
        total += took;
        checks += check;
        sound = sound && (r.ok() || r.code == 2);
        std::printf("  %-10s %8ld records %8.3f s (check %6.3f s)  %s\n", r.baseName().c_str(),
                    records, took, check, r.outcome().c_str());
    }
    std::printf("  %-10s %17s %8.3f s (check %6.3f s)\n", "all", "", total, checks);
    if (seconds) *seconds = total;
    return sound;
}

} // namespace

int main(int argc, char** argv) {
    const int firms = argc > 1 ? std::atoi(argv[1]) : 100000;
    const auto dir = std::filesystem::temp_directory_path() /
                     ("zevlon_repair_bench_" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    access::Database db;
    access::registerStandardDrivers(db);
    db.setDataPrefix(dir.string() + "/");
    db.file("Vybery").setPhysicalName((dir / "VYBER").string());
    db.file("AktVyber").setPhysicalName((dir / "VYB0001").string());
    demo::DemoOptions options;
    options.firms = firms;
    options.today = dates::today();
    std::string failed;
    const auto made = Clock::now();
    if (demo::createDemoData(db, options, &failed) != 0) {
        std::fprintf(stderr, "demo data: %s failed\n", failed.c_str());
        return 1;
    }
    std::printf("%d demo firms made in %.1f s\n", firms, since(made));

    double repair = 0;
    bool sound = repairOnce(db, "repair of sound files", &repair);
    long removed = 0;
    for (const char* label : {"Adresar", "Osoby", "Schuzky"})
        for (int key = 0; key < 2; ++key)
            removed += utilities::testing::removeKeyEntries(db.file(label).physicalName(), key, 2);
    std::printf("%ld key entries removed behind the driver's back\n", removed);
    sound = repairOnce(db, "repair of damaged keys") && sound;
    for (const bool czech : {true, false}) {
        db.setCzechOrder(czech);
        const auto start = Clock::now();
        const auto results = utilities::convertTextOrder(db);
        const double took = since(start);
        for (const auto& r : results)
            sound = sound && r.ok();
        std::printf("%-28s %2zu files %8.3f s  (x%.2f the repair of sound files)\n",
                    czech ? "into Czech order" : "back into byte order", results.size(), took,
                    took / repair);
    }
    std::filesystem::remove_all(dir);
    std::printf("%s\n", sound ? "every file rebuilt and sound" : "SOME FILE FAILED");
    return sound ? 0 : 1;
}
