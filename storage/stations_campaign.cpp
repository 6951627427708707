// The stations campaign: several processes work on two shared native files at
// once through the native driver — adding, changing and deleting records,
// reading in key order, reopening, and running transactions over both files
// that commit or roll back — each keeping account of what it committed; one
// more station runs transactions and is killed with SIGKILL again and again,
// so that the others meet its interrupted commits (--kills 0: not).
// Afterwards the files must hold exactly the records the stations committed,
// in both key orders, with matching counts and memos; the records of the
// transactions must be in both files or in neither; and every file must pass
// `zevlon-tool check`.
//
//   stations_campaign SECONDS [--stations N] [--seed S] [--tool PATH] [--kills 0|1]
//
// Prints what the stations did and exits 1 on any difference.
#include "platform/codepage.h"
#include "storage/quarto_driver.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace zv::storage {
namespace {

// ID LONG @0, NAME STRING(20) @4; keys BYID (unique) and BYNAME (duplicates,
// case-insensitive); a text memo of 300 bytes.
TableDecl stationDecl() {
    TableDecl d;
    d.recordLength = 24;
    d.fields = {plainField("ST:ID", FieldType::Long, 0, 4),
                plainField("ST:NAME", FieldType::String, 4, 20)};
    d.memos = {MemoDecl{"NOTE", "ST:NOTE", 300, false}};
    d.keys = {KeyDecl{"BYID", "ST:BYID", 0, {{0, false}}},
              KeyDecl{"BYNAME", "ST:BYNAME", kKeyDuplicates | kKeyNoCase, {{1, false}}}};
    d.createAllowed = true;
    return d;
}

struct Row {
    std::string name; // as stored, blank-padded to 20
    std::string note; // as stored, blank-padded to 300
    bool inBoth = false;
};
using Rows = std::map<std::int32_t, Row>;

class Table {
public:
    Table(QuartoDriver& drv, const TableDecl& decl, const std::string& name) : drv_(drv) {
        cb.decl = &decl;
        cb.physicalName = name;
        cb.record = &record;
        cb.memos = &memos;
        record.assign(decl.recordLength, ' ');
        memos.assign(1, std::vector<std::uint8_t>(300, ' '));
    }
    int op(DriverOp o, int key = 0) {
        cb.keyNumber = key;
        int rc = drv_.dispatch(o, cb);
        if (rc && lastError) *lastError = rc;
        return rc;
    }
    void set(std::int32_t id, const std::string& name, const std::string& note) {
        std::memcpy(record.data(), &id, 4);
        std::memset(record.data() + 4, ' ', 20);
        std::memcpy(record.data() + 4, name.data(), std::min<std::size_t>(name.size(), 20));
        memos[0].assign(300, ' ');
        std::memcpy(memos[0].data(), note.data(), std::min<std::size_t>(note.size(), 300));
    }
    std::int32_t id() const {
        std::int32_t v;
        std::memcpy(&v, record.data(), 4);
        return v;
    }
    std::string name() const { return std::string(record.begin() + 4, record.begin() + 24); }
    std::string note() const { return std::string(memos[0].begin(), memos[0].end()); }
    // Positions the record of `id` as current (0) or gives the error.
    int find(std::int32_t id) {
        std::memcpy(record.data(), &id, 4);
        return op(DriverOp::GetByKey, 0);
    }

    ControlBlock cb;
    std::vector<std::uint8_t> record;
    std::vector<std::vector<std::uint8_t>> memos;
    int* lastError = nullptr; // where a failed call leaves its error

private:
    QuartoDriver& drv_;
};

std::string padded(const std::string& s, std::size_t n) {
    std::string out = s.substr(0, n);
    out.resize(n, ' ');
    return out;
}

std::string randomName(std::mt19937& rng) {
    static const char* const kNames[] = {"Agro",    "čolek", "Žlutý kůň", "Beta",  "alfa",
                                         "Šťastný", "Zlín",  "Čáp",       "OMEGA", "Řeka"};
    std::string name = cp1250::fromUtf8(kNames[rng() % 10]);
    name += " " + std::to_string(rng() % 1000);
    return padded(name, 20);
}

std::string randomNote(std::mt19937& rng) {
    std::string note(rng() % 300, ' ');
    for (char& c : note)
        c = static_cast<char>('a' + rng() % 26);
    return padded(note, 300);
}

std::string encodeField(std::string s);
std::string decodeField(std::string s);

struct Counts {
    int adds = 0, changes = 0, deletes = 0, commits = 0, rollbacks = 0, reopens = 0, scans = 0;
};

// One station: works until `deadline`, then writes what it committed to
// `out`. Returns 0, or the step that went wrong (its exit code).
int stationSteps(const std::string& dir, int number, unsigned seed,
                 std::chrono::steady_clock::time_point deadline, const std::string& out,
                 int* lastError);

int station(const std::string& dir, int number, unsigned seed,
            std::chrono::steady_clock::time_point deadline, const std::string& out) {
    int lastError = 0;
    int step = stationSteps(dir, number, seed, deadline, out, &lastError);
    if (step)
        std::fprintf(stderr, "station %d: step %d failed (last driver error %d)\n", number, step,
                     lastError);
    return step;
}

int stationSteps(const std::string& dir, int number, unsigned seed,
                 std::chrono::steady_clock::time_point deadline, const std::string& out,
                 int* lastError) {
    forgetOpenFilesAfterFork();
    std::mt19937 rng(seed);
    const TableDecl decl = stationDecl();
    QuartoDriver drv;
    Table a(drv, decl, dir + "/a"), b(drv, decl, dir + "/b");
    a.lastError = b.lastError = lastError;
    if (a.op(DriverOp::Open) || b.op(DriverOp::Open)) return 10;
    a.cb.seconds = b.cb.seconds = -1; // a transaction waits for the files' locks
    Rows mine;
    Counts n;
    std::int32_t next = (number + 1) * 1000000;
    auto pick = [&](bool inBoth) -> std::int32_t {
        std::vector<std::int32_t> ids;
        for (const auto& [id, row] : mine)
            if (row.inBoth == inBoth) ids.push_back(id);
        return ids.empty() ? 0 : ids[rng() % ids.size()];
    };
    while (std::chrono::steady_clock::now() < deadline) {
        const unsigned what = rng() % 100;
        if (what < 30) { // add
            std::int32_t id = next++;
            Row row{randomName(rng), randomNote(rng), false};
            a.set(id, row.name, row.note);
            if (a.op(DriverOp::Add)) return 20;
            mine[id] = row;
            ++n.adds;
        } else if (what < 42) { // change
            std::int32_t id = pick(false);
            if (!id) continue;
            if (a.find(id) || a.id() != id) return 30;
            if (a.name() != mine[id].name || a.note() != mine[id].note) return 31;
            Row row{randomName(rng), randomNote(rng), false};
            a.set(id, row.name, row.note);
            if (a.op(DriverOp::Change)) return 32;
            mine[id] = row;
            ++n.changes;
        } else if (what < 52) { // delete
            std::int32_t id = pick(false);
            if (!id) continue;
            if (a.find(id) || a.op(DriverOp::Delete)) return 40;
            mine.erase(id);
            ++n.deletes;
        } else if (what < 70) { // a transaction over both files
            if (a.op(DriverOp::BeginTransaction) || b.op(DriverOp::BeginTransaction)) return 50;
            Rows added;
            std::vector<std::int32_t> removed;
            for (int k = 1 + static_cast<int>(rng() % 3); k > 0; --k) {
                std::int32_t id = next++;
                Row row{randomName(rng), randomNote(rng), true};
                a.set(id, row.name, row.note);
                b.set(id, row.name, row.note);
                if (a.op(DriverOp::Add) || b.op(DriverOp::Add)) return 51;
                added[id] = row;
            }
            if (std::int32_t id = pick(true); id && rng() % 2) {
                if (a.find(id) || a.op(DriverOp::Delete)) return 52;
                if (b.find(id) || b.op(DriverOp::Delete)) return 53;
                removed.push_back(id);
            }
            if (rng() % 5 == 0) {
                if (a.op(DriverOp::RollbackTransaction)) return 54;
                ++n.rollbacks;
            } else {
                if (a.op(DriverOp::CommitTransaction)) return 55;
                for (const auto& [id, row] : added)
                    mine[id] = row;
                for (std::int32_t id : removed)
                    mine.erase(id);
                ++n.commits;
            }
        } else if (what < 78) { // close and open again
            if (a.op(DriverOp::Close) || b.op(DriverOp::Close)) return 60;
            if (a.op(DriverOp::Open) || b.op(DriverOp::Open)) return 61;
            ++n.reopens;
        } else { // read a stretch in name order
            if (a.op(DriverOp::SetKeyStart, 1)) return 70;
            std::string last;
            for (int k = 0; k < 30 && a.op(DriverOp::Next) == 0; ++k) {
                std::string key = cp1250::upper(a.name());
                if (key < last) return 71;
                last = key;
            }
            if (a.op(DriverOp::Records) || a.cb.answer < static_cast<std::int64_t>(mine.size()))
                return 72;
            ++n.scans;
        }
    }
    if (a.op(DriverOp::Close) || b.op(DriverOp::Close)) return 80;
    std::ofstream f(out);
    f << n.adds << ' ' << n.changes << ' ' << n.deletes << ' ' << n.commits << ' ' << n.rollbacks
      << ' ' << n.reopens << ' ' << n.scans << '\n';
    for (const auto& [id, row] : mine)
        f << id << ' ' << (row.inBoth ? 1 : 0) << ' ' << encodeField(row.name) << ' '
          << encodeField(row.note) << '\n';
    return f ? 0 : 81;
}

std::string encodeField(std::string s) {
    std::replace(s.begin(), s.end(), ' ', '_');
    return s;
}

std::string decodeField(std::string s) {
    std::replace(s.begin(), s.end(), '_', ' ');
    return s;
}

// A station that is killed: transaction after transaction over both files,
// telling `fd` what each is about to commit ("T id name note" lines, then
// "C" when the commit returned, "R" for a rollback). Runs until killed.
[[noreturn]] void victim(const std::string& dir, std::int32_t firstId, unsigned seed, int fd) {
    forgetOpenFilesAfterFork();
    std::mt19937 rng(seed);
    const TableDecl decl = stationDecl();
    QuartoDriver drv;
    Table a(drv, decl, dir + "/a"), b(drv, decl, dir + "/b");
    if (a.op(DriverOp::Open) || b.op(DriverOp::Open)) _exit(10);
    a.cb.seconds = b.cb.seconds = -1;
    std::int32_t next = firstId;
    auto say = [fd](const std::string& line) {
        if (write(fd, line.data(), line.size()) != static_cast<ssize_t>(line.size())) _exit(11);
    };
    while (true) {
        if (a.op(DriverOp::BeginTransaction) || b.op(DriverOp::BeginTransaction)) _exit(12);
        std::string told;
        for (int k = 1 + static_cast<int>(rng() % 3); k > 0; --k) {
            std::int32_t id = next++;
            std::string name = randomName(rng), note = randomNote(rng);
            a.set(id, name, note);
            b.set(id, name, note);
            if (a.op(DriverOp::Add) || b.op(DriverOp::Add)) _exit(13);
            told += "T " + std::to_string(id) + " " + encodeField(name) + " " + encodeField(note) +
                    "\n";
        }
        say(told);
        if (rng() % 6 == 0) {
            if (a.op(DriverOp::RollbackTransaction)) _exit(14);
            say("R\n");
        } else {
            if (a.op(DriverOp::CommitTransaction)) _exit(15);
            say("C\n");
        }
    }
}

// What the killed stations told: records committed, and the transactions in
// doubt (killed between telling and the answer), which must be whole or gone.
struct VictimAccount {
    Rows committed;
    std::vector<Rows> inDoubt;
    int kills = 0;
};

void readVictim(int fd, VictimAccount* account) {
    std::string all;
    char buf[4096];
    ssize_t n;
    while ((n = read(fd, buf, sizeof buf)) > 0)
        all.append(buf, static_cast<std::size_t>(n));
    std::istringstream in(all);
    std::string line;
    Rows pending;
    while (std::getline(in, line)) {
        std::istringstream l(line);
        std::string tag;
        l >> tag;
        if (tag == "T") {
            std::int32_t id;
            std::string name, note;
            l >> id >> name >> note;
            pending[id] = Row{decodeField(name), decodeField(note), true};
        } else if (tag == "C") {
            account->committed.insert(pending.begin(), pending.end());
            pending.clear();
        } else if (tag == "R") {
            pending.clear();
        }
    }
    if (!pending.empty()) account->inDoubt.push_back(pending);
}

// Every record of a table in key `key`'s order.
bool readTable(QuartoDriver& drv, const TableDecl& decl, const std::string& name, int key,
               std::vector<std::pair<std::int32_t, Row>>* out, std::int64_t* count) {
    Table t(drv, decl, name);
    if (t.op(DriverOp::Open)) return false;
    if (t.op(DriverOp::Records)) return false;
    *count = t.cb.answer;
    if (t.op(DriverOp::SetKeyStart, key)) return false;
    while (t.op(DriverOp::Next) == 0)
        out->push_back({t.id(), Row{t.name(), t.note(), false}});
    return t.op(DriverOp::Close) == 0;
}

int failures = 0;
void report(const std::string& what) {
    ++failures;
    std::printf("FAIL: %s\n", what.c_str());
}

void compare(QuartoDriver& drv, const TableDecl& decl, const std::string& name,
             const Rows& expected) {
    for (int key : {0, 1}) {
        std::vector<std::pair<std::int32_t, Row>> rows;
        std::int64_t count = -1;
        if (!readTable(drv, decl, name, key, &rows, &count)) {
            report(name + ": cannot be read");
            return;
        }
        if (count != static_cast<std::int64_t>(expected.size()))
            report(name + ": " + std::to_string(count) + " records counted, " +
                   std::to_string(expected.size()) + " committed");
        if (rows.size() != expected.size())
            report(name + " key " + std::to_string(key) + ": " + std::to_string(rows.size()) +
                   " records read, " + std::to_string(expected.size()) + " committed");
        std::string last;
        std::int32_t lastId = 0;
        for (const auto& [id, row] : rows) {
            if (key == 0 && id <= lastId)
                report(name + ": number order broken at " + std::to_string(id));
            lastId = id;
            auto it = expected.find(id);
            if (it == expected.end()) {
                report(name + ": record " + std::to_string(id) + " was never committed");
                continue;
            }
            if (it->second.name != row.name || it->second.note != row.note)
                report(name + ": record " + std::to_string(id) + " differs from its last commit");
            std::string k = key == 0 ? std::string() : cp1250::upper(row.name);
            if (k < last) report(name + ": name order broken at " + std::to_string(id));
            last = k;
        }
    }
}

std::string toolCheck(const std::string& tool, const std::string& path) {
    std::string cmd = "'" + tool + "' check '" + path + "' 2>&1";
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) return "cannot run the tool";
    std::string out;
    char buf[256];
    while (std::fgets(buf, sizeof buf, p))
        out += buf;
    int status = pclose(p);
    return status == 0 && out == "ok\n" ? std::string() : out;
}

} // namespace
} // namespace zv::storage

int main(int argc, char** argv) {
    using namespace zv::storage;
    if (argc < 2) {
        std::fprintf(stderr, "usage: stations_campaign SECONDS [--stations N] [--seed S] [--tool "
                             "PATH] [--kills 0|1]\n");
        return 2;
    }
    double seconds = std::atof(argv[1]);
    int stations = 4;
    unsigned seed = 1;
    std::string tool;
    bool withVictim = true;
    for (int i = 2; i + 1 < argc; i += 2) {
        std::string opt = argv[i];
        if (opt == "--stations")
            stations = std::max(1, std::atoi(argv[i + 1]));
        else if (opt == "--seed")
            seed = static_cast<unsigned>(std::strtoul(argv[i + 1], nullptr, 10));
        else if (opt == "--tool")
            tool = argv[i + 1];
        else if (opt == "--kills")
            withVictim = std::atoi(argv[i + 1]) != 0;
    }
    char tmpl[] = "/tmp/zv_stationsXXXXXX";
    if (!mkdtemp(tmpl)) return 2;
    const std::string dir = tmpl;
    const TableDecl decl = stationDecl();
    {
        QuartoDriver drv;
        Table a(drv, decl, dir + "/a"), b(drv, decl, dir + "/b");
        if (a.op(DriverOp::Create) || b.op(DriverOp::Create)) return 2;
    }
    auto deadline = std::chrono::steady_clock::now() +
                    std::chrono::milliseconds(static_cast<long>(seconds * 1000));
    std::vector<pid_t> kids;
    for (int s = 0; s < stations; ++s) {
        pid_t pid = fork();
        if (pid == 0)
            _exit(station(dir, s, seed * 7919 + static_cast<unsigned>(s), deadline,
                          dir + "/station" + std::to_string(s)));
        kids.push_back(pid);
    }
    // Meanwhile one more station is killed again and again at random moments
    // and started afresh; the others meet what it leaves behind.
    VictimAccount victims;
    std::mt19937 rng(seed);
    while (withVictim && std::chrono::steady_clock::now() < deadline) {
        int fds[2];
        if (pipe(fds) != 0) break;
        pid_t pid = fork();
        if (pid == 0) {
            close(fds[0]);
            victim(dir, 90000000 + victims.kills * 100000, seed * 31 + victims.kills, fds[1]);
        }
        close(fds[1]);
        usleep(20000 + rng() % 180000);
        kill(pid, SIGKILL);
        int status = 0;
        waitpid(pid, &status, 0);
        if (!WIFSIGNALED(status))
            report("the killed station ended by itself with status " + std::to_string(status));
        readVictim(fds[0], &victims);
        close(fds[0]);
        ++victims.kills;
    }
    for (std::size_t s = 0; s < kids.size(); ++s) {
        int status = 0;
        waitpid(kids[s], &status, 0);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
            report("station " + std::to_string(s) + " ended with status " + std::to_string(status) +
                   " (exit code = failed step)");
    }
    Rows inA, inB;
    Counts total;
    for (int s = 0; s < stations; ++s) {
        std::ifstream f(dir + "/station" + std::to_string(s));
        Counts n;
        if (!(f >> n.adds >> n.changes >> n.deletes >> n.commits >> n.rollbacks >> n.reopens >>
              n.scans))
            continue;
        total.adds += n.adds;
        total.changes += n.changes;
        total.deletes += n.deletes;
        total.commits += n.commits;
        total.rollbacks += n.rollbacks;
        total.reopens += n.reopens;
        total.scans += n.scans;
        std::int32_t id;
        int both;
        std::string name, note;
        while (f >> id >> both >> name >> note) {
            Row row{decodeField(name), decodeField(note), both != 0};
            inA[id] = row;
            if (both) inB[id] = row;
        }
    }
    QuartoDriver drv;
    for (const auto& [id, row] : victims.committed)
        inA[id] = inB[id] = row;
    // A transaction of a killed station whose answer never came: whole or gone.
    std::vector<std::pair<std::int32_t, Row>> rowsA, rowsB;
    std::int64_t countA = 0, countB = 0;
    if (!victims.inDoubt.empty() && readTable(drv, decl, dir + "/a", 0, &rowsA, &countA) &&
        readTable(drv, decl, dir + "/b", 0, &rowsB, &countB)) {
        const Rows actualA(rowsA.begin(), rowsA.end()), actualB(rowsB.begin(), rowsB.end());
        int landed = 0;
        for (const Rows& txn : victims.inDoubt) {
            std::size_t there = 0;
            for (const auto& [id, row] : txn) {
                auto a = actualA.find(id);
                auto b = actualB.find(id);
                there += a != actualA.end() && b != actualB.end() && a->second.name == row.name &&
                         a->second.note == row.note && b->second.name == row.name &&
                         b->second.note == row.note;
            }
            if (there == txn.size()) {
                ++landed;
                for (const auto& [id, row] : txn)
                    inA[id] = inB[id] = row;
            } else if (there != 0) {
                report("a transaction of the killed station is there in part: " +
                       std::to_string(there) + " of " + std::to_string(txn.size()) + " records");
            }
        }
        std::printf("killed station: %d kills, %zu records committed, %zu transactions in doubt, "
                    "%d of them landed\n",
                    victims.kills, victims.committed.size(), victims.inDoubt.size(), landed);
    }
    compare(drv, decl, dir + "/a", inA);
    compare(drv, decl, dir + "/b", inB);
    if (!tool.empty())
        for (const char* f : {"/a.QTF", "/b.QTF"})
            if (std::string problem = toolCheck(tool, dir + f); !problem.empty())
                report(std::string("check of ") + f + ": " + problem);
    std::printf("%d stations, %.1f s, seed %u: %d adds, %d changes, %d deletes, %d transactions "
                "committed, %d rolled back, %d reopens, %d scans; %zu + %zu records at the end\n",
                stations, seconds, seed, total.adds, total.changes, total.deletes, total.commits,
                total.rollbacks, total.reopens, total.scans, inA.size(), inB.size());
    if (failures == 0) {
        std::string cmd = "rm -rf '" + dir + "'";
        (void)!std::system(cmd.c_str());
    } else {
        std::printf("files kept in %s\n", dir.c_str());
    }
    std::printf("%s\n", failures ? "FAILED" : "ok");
    return failures ? 1 : 0;
}
