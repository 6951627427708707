// Engine time of the firm list over N firms: opening the list, one page down,
// jumping to the end, locating by three typed letters and by plain letters
// that must find a name with accents ("cerm" for "Čermák"); plus what the
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
#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <vector>

using namespace zv;

namespace {

// Passes every operation to the data files' driver and counts the reads and
// positionings, which are what the engine's time is made of whatever the driver.
class CountingDriver : public storage::Driver {
public:
    explicit CountingDriver(storage::Driver& inner) : inner_(inner) {}
    std::string name() const override { return inner_.name(); }
    std::string description() const override { return inner_.description(); }
    storage::DriverLimits limits() const override { return inner_.limits(); }
    bool supports(storage::DriverOp op) const override { return inner_.supports(op); }
    int dispatch(storage::DriverOp op, storage::ControlBlock& cb) override {
        using storage::DriverOp;
        if (op == DriverOp::Next || op == DriverOp::Previous) ++reads;
        if (op == DriverOp::SetKeyStart || op == DriverOp::SetKeyEnd ||
            op == DriverOp::SetKeyValue || op == DriverOp::SetKeyValueBack ||
            op == DriverOp::SetKeyValueRecord || op == DriverOp::SetRecordNumber)
            ++positionings;
        return inner_.dispatch(op, cb);
    }
    long reads = 0;
    long positionings = 0;

private:
    storage::Driver& inner_;
};

// The program's drivers; while none of them serves the data files ("QUARTO")
// the in-memory driver stands in. Returns the counting wrapper registered for them.
CountingDriver& registerDriver(access::Database& db) {
    access::Database probe;
    access::registerStandardDrivers(probe);
    static access::testing::MemoryDriver memory;
    static CountingDriver counting(probe.driver("QUARTO") ? *probe.driver("QUARTO") : memory);
    db.registerDriver(counting);
    return counting;
}

struct Figure {
    double ms;    // median time
    double reads; // driver reads per run
    double moves; // driver positionings per run
};

// Runs setup (not measured) and f repeats times.
Figure measure(CountingDriver& counter, const std::function<void()>& setup,
               const std::function<void()>& f, int repeats) {
    long reads = 0, moves = 0;
    Figure fig{0, 0, 0};
    std::vector<double> times;
    for (int i = 0; i < repeats; ++i) {
        setup();
        const long r0 = counter.reads, p0 = counter.positionings;
        const auto t0 = std::chrono::steady_clock::now();
        f();
        reads += counter.reads - r0;
        moves += counter.positionings - p0;
        times.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0)
                .count());
    }
    std::sort(times.begin(), times.end());
    fig.ms = times[times.size() / 2];
    fig.reads = double(reads) / repeats;
    fig.moves = double(moves) / repeats;
    return fig;
}

} // namespace

int main(int argc, char** argv) {
    const int firms = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3000;
    const int repeats = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
    // The firm file goes to a directory of its own, removed at the end.
    std::string dir = (std::filesystem::temp_directory_path() / "zv_browse_bench_XXXXXX").string();
    if (!mkdtemp(dir.data())) {
        std::fprintf(stderr, "cannot make a directory under /tmp\n");
        return 1;
    }
    struct RemoveDir {
        std::string path;
        ~RemoveDir() {
            std::error_code ec;
            std::filesystem::remove_all(path, ec);
        }
    } removeDir{dir};
    access::Database db;
    db.setDataPrefix(dir + "/");
    CountingDriver& counter = registerDriver(db);
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
    // The one name a locator reaches only through the accents of its letters.
    adr.clearBuffer();
    adr.as<rec::AdresarRecord>().ID.set(firms + 1);
    adr.as<rec::AdresarRecord>().FIRMA.set("\xC8"
                                           "erm\xE1k a syn"); // Čermák
    (void)adr.add();
    (void)adr.flush();
    const int page = 25;
    std::printf("driver %s, %d firms, page of %d rows, median of %d runs\n",
                db.driver("QUARTO") ? db.driver("QUARTO")->description().c_str() : "?", firms, page,
                repeats);

    const auto none = [] {};
    const Figure open = measure(
        counter, none,
        [&] {
            records::BrowseEngine b(s, records::adresarBrowse(), page);
            (void)b.open();
            b.setOrder(1);
        },
        repeats);
    records::BrowseEngine b(s, records::adresarBrowse(), page);
    (void)b.open();
    b.setOrder(1);
    const Figure pageDown = measure(
        counter, [&] { b.top(); }, [&] { b.pageDown(); }, repeats);
    const Figure end = measure(
        counter, [&] { b.top(); }, [&] { b.bottom(); }, repeats);
    const Figure locate = measure(
        counter, [&] { b.top(); },
        [&] {
            b.typeCharacter('m');
            b.typeCharacter('i');
            b.typeCharacter('t');
        },
        repeats);
    const auto typed = [&](const char* text) {
        for (const char* c = text; *c; ++c)
            b.typeCharacter(*c);
    };
    const Figure plain = measure(
        counter, [&] { b.top(); }, [&] { typed("cerm"); }, repeats);
    const Figure nowhere = measure(
        counter, [&] { b.top(); }, [&] { typed("qxz"); }, repeats);
    std::size_t held = 0;
    for (const auto& row : b.rows()) {
        held += row.record.size() + row.position.keyBytes.size();
        for (const auto& c : row.cells)
            held += c.size();
    }
    const auto show = [](const char* what, const Figure& f) {
        std::printf("%-22s %9.3f ms  %6.1f reads  %5.1f positionings\n", what, f.ms, f.reads,
                    f.moves);
    };
    show("open the firm list", open);
    show("page down", pageDown);
    show("jump to the end", end);
    show("three-letter locator", locate);
    show("\"cerm\" (accents found)", plain);
    show("\"qxz\" finds nothing", nowhere);
    std::printf("rows held %zu, bytes held by the page %zu\n", b.rows().size(), held);
    return 0;
}
