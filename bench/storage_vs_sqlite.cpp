// One workload on our data files and on SQLite, on the same generated firms, in
// the same run: every phase runs on each store in turn before the next phase
// starts. Ours goes through the record access services with the firm file's real
// layout and its three keys, opened shared as the program opens it. SQLite keeps
// one table of the same 776-byte records (number, name and town as columns for
// its indexes, the record as a blob), once with journal mode DELETE and once with
// WAL, both with synchronous FULL (every commit reaches the disk, as ours does).
//
// Prints each phase's time per operation and the ratio SQLite / ours (above 1:
// ours is faster), and the goal each ratio is held against.
//
// Usage: storage_vs_sqlite [firms] [--dir=DIR] [--only=ours|delete|wal] [--keep]
//   firms  firms added in phase 1 (default 100000)
//   --dir  where the stores are made (default a new directory under /tmp)
//   --only run one store (for profiling); no ratios are printed
//   --ops  at most M operations in phases 2, 4, 5 and 6 (for profiling)
//   --keep leave the stores on disk
#include "app/shell/access/database.h"
#include "app/shell/access/standard_drivers.h"
#include "app/shell/dictionary/records.h"
#include "storage/native_file.h"
#include "storage/runtime_error.h"

#include <sqlite3.h>
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <string_view>
#include <vector>

using namespace zv;
namespace fs = std::filesystem;

namespace {

// Operations of phases 2, 4, 5 and 6; --ops lowers them for profiling.
int kSingleAdds = 2000;
int kRandomReads = 100000;
int kBrowsePages = 10000;
constexpr int kPageRows = 20;
int kTownChanges = 10000;
constexpr int kLockSeconds = 10;

[[noreturn]] void fail(const std::string& what) {
    std::fprintf(stderr, "storage_vs_sqlite: %s\n", what.c_str());
    std::exit(1);
}

// ---------------------------------------------------------------------------
// The generated firms (ASCII text, so both stores agree on letter case).

struct Firm {
    std::int32_t id = 0;
    std::string firma, ulice, psc, mesto, ico, dic, tf1, jmeno1;
    std::uint8_t category = 0;
    std::int32_t inserted = 0;
};

const char* const kSyllables[] = {"ka", "ro", "mi", "ta", "le", "no", "va", "se", "pu", "di",
                                  "br", "ko", "ze", "la", "ch", "st", "pa", "ne", "hu", "mo"};
const char* const kWords[] = {"Stavby", "Kovo",   "Agro",   "Elektro", "Auto", "Servis",
                              "Drevo",  "Textil", "Obchod", "Tisk",    "Bau",  "Trans"};
const char* const kForms[] = {" s.r.o.", " a.s.", " spol. s r.o.", " v.o.s.", "", ""};
const char* const kTowns[] = {"Praha",
                              "Brno",
                              "Ostrava",
                              "Plzen",
                              "Liberec",
                              "Olomouc",
                              "Usti nad Labem",
                              "Hradec Kralove",
                              "Ceske Budejovice",
                              "Pardubice",
                              "Zlin",
                              "Havirov",
                              "Kladno",
                              "Most",
                              "Opava",
                              "Frydek-Mistek",
                              "Karvina",
                              "Jihlava",
                              "Teplice",
                              "Decin",
                              "Karlovy Vary",
                              "Chomutov",
                              "Jablonec",
                              "Mlada Boleslav",
                              "Prostejov",
                              "Prerov",
                              "Ceska Lipa",
                              "Trebic",
                              "Trinec",
                              "Tabor",
                              "Znojmo",
                              "Pribram",
                              "Cheb",
                              "Kolin",
                              "Trutnov",
                              "Pisek",
                              "Kromeriz",
                              "Orlova",
                              "Vsetin",
                              "Sumperk",
                              "Uherske Hradiste",
                              "Breclav",
                              "Hodonin",
                              "Litvinov",
                              "Novy Jicin",
                              "Chrudim",
                              "Havlickuv Brod",
                              "Krnov"};
const char* const kFirstNames[] = {"Jan",   "Petr",  "Jana",  "Eva",
                                   "Pavel", "Marie", "Tomas", "Lucie"};
const char* const kSurnames[] = {"Novak",  "Svoboda", "Dvorak", "Cerny",   "Prochazka", "Kucera",
                                 "Vesely", "Horak",   "Nemec",  "Pokorny", "Marek",     "Pospisil"};
constexpr int kTownCount = static_cast<int>(sizeof kTowns / sizeof kTowns[0]);

std::string upper(std::string_view s) {
    std::string u(s);
    for (char& c : u)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return u;
}

std::string nameKey(const std::string& firma, const std::string& mesto) {
    return upper(firma) + '\x01' + upper(mesto);
}

class Generator {
public:
    explicit Generator(std::uint32_t seed) : rng_(seed) {}
    std::uint32_t below(std::uint32_t n) { return rng_() % n; }

    std::string town() {
        // Half the firms sit in the ten largest towns.
        return kTowns[below(2) ? below(10) : below(kTownCount)];
    }

    Firm firm(std::int32_t id, std::set<std::string>& names) {
        Firm f;
        f.id = id;
        do {
            std::string core;
            const int syllables = 2 + static_cast<int>(below(3));
            for (int k = 0; k < syllables; ++k)
                core += kSyllables[below(20)];
            core[0] = static_cast<char>(core[0] - 'a' + 'A');
            f.firma = below(3) == 0 ? std::string(kWords[below(12)]) + " " + core : core;
            f.firma += kForms[below(6)];
            f.mesto = town();
        } while (!names.insert(nameKey(f.firma, f.mesto)).second);
        f.ulice = std::string(kSurnames[below(12)]) + "ova " + std::to_string(1 + below(200));
        f.psc = std::to_string(100 + below(700)) + " " + std::to_string(10 + below(90));
        f.ico = std::to_string(10000000 + below(89999999));
        f.dic = "CZ" + f.ico;
        f.tf1 = "+420 " + std::to_string(200000000 + below(700000000));
        f.jmeno1 = std::string(kFirstNames[below(8)]) + " " + kSurnames[below(12)];
        f.category = static_cast<std::uint8_t>(below(4));
        f.inserted = 75000 + static_cast<std::int32_t>(below(3000));
        return f;
    }

private:
    std::mt19937 rng_;
};

void fillRecord(rec::AdresarRecord& r, const Firm& f) {
    r.ID.set(f.id);
    r.FIRMA.set(f.firma);
    r.ULICE.set(f.ulice);
    r.PSC.set(f.psc);
    r.MESTO.set(f.mesto);
    r.STAT.set("Ceska republika");
    r.ICO.set(f.ico);
    r.DIC.set(f.dic);
    r.P1.set(f.category);
    r.P1TXT.set(f.category ? "Odberatel" : "Dodavatel");
    r.VLOZIL.set("Bench");
    r.DT_VLOZENI.set(f.inserted);
    r.TF1.set(f.tf1);
    r.JMENO1.set(f.jmeno1);
}

// Everything a run does, decided before any store is touched.
struct Workload {
    std::vector<Firm> batch;             // phase 1
    std::vector<Firm> singles;           // phase 2
    std::vector<std::int32_t> readIds;   // phase 4
    std::vector<std::string> prefixes;   // phase 5
    std::vector<Firm> changed;           // phase 6: the firms with their new towns
    std::vector<std::int32_t> deleteIds; // phase 7 (every firm)
};

Workload makeWorkload(int firms) {
    Workload w;
    Generator g(20261208);
    std::set<std::string> names;
    for (int i = 1; i <= firms; ++i)
        w.batch.push_back(g.firm(i, names));
    for (int i = 0; i < kSingleAdds; ++i)
        w.singles.push_back(g.firm(firms + 1 + i, names));
    std::vector<const Firm*> all;
    for (const auto& f : w.batch)
        all.push_back(&f);
    for (const auto& f : w.singles)
        all.push_back(&f);
    for (int i = 0; i < kRandomReads; ++i)
        w.readIds.push_back(all[g.below(static_cast<std::uint32_t>(all.size()))]->id);
    for (int i = 0; i < kBrowsePages; ++i) {
        std::string p(2, 'A');
        p[0] = static_cast<char>('A' + g.below(26));
        p[1] = static_cast<char>('a' + g.below(26));
        w.prefixes.push_back(p);
    }
    // Distinct firms, each moved to a town where no firm of its name is yet.
    std::vector<const Firm*> order = all;
    for (std::size_t i = order.size(); i > 1; --i)
        std::swap(order[i - 1], order[g.below(static_cast<std::uint32_t>(i))]);
    for (const Firm* f : order) {
        if (static_cast<int>(w.changed.size()) == kTownChanges) break;
        Firm moved = *f;
        moved.mesto = g.town();
        if (moved.mesto == f->mesto || !names.insert(nameKey(moved.firma, moved.mesto)).second)
            continue;
        names.erase(nameKey(f->firma, f->mesto));
        w.changed.push_back(moved);
    }
    for (const Firm* f : all)
        w.deleteIds.push_back(f->id);
    return w;
}

// ---------------------------------------------------------------------------
// The stores.

class Store {
public:
    virtual ~Store() = default;
    virtual std::string name() const = 0;
    virtual void addBatch(const std::vector<Firm>& firms) = 0;
    virtual void addSingles(const std::vector<Firm>& firms) = 0;
    virtual long readInNameOrder() = 0; // returns the firms read
    virtual void readByNumber(const std::vector<std::int32_t>& ids) = 0;
    virtual long browse(const std::vector<std::string>& prefixes) = 0; // returns rows read
    virtual void changeTowns(const std::vector<Firm>& changed) = 0;
    virtual void deleteAll(const std::vector<std::int32_t>& ids) = 0;
    virtual std::uintmax_t bytesOnDisk() = 0;
    // Why the last phase could not finish (empty: it finished).
    std::string failure;
};

std::uintmax_t directoryBytes(const fs::path& dir) {
    std::uintmax_t total = 0;
    for (const auto& e : fs::directory_iterator(dir))
        if (e.is_regular_file()) total += e.file_size();
    return total;
}

// The engine's report of an internal fault, kept instead of ending the process.
std::string engineError;

class OurStore : public Store {
public:
    explicit OurStore(const fs::path& dir) : dir_(dir) {
        access::registerStandardDrivers(db_);
        db_.setDataPrefix(dir.string() + "/");
        adr_ = &db_.file("Adresar");
        check(adr_->create(), "create the firm file");
        check(adr_->open(access::kOpenShared), "open the firm file");
        byId_ = adr_->keyNumber("ADR:BYID");
        byFirma_ = adr_->keyNumber("ADR:BYFIRMA");
        if (byId_ < 0 || byFirma_ < 0 || adr_->keyNumber("ADR:BYMESTO") < 0)
            fail("the firm file lacks its keys");
    }
    ~OurStore() override { (void)adr_->close(); }

    std::string name() const override { return "ours"; }

    void addBatch(const std::vector<Firm>& firms) override {
        check(db_.beginTransaction(kLockSeconds, {adr_}), "begin");
        for (const Firm& f : firms)
            add(f);
        check(db_.commit(), "commit");
    }
    void addSingles(const std::vector<Firm>& firms) override {
        for (const Firm& f : firms)
            add(f);
    }
    long readInNameOrder() override {
        long n = 0;
        check(adr_->setKey(byFirma_), "set the name order");
        while (adr_->next() == 0)
            ++n;
        endOfData();
        return n;
    }
    void readByNumber(const std::vector<std::int32_t>& ids) override {
        for (std::int32_t id : ids)
            fetch(id);
    }
    long browse(const std::vector<std::string>& prefixes) override {
        long rows = 0;
        auto& r = adr_->as<rec::AdresarRecord>();
        for (const std::string& p : prefixes) {
            r.FIRMA.set(p);
            r.MESTO.set("");
            check(adr_->setKeyValue(byFirma_), "position by name");
            for (int i = 0; i < kPageRows && adr_->next() == 0; ++i)
                ++rows;
        }
        return rows;
    }
    void changeTowns(const std::vector<Firm>& changed) override {
        check(db_.beginTransaction(kLockSeconds, {adr_}), "begin");
        for (const Firm& f : changed) {
            fetch(f.id);
            adr_->as<rec::AdresarRecord>().MESTO.set(f.mesto);
            check(adr_->put(), "change a firm");
        }
        check(db_.commit(), "commit");
    }
    void deleteAll(const std::vector<std::int32_t>& ids) override {
        check(db_.beginTransaction(kLockSeconds, {adr_}), "begin");
        // A failure here is reported in the table; the store is not used afterwards.
        const auto stop = [&](const char* what) {
            failure = std::string(what) + ": error " + std::to_string(db_.errorCode()) + " " +
                      db_.error().text + " " + db_.error().driverText + engineError;
            (void)db_.rollback();
        };
        for (std::size_t i = 0; i < ids.size(); ++i) {
            fetch(ids[i]);
            if (adr_->remove() != 0) {
                stop("delete a firm");
                failure = "after " + std::to_string(i) + " deletes: " + failure;
                return;
            }
        }
        if (db_.commit() != 0) return stop("commit");
        if (adr_->records() != 0) fail("firms left after deleting every firm");
    }
    std::uintmax_t bytesOnDisk() override { return directoryBytes(dir_); }

private:
    void check(int code, const char* what) {
        if (code != 0)
            fail(std::string("ours: cannot ") + what + ": error " + std::to_string(code) + " " +
                 db_.error().text + " " + db_.error().driverText);
    }
    void endOfData() {
        if (db_.errorCode() != access::kRecordNotAvailable) check(db_.errorCode(), "read");
    }
    void add(const Firm& f) {
        adr_->clearBuffer();
        fillRecord(adr_->as<rec::AdresarRecord>(), f);
        check(adr_->add(), "add a firm");
    }
    void fetch(std::int32_t id) {
        auto& r = adr_->as<rec::AdresarRecord>();
        r.ID.set(id);
        check(adr_->setKeyValue(byId_), "position by number");
        check(adr_->next(), "read a firm");
        if (r.ID.get() != id) fail("ours: firm " + std::to_string(id) + " not found");
    }

    fs::path dir_;
    access::Database db_;
    access::RecordFile* adr_ = nullptr;
    int byId_ = -1;
    int byFirma_ = -1;
};

class SqliteStore : public Store {
public:
    // blank: the firm record with every field blank, as the record buffer is
    // cleared before a firm is filled in.
    SqliteStore(const fs::path& dir, bool wal, std::vector<std::uint8_t> blank)
        : wal_(wal), path_(dir / "firms.db"), blank_(std::move(blank)), record_(blank_) {
        if (sqlite3_open(path_.c_str(), &db_) != SQLITE_OK)
            fail("sqlite: cannot open " + path_.string());
        exec(wal ? "PRAGMA journal_mode=WAL" : "PRAGMA journal_mode=DELETE");
        exec("PRAGMA synchronous=FULL");
        exec("CREATE TABLE firms(id INTEGER NOT NULL, firma TEXT COLLATE NOCASE NOT NULL,"
             " mesto TEXT COLLATE NOCASE NOT NULL, rec BLOB NOT NULL)");
        exec("CREATE UNIQUE INDEX firms_id ON firms(id)");
        exec("CREATE UNIQUE INDEX firms_name ON firms(firma, mesto)");
        exec("CREATE INDEX firms_town ON firms(mesto)");
        insert_ = prepare("INSERT INTO firms(id, firma, mesto, rec) VALUES(?1, ?2, ?3, ?4)");
        byNumber_ = prepare("SELECT rec FROM firms WHERE id = ?1");
        nameOrder_ = prepare("SELECT rec FROM firms ORDER BY firma, mesto");
        page_ = prepare("SELECT rec FROM firms WHERE firma >= ?1 ORDER BY firma, mesto LIMIT ?2");
        changeTown_ = prepare("UPDATE firms SET mesto = ?2, rec = ?3 WHERE id = ?1");
        delete_ = prepare("DELETE FROM firms WHERE id = ?1");
    }
    ~SqliteStore() override {
        for (sqlite3_stmt* s : {insert_, byNumber_, nameOrder_, page_, changeTown_, delete_})
            sqlite3_finalize(s);
        sqlite3_close(db_);
    }

    std::string name() const override { return wal_ ? "SQLite WAL" : "SQLite DELETE"; }

    void addBatch(const std::vector<Firm>& firms) override {
        exec("BEGIN");
        for (const Firm& f : firms)
            add(f);
        exec("COMMIT");
    }
    void addSingles(const std::vector<Firm>& firms) override {
        for (const Firm& f : firms)
            add(f);
    }
    long readInNameOrder() override {
        long n = 0;
        while (step(nameOrder_) == SQLITE_ROW) {
            touch(nameOrder_);
            ++n;
        }
        sqlite3_reset(nameOrder_);
        return n;
    }
    void readByNumber(const std::vector<std::int32_t>& ids) override {
        for (std::int32_t id : ids) {
            sqlite3_bind_int(byNumber_, 1, id);
            if (step(byNumber_) != SQLITE_ROW)
                fail("sqlite: firm " + std::to_string(id) + " not found");
            touch(byNumber_);
            sqlite3_reset(byNumber_);
        }
    }
    long browse(const std::vector<std::string>& prefixes) override {
        long rows = 0;
        for (const std::string& p : prefixes) {
            sqlite3_bind_text(page_, 1, p.data(), static_cast<int>(p.size()), SQLITE_STATIC);
            sqlite3_bind_int(page_, 2, kPageRows);
            while (step(page_) == SQLITE_ROW) {
                touch(page_);
                ++rows;
            }
            sqlite3_reset(page_);
        }
        return rows;
    }
    void changeTowns(const std::vector<Firm>& changed) override {
        exec("BEGIN");
        for (const Firm& f : changed) {
            fill(f);
            sqlite3_bind_int(changeTown_, 1, f.id);
            sqlite3_bind_text(changeTown_, 2, f.mesto.data(), static_cast<int>(f.mesto.size()),
                              SQLITE_STATIC);
            sqlite3_bind_blob(changeTown_, 3, record_.data(), static_cast<int>(record_.size()),
                              SQLITE_STATIC);
            done(changeTown_);
            if (sqlite3_changes(db_) != 1)
                fail("sqlite: firm " + std::to_string(f.id) + " not changed");
        }
        exec("COMMIT");
    }
    void deleteAll(const std::vector<std::int32_t>& ids) override {
        exec("BEGIN");
        for (std::int32_t id : ids) {
            sqlite3_bind_int(delete_, 1, id);
            done(delete_);
        }
        exec("COMMIT");
    }
    std::uintmax_t bytesOnDisk() override {
        if (wal_) exec("PRAGMA wal_checkpoint(TRUNCATE)");
        std::uintmax_t total = fs::file_size(path_);
        const fs::path wal = path_.string() + "-wal";
        if (fs::exists(wal)) total += fs::file_size(wal);
        return total;
    }

private:
    void exec(const char* sql) {
        char* message = nullptr;
        if (sqlite3_exec(db_, sql, nullptr, nullptr, &message) != SQLITE_OK) {
            const std::string text = message ? message : "?";
            sqlite3_free(message);
            fail(std::string("sqlite: ") + sql + ": " + text);
        }
    }
    sqlite3_stmt* prepare(const char* sql) {
        sqlite3_stmt* s = nullptr;
        if (sqlite3_prepare_v2(db_, sql, -1, &s, nullptr) != SQLITE_OK)
            fail(std::string("sqlite: ") + sql + ": " + sqlite3_errmsg(db_));
        return s;
    }
    int step(sqlite3_stmt* s) {
        const int rc = sqlite3_step(s);
        if (rc != SQLITE_ROW && rc != SQLITE_DONE)
            fail(std::string("sqlite: ") + sqlite3_errmsg(db_));
        return rc;
    }
    void done(sqlite3_stmt* s) {
        step(s);
        sqlite3_reset(s);
    }
    // Copies the row's record out, as ours copies it into the record buffer.
    void touch(sqlite3_stmt* s) {
        const void* blob = sqlite3_column_blob(s, 0);
        const int n = sqlite3_column_bytes(s, 0);
        if (blob && n == static_cast<int>(record_.size()))
            std::memcpy(record_.data(), blob, record_.size());
    }
    void fill(const Firm& f) {
        record_ = blank_;
        fillRecord(*reinterpret_cast<rec::AdresarRecord*>(record_.data()), f);
    }
    void add(const Firm& f) {
        fill(f);
        sqlite3_bind_int(insert_, 1, f.id);
        sqlite3_bind_text(insert_, 2, f.firma.data(), static_cast<int>(f.firma.size()),
                          SQLITE_STATIC);
        sqlite3_bind_text(insert_, 3, f.mesto.data(), static_cast<int>(f.mesto.size()),
                          SQLITE_STATIC);
        sqlite3_bind_blob(insert_, 4, record_.data(), static_cast<int>(record_.size()),
                          SQLITE_STATIC);
        done(insert_);
    }

    bool wal_;
    fs::path path_;
    sqlite3* db_ = nullptr;
    std::vector<std::uint8_t> blank_;
    std::vector<std::uint8_t> record_;
    sqlite3_stmt* insert_ = nullptr;
    sqlite3_stmt* byNumber_ = nullptr;
    sqlite3_stmt* nameOrder_ = nullptr;
    sqlite3_stmt* page_ = nullptr;
    sqlite3_stmt* changeTown_ = nullptr;
    sqlite3_stmt* delete_ = nullptr;
};

// The firm record as the record buffer holds it after clearing.
std::vector<std::uint8_t> blankFirmRecord() {
    access::Database db;
    auto& adr = db.file("Adresar");
    adr.clearBuffer();
    return {adr.record(), adr.record() + adr.recordSize()};
}

double seconds(const std::function<void()>& f) {
    const auto t0 = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

struct Phase {
    const char* title;
    const char* goal;          // text of the goal
    double delGoal;            // least ratio against SQLite DELETE (0: none)
    double walGoal;            // least ratio against SQLite WAL (0: none)
    double oursAtMost = 0;     // most value of ours (0: none)
    double overDelAtMost = 0;  // most value of ours above SQLite DELETE's (0: none)
    std::vector<double> value; // per store: microseconds per operation, or bytes per firm
};

} // namespace

int main(int argc, char** argv) {
    int firms = 100000;
    std::string dirArg, only;
    bool keep = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view a = argv[i];
        if (a.starts_with("--dir="))
            dirArg = a.substr(6);
        else if (a.starts_with("--only="))
            only = a.substr(7);
        else if (a.starts_with("--ops=")) {
            const int ops = std::max(1, std::atoi(argv[i] + 6));
            for (int* count : {&kSingleAdds, &kRandomReads, &kBrowsePages, &kTownChanges})
                *count = std::min(*count, ops);
        } else if (a == "--keep")
            keep = true;
        else if (!a.empty() && a[0] != '-')
            firms = std::max(1, std::atoi(argv[i]));
        else {
            std::fprintf(stderr, "usage: storage_vs_sqlite [firms] [--dir=DIR] "
                                 "[--only=ours|delete|wal] [--ops=M] [--keep]\n");
            return 2;
        }
    }
    if (!only.empty() && only != "ours" && only != "delete" && only != "wal")
        fail("--only takes ours, delete or wal");

    fs::path dir;
    if (dirArg.empty()) {
        std::string pattern = (fs::temp_directory_path() / "zv_storage_vs_sqlite_XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            fail("cannot make a directory under " + fs::temp_directory_path().string());
        dir = pattern;
    } else {
        dir = dirArg;
        fs::create_directories(dir);
    }
    std::error_code ec;
    for (const char* sub : {"ours", "delete", "wal"}) {
        fs::remove_all(dir / sub, ec);
        fs::create_directories(dir / sub);
    }

    storage::setRuntimeErrorHandler([](const std::string& title, const std::string& text) {
        engineError += " [" + title + ": " + text + "]";
    });
    std::printf("generating %d firms (+%d single adds)...\n", firms, kSingleAdds);
    std::fflush(stdout);
    const Workload w = makeWorkload(firms);
    const long total = firms + kSingleAdds;

    std::vector<std::unique_ptr<Store>> stores;
    if (only.empty() || only == "ours") stores.push_back(std::make_unique<OurStore>(dir / "ours"));
    if (only.empty() || only == "delete")
        stores.push_back(std::make_unique<SqliteStore>(dir / "delete", false, blankFirmRecord()));
    if (only.empty() || only == "wal")
        stores.push_back(std::make_unique<SqliteStore>(dir / "wal", true, blankFirmRecord()));
    const std::size_t n = stores.size();

    std::vector<Phase> phases = {
        {"1 add N firms, one transaction", ">= 2x", 2, 0, 0, 0, {}},
        {"2 add 2,000 firms, each committed", ">= 3x (WAL >= 1x)", 3, 1, 0, 0, {}},
        {"3 read all in name order", ">= 1.5x", 1.5, 0, 0, 0, {}},
        {"4 100,000 random reads by number", ">= 3x", 3, 0, 0, 0, {}},
        {"5 10,000 pages of 20 from a prefix", ">= 4x", 4, 0, 0, 0, {}},
        {"6 change town of 10,000, one trans.", ">= 1.5x", 1.5, 0, 0, 0, {}},
        {"7 delete every firm, one trans.", ">= 1.5x", 1.5, 0, 0, 0, {}},
        {"8 file size after phase 1 (B/firm)", ">= 2.5x (smaller)", 2.5, 0, 0, 0, {}},
        // Ours: the most the page cache held; SQLite: its heap's high-water mark
        // (both connections, caches included).
        {"9 peak store memory (MB)", "<= 32, <= SQLite+40", 0, 0, 32, 40, {}},
    };
    for (auto& p : phases)
        p.value.assign(n, 0);

    // Each phase runs on every store before the next; the first store turns with the phase.
    const auto each = [&](int phase, const std::function<double(Store&)>& run) {
        for (std::size_t k = 0; k < n; ++k) {
            const std::size_t s = (k + static_cast<std::size_t>(phase)) % n;
            phases[phase].value[s] = run(*stores[s]);
            if (!stores[s]->failure.empty()) {
                std::printf("%s failed in phase %d: %s\n", stores[s]->name().c_str(), phase + 1,
                            stores[s]->failure.c_str());
                phases[phase].value[s] = std::nan("");
            }
            std::printf("%s %.2f  ", stores[s]->name().c_str(), phases[phase].value[s]);
        }
        std::printf("(phase %d)\n", phase + 1);
        std::fflush(stdout);
    };
    const double us = 1e6;
    each(0, [&](Store& s) { return seconds([&] { s.addBatch(w.batch); }) * us / firms; });
    each(7, [&](Store& s) { return double(s.bytesOnDisk()) / firms; });
    each(1, [&](Store& s) { return seconds([&] { s.addSingles(w.singles); }) * us / kSingleAdds; });
    each(2, [&](Store& s) {
        long read = 0;
        const double t = seconds([&] { read = s.readInNameOrder(); });
        if (read != total)
            fail(s.name() + ": read " + std::to_string(read) + " firms in name order");
        return t * us / total;
    });
    each(3,
         [&](Store& s) { return seconds([&] { s.readByNumber(w.readIds); }) * us / kRandomReads; });
    std::vector<long> pageRows(n);
    each(4, [&](Store& s) {
        long rows = 0;
        const double t = seconds([&] { rows = s.browse(w.prefixes); });
        for (std::size_t k = 0; k < n; ++k)
            if (stores[k].get() == &s) pageRows[k] = rows;
        return t * us / kBrowsePages;
    });
    for (std::size_t k = 1; k < n; ++k)
        if (pageRows[k] != pageRows[0])
            fail("the stores read different numbers of rows in phase 5");
    each(5, [&](Store& s) {
        return seconds([&] { s.changeTowns(w.changed); }) * us / double(w.changed.size());
    });
    each(6,
         [&](Store& s) { return seconds([&] { s.deleteAll(w.deleteIds); }) * us / double(total); });
    each(8, [&](Store& s) {
        const double mb = 1024.0 * 1024.0;
        return s.name() == "ours" ? double(storage::NativeFile::cachePeakBytes()) / mb
                                  : double(sqlite3_memory_highwater(0)) / mb;
    });

    std::printf("\n%d firms (+%d), directory %s\n", firms, kSingleAdds, dir.c_str());
    std::printf("times in microseconds per operation (phase 5: per page), phase 8 in bytes "
                "per firm;\nratio = SQLite / ours (above 1: ours is faster or smaller)\n\n");
    std::printf("%-38s", "phase");
    for (const auto& s : stores)
        std::printf(" %13s", s->name().c_str());
    const bool full = n == 3;
    if (full) std::printf(" %8s %8s  %-20s %s", "x DELETE", "x WAL", "goal", "met");
    std::printf("\n");
    int missed = 0;
    for (const Phase& p : phases) {
        std::printf("%-38s", p.title);
        for (double v : p.value)
            std::printf(" %13.2f", v);
        if (full) {
            const double del = p.value[1] / p.value[0];
            const double wal = p.value[2] / p.value[0];
            // A failed phase (not a number) meets no goal.
            const bool met = del >= p.delGoal && (p.walGoal == 0 || wal >= p.walGoal) &&
                             (p.oursAtMost == 0 || p.value[0] <= p.oursAtMost) &&
                             (p.overDelAtMost == 0 || p.value[0] <= p.value[1] + p.overDelAtMost);
            missed += met ? 0 : 1;
            std::printf(" %8.2f %8.2f  %-20s %s", del, wal, p.goal, met ? "yes" : "NO");
        }
        std::printf("\n");
    }
    if (full) std::printf("\ngoals missed: %d of %zu\n", missed, phases.size());
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("peak memory of the process: %.1f MB\n", double(usage.ru_maxrss) / 1024);
    stores.clear();
    if (!keep && dirArg.empty()) fs::remove_all(dir, ec);
    return 0;
}
