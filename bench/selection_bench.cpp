// Speed of the working selection's bulk operations over N demo firms on the
// program's data files: "Vyber všechny", adding by a text condition and
// removing by a condition, each with its wall time, the time per firm, and the
// ratio to a plain read of every firm in file order in the same run (the least
// any of them can take). Goal: each under 2 s at 100,000 firms. Then the export of
// the whole selection to a native export file and its import into an empty address
// book, and the clearing of a category in every firm (one transaction over the
// address book), with their times; the export to vCards and to CSV, the CSV
// brought into another empty book, and the search for duplicate firms over the
// whole book.
// Usage: selection_bench [firms]
#include "app/exchange/export/export.h"
#include "app/exchange/import/csv_import.h"
#include "app/exchange/import/import.h"
#include "app/records/categories/category_clearing.h"
#include "app/records/duplicates/duplicate_search.h"
#include "app/selections/selection/selection.h"
#include "app/shell/access/standard_drivers.h"
#include "app/shell/demo/demo_data.h"
#include "app/shell/services/standard_open.h"
#include "bench/bench_support.h"
#include "platform/dates/standard_date.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <tuple>
#include <unistd.h>

using namespace zv;
using bench::QuietMessages;
using bench::seconds;

int main(int argc, char** argv) {
    const int firms = argc > 1 ? std::atoi(argv[1]) : 100000;
    const auto dir = std::filesystem::temp_directory_path() /
                     ("zevlon_selection_bench_" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    if (chdir(dir.c_str()) != 0) return 1;
    access::Database db;
    access::registerStandardDrivers(db);
    db.setDataPrefix(dir.string() + "/");
    QuietMessages messages;
    services::ProcedureServices s{db, messages, {}};
    demo::DemoOptions options;
    options.firms = firms;
    options.today = dates::today();
    std::string failed;
    const double made = seconds([&] { (void)demo::createDemoData(db, options, &failed); });
    if (!failed.empty()) {
        std::fprintf(stderr, "demo data: %s failed\n", failed.c_str());
        return 1;
    }
    std::printf("%d demo firms made in %.1f s\n", firms, made);

    int missed = 0;
    {
        selections::Selection sel(s);
        if (!sel.opened()) return 1;
        selections::NoProgress quiet;
        auto& adresar = db.file("Adresar");
        long read = 0;
        const double scan = seconds([&] {
            for (int rc = adresar.setFile(); rc == 0 && adresar.next() == 0;)
                ++read;
        });
        std::printf("%-40s %8.3f s %8.2f us/firm\n", "reference: read every firm", scan,
                    scan * 1e6 / double(read));
        const auto run = [&](const char* what, const std::function<selections::Outcome()>& op) {
            selections::Outcome out;
            const double t = seconds([&] { out = op(); });
            const bool met = t < 2.0;
            missed += met ? 0 : 1;
            std::printf(
                "%-40s %8.3f s %8.2f us/firm  x%5.1f of the read  rows %ld  goal < 2 s: %s\n", what,
                t, t * 1e6 / double(firms), t / scan, out.rows, met ? "met" : "MISSED");
        };
        run("Vyber vsechny (add all)", [&] { return sel.addAll(quiet); });
        run("remove by MESTO = 'Praha'",
            [&] { return sel.removeByCondition("MESTO = 'Praha'", "", quiet); });
        run("add by MESTO = 'Praha'",
            [&] { return sel.addByCondition("MESTO = 'Praha'", "", quiet); });
        run("remove by P1 = 1", [&] { return sel.removeByCondition("P1 = 1", "", quiet); });
        (void)sel.addAll(quiet);
    }
    // Exchange: the whole selection to an export file, and that file into an empty book.
    {
        exchange::ExportOptions o;
        o.file = (dir / "x.ems").string();
        exchange::ExportCounts counts;
        const double t = seconds([&] {
            exchange::Exporter e(s, o);
            while (e.next()) {
            }
            counts = e.finish();
        });
        std::printf("%-40s %8.3f s %8.2f us/firm  firms %ld persons %ld meetings %ld\n",
                    "export (native file)", t, t * 1e6 / double(firms), counts.firms,
                    counts.persons, counts.meetings);
    }
    {
        access::Database other;
        access::registerStandardDrivers(other);
        const auto book = dir / "book";
        std::filesystem::create_directories(book);
        other.setDataPrefix(book.string() + "/");
        services::ProcedureServices os{other, messages, {}};
        exchange::ImportCounts counts;
        const double t = seconds([&] {
            exchange::Importer i(os, (dir / "x.ems").string(), exchange::ImportMode::Never);
            while (i.next()) {
            }
            counts = i.finish();
        });
        std::printf("%-40s %8.3f s %8.2f us/firm  added %ld persons %ld meetings %ld\n",
                    "import into an empty book", t, t * 1e6 / double(firms), counts.added,
                    counts.persons, counts.meetings);
    }
    {
        records::NoClearingProgress quiet;
        records::ClearingOutcome out;
        const double t = seconds([&] { out = records::clearCategory(s, 1, quiet); });
        std::printf("%-40s %8.3f s %8.2f us/firm  firms %ld%s\n",
                    "clear category 1 (one transaction)", t, t * 1e6 / double(firms), out.firms,
                    out.result == records::ClearingResult::Cleared ? "" : "  NOT CLEARED");
    }
    // The text formats: vCards and CSV of the whole selection.
    for (const auto& [format, name, what] :
         {std::tuple{exchange::ExportFormat::Vcard, "x.vcf", "export (vCard)"},
          std::tuple{exchange::ExportFormat::Csv, "x.csv", "export (CSV, firms and persons)"}}) {
        exchange::ExportOptions o;
        o.format = format;
        o.file = (dir / name).string();
        exchange::ExportCounts counts;
        const double t = seconds([&] {
            exchange::Exporter e(s, o);
            while (e.next()) {
            }
            counts = e.finish();
        });
        std::printf("%-40s %8.3f s %8.2f us/firm  firms %ld persons %ld  %.1f MB\n", what, t,
                    t * 1e6 / double(firms), counts.firms, counts.persons,
                    double(std::filesystem::file_size(dir / name)) / 1e6);
    }
    {
        access::Database other;
        access::registerStandardDrivers(other);
        const auto book = dir / "csvbook";
        std::filesystem::create_directories(book);
        other.setDataPrefix(book.string() + "/");
        services::ProcedureServices os{other, messages, {}};
        exchange::ImportCounts counts;
        const double t = seconds([&] {
            const auto preview = exchange::readCsvPreview((dir / "x.csv").string(), 1);
            exchange::CsvMapping m;
            m.format = preview.format;
            m.targets = preview.suggested;
            exchange::CsvImporter i(os, (dir / "x.csv").string(), m, exchange::ImportMode::Never);
            while (i.next()) {
            }
            counts = i.finish();
        });
        std::printf("%-40s %8.3f s %8.2f us/firm  added %ld\n", "CSV import into an empty book", t,
                    t * 1e6 / double(firms), counts.added);
    }
    {
        auto& adresar = db.file("Adresar");
        if (services::standardOpen(s, adresar) != services::OpenOutcome::Opened) return 1;
        std::size_t pairs = 0;
        const double t = seconds([&] { pairs = records::findDuplicates(adresar).size(); });
        services::standardRelease(adresar);
        std::printf("%-40s %8.3f s %8.2f us/firm  pairs %zu\n",
                    "duplicate firms (Hledat duplicity)", t, t * 1e6 / double(firms), pairs);
    }
    std::printf("goals missed: %d of 5\n", missed);
    std::filesystem::remove_all(dir);
    return 0;
}
