// Engine time of the firm list over N firms: opening the list, one page down,
// jumping to the end, and locating by three typed letters; plus what the
// engine holds (one page, whatever N). Runs against the driver registered as
// "QUARTO" below. Usage: browse_bench [firms] [repeats]
#include "app/records/browse/browse_engine.h"
#include "app/records/kinds/address_book.h"
#include "app/shell/access/standard_drivers.h"
#include "app/shell/access/testing/memory_driver.h"
#include "app/shell/dictionary/records.h"
#include "app/shell/services/standard_open.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <random>
#include <string>
#include <vector>

using namespace zv;

namespace {

// The program's drivers; while none of them serves the data files ("QUARTO")
// the in-memory driver stands in.
void registerDriver(access::Database& db) {
    access::registerStandardDrivers(db);
    if (db.driver("QUARTO")) return;
    static access::testing::MemoryDriver memory;
    db.registerDriver(memory);
}

double millis(const std::function<void()>& f, int repeats) {
    std::vector<double> times;
    for (int i = 0; i < repeats; ++i) {
        const auto t0 = std::chrono::steady_clock::now();
        f();
        times.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0)
                .count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2]; // median
}

} // namespace

int main(int argc, char** argv) {
    const int firms = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3000;
    const int repeats = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
    access::Database db;
    registerDriver(db);
    services::ScriptedMessages messages;
    services::ProcedureServices s{db, messages, {}};
    auto& adr = db.file("Adresar");
    if (adr.create() != 0 || services::standardOpen(s, adr) != services::OpenOutcome::Opened) {
        std::fprintf(stderr, "cannot create the firm file\n");
        return 1;
    }
    std::mt19937 rng(1);
    const char* syllables[] = {"ka", "ro", "mi", "ta", "le", "no", "va", "se", "pu", "di"};
    (void)adr.stream();
    for (int i = 1; i <= firms; ++i) {
        std::string name;
        for (int k = 0; k < 4; ++k)
            name += syllables[rng() % 10];
        name[0] = static_cast<char>(name[0] - 'a' + 'A');
        adr.clearBuffer();
        auto& r = adr.as<rec::AdresarRecord>();
        r.ID.set(i);
        r.FIRMA.set(name + " " + std::to_string(i));
        r.MESTO.set("Praha");
        if (adr.add() != 0) {
            std::fprintf(stderr, "cannot add firm %d (error %d)\n", i, db.errorCode());
            return 1;
        }
    }
    (void)adr.flush();
    const int page = 25;
    std::printf("driver %s, %d firms, page of %d rows, median of %d runs\n",
                db.driver("QUARTO") ? db.driver("QUARTO")->description().c_str() : "?", firms, page,
                repeats);

    const double open = millis(
        [&] {
            records::BrowseEngine b(s, records::adresarBrowse(), page);
            (void)b.open();
            b.setOrder(1);
        },
        repeats);
    records::BrowseEngine b(s, records::adresarBrowse(), page);
    (void)b.open();
    b.setOrder(1);
    const double pageDown = millis([&] { b.pageDown(); }, repeats);
    const double end = millis([&] { b.bottom(); }, repeats);
    const double locate = millis(
        [&] {
            b.top();
            b.typeCharacter('m');
            b.typeCharacter('i');
            b.typeCharacter('t');
        },
        repeats);
    std::size_t held = 0;
    for (const auto& row : b.rows()) {
        held += row.record.size() + row.position.keyBytes.size();
        for (const auto& c : row.cells)
            held += c.size();
    }
    std::printf("open the firm list      %8.3f ms\n", open);
    std::printf("page down               %8.3f ms\n", pageDown);
    std::printf("jump to the end         %8.3f ms\n", end);
    std::printf("three-letter locator    %8.3f ms\n", locate);
    std::printf("rows held %zu, bytes held by the page %zu\n", b.rows().size(), held);
    return 0;
}
