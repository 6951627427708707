// The crash campaign: a long run of crashes of the storage engine, each one
// followed by recovery (reopening), `zevlon-tool check` on every file and a
// comparison with a model of what was committed.
//
//   crash_campaign TRIALS --tool PATH [--seed N]
//
// Kinds of trials:
//   power cut, one file       the power goes at a write of a commit (dropping the
//                             unflushed writes, tearing the cut write, or letting
//                             any of the unflushed writes reach the disk)
//   failed write or flush     one write or flush of a commit fails
//   power cut in recovery     the power goes again while a log is rolled forward
//   power cut, commit run     the power goes at a write of a run of commits by
//                             one handle, each adding its log to the window
//   failed io, commit run     one write or flush of such a run fails
//   cut in recovery, 2 logs   the power goes while the logs a run left named
//                             are rolled forward
//   power cut, transaction    the power goes at a write of a transaction over
//                             2-3 files and the transaction control file
//   kill, one file            a real writer process killed with SIGKILL
//   kill, driver transaction  a real process writing 1-3 files through the
//                             native driver in transactions, killed with SIGKILL
//   kill at each write, driver  the same, killed at each write and flush of one
//                             transaction in turn
// A file holds exactly the last committed state, or, when the crash came inside
// a commit, the state before or after it; the files of a transaction are all
// old or all new. Prints the trials and failures of each kind; exits 1 on any
// failure.
#include "platform/file_io.h"
#include "storage/coding.h"
#include "storage/keys.h"
#include "storage/native_file.h"
#include "storage/qtf_format.h"
#include "storage/quarto_driver.h"
#include "storage/runtime_error.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

// 1..n in a random order: the writes or flushes at which a trial cuts in turn.
std::vector<int> shuffledCounts(int n, std::mt19937& rng) {
    std::vector<int> order(static_cast<std::size_t>(std::max(n, 0)));
    for (int k = 0; k < n; ++k)
        order[static_cast<std::size_t>(k)] = k + 1;
    std::shuffle(order.begin(), order.end(), rng);
    return order;
}

using namespace zv;
using namespace zv::storage;
using Model = std::map<std::string, std::string>;

// ---------------------------------------------------------------------------
// Bookkeeping

struct Kind {
    const char* name;
    int share; // per cent of the trials
    int trials = 0;
    int failures = 0;
    int landed = 0; // a commit in flight at the crash is found whole afterwards
};

enum KindId {
    kPowerCut,
    kFailedIo,
    kRecoveryCut,
    kTransactionCut,
    kKillOne,
    kKillDriver,
    kKillEveryWrite,
    kRunCut,
    kRunFailedIo,
    kRunRecoveryCut,
    kKinds
};

Kind gKinds[kKinds] = {{"power cut, one file", 13},
                       {"failed write or flush", 8},
                       {"power cut in recovery", 5},
                       {"power cut, transaction", 20},
                       {"kill, one file", 7},
                       {"kill, driver transaction", 13},
                       {"kill at each write, driver", 15},
                       {"power cut, commit run", 12},
                       {"failed io, commit run", 4},
                       {"cut in recovery, 2 logs", 3}};
long gCommits[kKinds] = {}; // commits finished before the kills
std::string gTool;
std::string gInternal;
int gReported = 0;

void rememberInternal(const std::string&, const std::string& text) {
    if (gInternal.empty()) gInternal = text;
}

void fail(KindId kind, const std::string& what) {
    ++gKinds[kind].failures;
    if (++gReported <= 30) std::printf("FAIL [%s] %s\n", gKinds[kind].name, what.c_str());
    std::fflush(stdout);
}

std::string tempDir() {
    const char* base = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    std::string tmpl = std::string(base) + "/zvcampaignXXXXXX";
    char* d = mkdtemp(tmpl.data());
    return d ? std::string(d) : std::string();
}

void removeTree(const std::string& dir) {
    std::string cmd = "rm -rf '" + dir + "'";
    if (std::system(cmd.c_str()) != 0) std::fprintf(stderr, "cannot remove %s\n", dir.c_str());
}

// Runs `zevlon-tool check PATH`; empty when it says "ok" and ends with 0.
std::string toolCheck(const std::string& path) {
    int out[2];
    if (pipe(out) != 0) return "pipe failed";
    pid_t pid = fork();
    if (pid < 0) return "fork failed";
    if (pid == 0) {
        dup2(out[1], 1);
        dup2(out[1], 2);
        close(out[0]);
        close(out[1]);
        execl(gTool.c_str(), gTool.c_str(), "check", path.c_str(), static_cast<char*>(nullptr));
        dprintf(1, "cannot run %s: %s\n", gTool.c_str(), std::strerror(errno));
        _exit(127);
    }
    close(out[1]);
    std::string text;
    char buf[512];
    ssize_t n;
    while ((n = read(out[0], buf, sizeof buf)) > 0)
        text.append(buf, static_cast<std::size_t>(n));
    close(out[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0 && text == "ok\n") return "";
    while (!text.empty() && text.back() == '\n')
        text.pop_back();
    return "check " + path + ": \"" + text + "\" status " + std::to_string(status);
}

bool writeReal(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

// ---------------------------------------------------------------------------
// Records of the native file: a deterministic workload and its model.

std::string makeKey(std::uint32_t n) {
    std::string k = "K";
    appendBe32(k, n);
    k.append(n % 29, static_cast<char>('a' + n % 3));
    return k;
}

std::string makePayload(std::mt19937& rng) {
    std::size_t len = rng() % 12 == 0 ? 1500 + rng() % 7000 : rng() % 220;
    std::string p(len, ' ');
    std::uint32_t x = static_cast<std::uint32_t>(rng());
    for (std::size_t i = 0; i < len; ++i) {
        if ((i / 48) % 2) {
            x = x * 1103515245u + 12345u;
            p[i] = static_cast<char>(x >> 24);
        } else {
            p[i] = static_cast<char>('A' + x % 26);
        }
    }
    return p;
}

struct Op {
    int kind; // 0 insert, 1 replace, 2 remove
    std::string key;
    std::string payload;
};

class Workload {
public:
    explicit Workload(unsigned seed) : rng_(seed) {}
    std::vector<Op> batch(Model& model, int maxOps = 40) {
        std::vector<Op> ops;
        int n = 1 + static_cast<int>(rng_() % maxOps);
        for (int i = 0; i < n; ++i) {
            Op op;
            op.key = makeKey(static_cast<std::uint32_t>(rng_() % 500));
            op.payload = makePayload(rng_);
            bool present = model.count(op.key) != 0;
            op.kind = present ? (rng_() % 3 ? 1 : 2) : 0;
            if (op.kind == 2)
                model.erase(op.key);
            else
                model[op.key] = op.payload;
            ops.push_back(std::move(op));
        }
        return ops;
    }

private:
    std::mt19937 rng_;
};

int applyOps(NativeFile& f, const std::vector<Op>& ops) {
    for (const auto& op : ops) {
        bool found = false;
        int rc = op.kind == 0   ? f.insert(op.key, op.payload)
                 : op.kind == 1 ? f.replace(op.key, op.payload, &found)
                                : f.remove(op.key, &found);
        if (rc) return rc;
    }
    return 0;
}

// Every record of the file but the transaction marker.
int readAll(NativeFile& f, Model* out) {
    out->clear();
    PageRecord r;
    bool found = false;
    if (int rc = f.ceiling(std::string(1, '\0'), &r, &found)) return rc;
    while (found) {
        if (!(r.key.size() == 1 && static_cast<std::uint8_t>(r.key[0]) == qtf::kTransaction))
            (*out)[r.key] = r.payload;
        std::string key = r.key;
        if (int rc = f.successor(key, &r, &found)) return rc;
    }
    return 0;
}

std::string describe(const Model& disk, const Model& oldState, const Model& newState) {
    return std::to_string(disk.size()) + " records, old " + std::to_string(oldState.size()) +
           ", new " + std::to_string(newState.size());
}

// ---------------------------------------------------------------------------
// Power cuts and failed writes of one file's commit (in memory).

struct Scenario {
    std::vector<std::uint8_t> before; // the committed file
    Model oldState, newState;
    std::vector<Op> ops;
};

Scenario makeScenario(unsigned seed) {
    Scenario s;
    platform::MemFileSystem fs;
    std::unique_ptr<NativeFile> f;
    if (NativeFile::open(fs, "c.qtf", true, {}, &f) != 0) return s;
    Workload w(seed);
    Model m;
    int history = 1 + static_cast<int>(seed % 12);
    for (int i = 0; i < history; ++i)
        if (applyOps(*f, w.batch(m)) || f->commit()) return s;
    s.before = fs.bytes("c.qtf");
    s.oldState = m;
    s.ops = w.batch(m, 80);
    s.newState = m;
    return s;
}

// The commit of the scenario under `faults`; its result, or -1 when it could not start.
int runCommit(platform::MemFileSystem& fs, const Scenario& s,
              const platform::MemFileSystem::Faults& faults, Model* seen = nullptr) {
    fs.put("c.qtf", s.before);
    std::unique_ptr<NativeFile> f;
    if (NativeFile::open(fs, "c.qtf", false, {}, &f) != 0 || applyOps(*f, s.ops)) return -1;
    fs.setFaults(faults);
    int rc = f->commit();
    if (seen && readAll(*f, seen) != 0) seen->clear();
    return rc;
}

// Reopens every file of `fs` after a crash (recovery) and writes the recovered
// files to `dir` for the tool; the problems found, empty when none.
std::string reopenAndCheck(platform::MemFileSystem& fs, const std::vector<std::string>& names,
                           const std::string& dir, const NativeFile::Options& options,
                           std::vector<Model>* states) {
    fs.restore();
    states->clear();
    for (const std::string& name : names) {
        std::unique_ptr<NativeFile> f;
        gInternal.clear();
        int rc = NativeFile::open(fs, name, false, options, &f);
        if (rc) return "reopen of " + name + " failed with " + std::to_string(rc) + " " + gInternal;
        Model m;
        if (int r = readAll(*f, &m)) return "reading " + name + " failed with " + std::to_string(r);
        std::string problem = f->check();
        if (!problem.empty()) return name + ": " + problem;
        states->push_back(std::move(m));
    }
    for (const std::string& name : names) {
        std::string path = dir + "/" + name;
        if (!writeReal(path, fs.bytes(name))) return "cannot write " + path;
        std::string problem = toolCheck(path);
        if (!problem.empty()) return problem;
    }
    return "";
}

// The faults of a power cut at write `k`: the unflushed writes are lost, or
// they reach the disk with the cut write torn (sectors are written whole, so a
// torn write keeps at least its first sector), or a reordering cache lets any
// of them reach it.
platform::MemFileSystem::Faults pickCut(std::mt19937& rng, int k) {
    platform::MemFileSystem::Faults faults;
    faults.powerCutAtWrite = k;
    switch (rng() % 5) {
    case 0:
        break;
    case 1:
        faults.tearBytes = 512 * (1 + rng() % 8);
        break;
    case 2:
        faults.tearBytes = 512 + rng() % 8192;
        break;
    default:
        faults.tearBytes = rng() % 2 ? 512 + rng() % 8192 : 1 << 20;
        faults.reorderSeed = 1 + static_cast<unsigned>(rng() % 1000000);
        break;
    }
    return faults;
}

std::string describeCut(const platform::MemFileSystem::Faults& f) {
    return "cut at write " + std::to_string(f.powerCutAtWrite) + " tear " +
           std::to_string(f.tearBytes) + " reorder " + std::to_string(f.reorderSeed);
}

// Reopens the one file "c.qtf" (recovery), checks it and reads it into `disk`;
// false (a failure of `kind` recorded) when that goes wrong.
bool reopenOne(KindId kind, platform::MemFileSystem& fs, const std::string& where,
               const std::string& dir, Model* disk) {
    std::vector<Model> states;
    std::string problem = reopenAndCheck(fs, {"c.qtf"}, dir, {}, &states);
    if (!problem.empty()) {
        fail(kind, where + ": " + problem);
        return false;
    }
    *disk = states[0];
    return true;
}

// Reopens the file of a single-file commit that ended with `rc` after a crash
// or fault and judges it: the new state after a reported success, else the old
// or the new one (a fault after the log is in force still commits).
void judgeReopened(KindId kind, platform::MemFileSystem& fs, const Scenario& s, int rc,
                   const std::string& where, const std::string& dir) {
    Model disk;
    if (!reopenOne(kind, fs, where, dir, &disk)) return;
    bool ok = rc == 0 ? disk == s.newState : disk == s.oldState || disk == s.newState;
    if (!ok) fail(kind, where + ": " + describe(disk, s.oldState, s.newState));
    if (ok && rc != 0 && disk == s.newState) ++gKinds[kind].landed;
}

void powerCutOneFile(int budget, unsigned seed, const std::string& dir) {
    std::mt19937 rng(seed);
    for (unsigned sc = 0; gKinds[kPowerCut].trials < budget; ++sc) {
        Scenario s = makeScenario(seed * 7919 + sc);
        platform::MemFileSystem probe;
        if (s.before.empty() || runCommit(probe, s, {}) != 0) {
            fail(kPowerCut, "scenario " + std::to_string(sc) + " does not commit");
            return;
        }
        int writes = probe.writes();
        for (int k : shuffledCounts(writes, rng)) {
            if (gKinds[kPowerCut].trials >= budget) break;
            ++gKinds[kPowerCut].trials;
            platform::MemFileSystem fs;
            const platform::MemFileSystem::Faults faults = pickCut(rng, k);
            int rc = runCommit(fs, s, faults);
            std::string where = "scenario " + std::to_string(seed * 7919 + sc) + " of " +
                                std::to_string(writes) + " writes, " + describeCut(faults);
            judgeReopened(kPowerCut, fs, s, rc, where, dir);
        }
    }
}

void failedIoOneFile(int budget, unsigned seed, const std::string& dir) {
    std::mt19937 rng(seed);
    for (unsigned sc = 0; gKinds[kFailedIo].trials < budget; ++sc) {
        Scenario s = makeScenario(seed * 104729 + sc);
        platform::MemFileSystem probe;
        if (s.before.empty() || runCommit(probe, s, {}) != 0) {
            fail(kFailedIo, "scenario " + std::to_string(sc) + " does not commit");
            return;
        }
        int writes = probe.writes(), flushes = probe.flushes();
        for (int k : shuffledCounts(writes + flushes, rng)) {
            if (gKinds[kFailedIo].trials >= budget) break;
            ++gKinds[kFailedIo].trials;
            platform::MemFileSystem fs;
            platform::MemFileSystem::Faults faults;
            std::string where = "scenario " + std::to_string(seed * 104729 + sc);
            if (k <= writes) {
                faults.failWriteAt = k;
                where += " failed write " + std::to_string(k);
            } else {
                faults.failFlushAt = k - writes;
                where += " failed flush " + std::to_string(k - writes);
            }
            Model seen;
            int rc = runCommit(fs, s, faults, &seen);
            // The same handle goes on and sees one whole state; success is
            // never reported for a lost commit.
            if (rc == 0 ? seen != s.newState : seen != s.oldState && seen != s.newState) {
                fail(kFailedIo,
                     where + ": the writer sees " + describe(seen, s.oldState, s.newState));
                continue;
            }
            judgeReopened(kFailedIo, fs, s, rc, where, dir);
        }
    }
}

// The file with the scenario's log in force: the power went at the first write
// that copies the log to its place.
bool logInForce(const Scenario& s, std::vector<std::uint8_t>* out) {
    platform::MemFileSystem probe;
    if (runCommit(probe, s, {}) != 0) return false;
    for (int k = probe.writes(); k >= 1; --k) {
        platform::MemFileSystem trial;
        platform::MemFileSystem::Faults faults;
        faults.powerCutAtWrite = k;
        (void)runCommit(trial, s, faults);
        trial.restore();
        const auto& b = trial.bytes("c.qtf");
        // The header's committed end and log end differ while a log is in force.
        if (b.size() >= 14 && std::memcmp(&b[6], &b[10], 4) != 0) {
            *out = b;
            return true;
        }
    }
    return false;
}

// Opens the file `named` leaves again and again with the power going at the
// k-th write of its recovery, k = 1, 2, ... until a recovery runs to its end:
// each time the reopened file must hold `newState` (the state the logs lead to).
void cutRecoveryAtEachWrite(KindId kind, const std::vector<std::uint8_t>& named,
                            const std::string& label, const Model& oldState, const Model& newState,
                            std::mt19937& rng, int budget, const std::string& dir) {
    for (int k = 1; gKinds[kind].trials < budget; ++k) {
        ++gKinds[kind].trials;
        platform::MemFileSystem fs;
        fs.put("c.qtf", named);
        const platform::MemFileSystem::Faults faults = pickCut(rng, k);
        fs.setFaults(faults);
        std::unique_ptr<NativeFile> f;
        int rc = NativeFile::open(fs, "c.qtf", false, {}, &f);
        f.reset();
        const bool cut = fs.powerCut();
        const std::string where = label + " recovery " + describeCut(faults);
        Model disk;
        if (!reopenOne(kind, fs, where, dir, &disk)) return;
        if (disk != newState) fail(kind, where + ": " + describe(disk, oldState, newState));
        if (!cut) {
            if (rc != 0) fail(kind, where + ": recovery failed with " + std::to_string(rc));
            return;
        }
    }
}

void recoveryCut(int budget, unsigned seed, const std::string& dir) {
    std::mt19937 rng(seed);
    for (unsigned sc = 0; gKinds[kRecoveryCut].trials < budget; ++sc) {
        Scenario s = makeScenario(seed * 15485863u + sc);
        std::vector<std::uint8_t> logged;
        if (s.before.empty() || !logInForce(s, &logged)) {
            fail(kRecoveryCut, "scenario " + std::to_string(sc) + " leaves no log in force");
            return;
        }
        cutRecoveryAtEachWrite(kRecoveryCut, logged,
                               "scenario " + std::to_string(seed * 15485863u + sc), s.oldState,
                               s.newState, rng, budget, dir);
    }
}

// ---------------------------------------------------------------------------
// Runs of commits by one handle (in memory): each commit adds its log to the
// window the header names, so a cut meets the newest log torn while the older
// ones hold the pages of the commits before, and the window's end copies them
// all to their places.

struct Run {
    std::vector<std::uint8_t> before; // the committed file, closed
    std::vector<std::vector<Op>> batches;
    std::vector<Model> states; // before the run, then after each commit
};

Run makeRun(unsigned seed) {
    Run r;
    platform::MemFileSystem fs;
    Workload w(seed);
    Model m;
    {
        std::unique_ptr<NativeFile> f;
        if (NativeFile::open(fs, "c.qtf", true, {}, &f) != 0) return r;
        const int history = 1 + static_cast<int>(seed % 8);
        for (int i = 0; i < history; ++i)
            if (applyOps(*f, w.batch(m)) || f->commit()) return r;
    }
    r.before = fs.bytes("c.qtf");
    r.states.push_back(m);
    const int commits = 2 + static_cast<int>(seed % 4);
    for (int i = 0; i < commits; ++i) {
        r.batches.push_back(w.batch(m, i % 3 == 2 ? 30 : 4));
        r.states.push_back(m);
    }
    return r;
}

// The commits of the run under `faults` until one fails; how many succeeded.
int runCommits(platform::MemFileSystem& fs, const Run& r,
               const platform::MemFileSystem::Faults& faults) {
    fs.put("c.qtf", r.before);
    std::unique_ptr<NativeFile> f;
    if (NativeFile::open(fs, "c.qtf", false, {}, &f) != 0) return -1;
    fs.setFaults(faults);
    int done = 0;
    for (const auto& ops : r.batches) {
        if (applyOps(*f, ops) || f->commit()) break;
        f->endAccess();
        ++done;
    }
    return done;
}

// The file after a run cut at one of its writes: the state after the commits
// that succeeded, or after the one in flight too.
void judgeRun(KindId kind, platform::MemFileSystem& fs, const Run& r, int done,
              const std::string& where, const std::string& dir) {
    Model disk;
    if (!reopenOne(kind, fs, where, dir, &disk)) return;
    const std::size_t n = static_cast<std::size_t>(done);
    const bool next = n + 1 < r.states.size() && disk == r.states[n + 1];
    if (disk != r.states[n] && !next)
        fail(kind, where + ": " + std::to_string(done) + " commits done, " +
                       describe(disk, r.states[n], r.states[std::min(n + 1, r.states.size() - 1)]));
    if (next) ++gKinds[kind].landed;
}

bool probeRun(KindId kind, const Run& r, unsigned sc, int* writes, int* flushes) {
    platform::MemFileSystem probe;
    if (r.before.empty() || runCommits(probe, r, {}) != static_cast<int>(r.batches.size())) {
        fail(kind, "run " + std::to_string(sc) + " does not commit");
        return false;
    }
    *writes = probe.writes();
    *flushes = probe.flushes();
    return true;
}

void powerCutRun(int budget, unsigned seed, const std::string& dir) {
    std::mt19937 rng(seed);
    for (unsigned sc = 0; gKinds[kRunCut].trials < budget; ++sc) {
        const unsigned rs = seed * 6151 + sc;
        Run r = makeRun(rs);
        int writes = 0, flushes = 0;
        if (!probeRun(kRunCut, r, rs, &writes, &flushes)) return;
        for (int k : shuffledCounts(writes, rng)) {
            if (gKinds[kRunCut].trials >= budget) break;
            ++gKinds[kRunCut].trials;
            platform::MemFileSystem fs;
            const platform::MemFileSystem::Faults faults = pickCut(rng, k);
            int done = runCommits(fs, r, faults);
            judgeRun(kRunCut, fs, r, done,
                     "run " + std::to_string(rs) + " of " + std::to_string(writes) + " writes, " +
                         describeCut(faults),
                     dir);
        }
    }
}

void failedIoRun(int budget, unsigned seed, const std::string& dir) {
    std::mt19937 rng(seed);
    for (unsigned sc = 0; gKinds[kRunFailedIo].trials < budget; ++sc) {
        const unsigned rs = seed * 12289 + sc;
        Run r = makeRun(rs);
        int writes = 0, flushes = 0;
        if (!probeRun(kRunFailedIo, r, rs, &writes, &flushes)) return;
        for (int k : shuffledCounts(writes + flushes, rng)) {
            if (gKinds[kRunFailedIo].trials >= budget) break;
            ++gKinds[kRunFailedIo].trials;
            platform::MemFileSystem fs;
            platform::MemFileSystem::Faults faults;
            std::string where = "run " + std::to_string(rs);
            if (k <= writes) {
                faults.failWriteAt = k;
                where += " failed write " + std::to_string(k);
            } else {
                faults.failFlushAt = k - writes;
                where += " failed flush " + std::to_string(k - writes);
            }
            // The unflushed writes are lost as well: the power goes after the failure.
            int done = runCommits(fs, r, faults);
            fs.cutPower();
            judgeRun(kRunFailedIo, fs, r, done, where, dir);
        }
    }
}

// The run's file with its last logs named and their pages not yet durable.
bool runLeftNamed(const Run& r, std::vector<std::uint8_t>* out) {
    platform::MemFileSystem fs;
    fs.put("c.qtf", r.before);
    {
        std::unique_ptr<NativeFile> f;
        if (NativeFile::open(fs, "c.qtf", false, {}, &f) != 0) return false;
        for (const auto& ops : r.batches) {
            if (applyOps(*f, ops) || f->commit()) return false;
            f->endAccess();
        }
        fs.cutPower(); // before the handle ends its window
    }
    fs.restore();
    *out = fs.bytes("c.qtf");
    return out->size() >= 20 && std::memcmp(&(*out)[6], &(*out)[10], 4) != 0;
}

void recoveryCutRun(int budget, unsigned seed, const std::string& dir) {
    std::mt19937 rng(seed);
    for (unsigned sc = 0; gKinds[kRunRecoveryCut].trials < budget; ++sc) {
        const unsigned rs = seed * 24593 + sc;
        Run r = makeRun(rs);
        std::vector<std::uint8_t> named;
        if (r.before.empty() || !runLeftNamed(r, &named)) {
            fail(kRunRecoveryCut, "run " + std::to_string(rs) + " leaves no log named");
            return;
        }
        cutRecoveryAtEachWrite(kRunRecoveryCut, named, "run " + std::to_string(rs),
                               r.states.front(), r.states.back(), rng, budget, dir);
    }
}

// ---------------------------------------------------------------------------
// Power cuts of a transaction over several files (in memory). The steps are
// those of the native driver's commit across files: register the transaction
// in the control file, put a marker naming it into every file and prepare each,
// remove the number from the control file (the commit point), apply each.

const char* const kControl = "quarto.tcf";

struct MultiScenario {
    std::map<std::string, std::vector<std::uint8_t>> before; // every file, committed
    std::vector<std::string> names;                          // the data files
    std::vector<Model> oldState, newState;
    std::vector<std::vector<Op>> ops;
    std::uint32_t number = 0;
};

NativeFile::Options recoveryOptions(platform::MemFileSystem& fs) {
    NativeFile::Options o;
    o.transactionCheck = [&fs](std::uint32_t number, const std::string& control,
                               const std::string&) {
        std::unique_ptr<NativeFile> tcf;
        NativeFile::Options ro;
        ro.readOnly = true;
        if (NativeFile::open(fs, control, false, ro, &tcf) != 0) return false;
        std::string payload;
        bool found = false;
        return tcf->get(be32(number), &payload, &found) == 0 && found;
    };
    return o;
}

// Runs the steps of one transaction; `committed` tells whether the commit
// point was passed (the control file's commit returned 0).
int runTransaction(platform::MemFileSystem& fs, const MultiScenario& s, std::uint32_t number,
                   const std::vector<std::vector<Op>>& ops, bool* committed,
                   bool* cutBeforeCommitPoint) {
    *committed = false;
    *cutBeforeCommitPoint = false;
    std::vector<std::unique_ptr<NativeFile>> files;
    for (const std::string& name : s.names) {
        std::unique_ptr<NativeFile> f;
        if (int rc = NativeFile::open(fs, name, true, recoveryOptions(fs), &f)) return rc;
        files.push_back(std::move(f));
    }
    for (std::size_t i = 0; i < files.size(); ++i)
        if (int rc = applyOps(*files[i], ops[i])) return rc;
    std::unique_ptr<NativeFile> tcf;
    int rc = NativeFile::open(fs, kControl, true, {}, &tcf);
    if (!rc) rc = tcf->insert(be32(number), "");
    if (!rc) rc = tcf->commit();
    if (tcf) tcf->endAccess();
    std::vector<NativeFile*> prepared;
    for (auto& f : files) {
        if (rc) break;
        std::string marker;
        appendLe32(marker, number);
        marker += kControl;
        marker.push_back('\0');
        std::string key(1, static_cast<char>(qtf::kTransaction));
        bool found = false;
        rc = f->replace(key, marker, &found);
        if (!rc && !found) rc = f->insert(key, marker);
        if (!rc) rc = f->prepare();
        if (!rc) prepared.push_back(f.get());
    }
    if (rc) {
        for (NativeFile* f : prepared)
            (void)f->discardPrepared();
        for (auto& f : files)
            f->discardChanges();
    }
    *cutBeforeCommitPoint = fs.powerCut();
    if (tcf && tcf->beginAccess() == 0) {
        bool removed = false;
        int drop = tcf->remove(be32(number), &removed);
        if (!drop) drop = tcf->commit();
        if (drop && !rc) {
            for (NativeFile* f : prepared)
                (void)f->discardPrepared();
            rc = drop;
        }
    }
    if (!rc) *committed = true;
    if (!rc)
        for (NativeFile* f : prepared)
            (void)f->apply();
    return rc;
}

MultiScenario makeMultiScenario(unsigned seed) {
    MultiScenario s;
    std::mt19937 rng(seed);
    int n = 2 + static_cast<int>(rng() % 2);
    platform::MemFileSystem fs;
    std::vector<Workload> loads;
    for (int i = 0; i < n; ++i) {
        s.names.push_back("d" + std::to_string(i) + ".qtf");
        loads.emplace_back(seed * 31 + static_cast<unsigned>(i));
        s.oldState.emplace_back();
    }
    // A history of single-file commits and transactions.
    int history = 1 + static_cast<int>(rng() % 4);
    s.number = 1000 + seed % 1000;
    for (int h = 0; h < history; ++h) {
        std::vector<std::vector<Op>> ops;
        for (int i = 0; i < n; ++i)
            ops.push_back(
                loads[static_cast<std::size_t>(i)].batch(s.oldState[static_cast<std::size_t>(i)]));
        bool committed = false, cut = false;
        if (runTransaction(fs, s, s.number++, ops, &committed, &cut) != 0 || !committed) return {};
    }
    for (const std::string& name : s.names)
        s.before[name] = fs.bytes(name);
    s.before[kControl] = fs.bytes(kControl);
    s.newState = s.oldState;
    for (int i = 0; i < n; ++i)
        s.ops.push_back(
            loads[static_cast<std::size_t>(i)].batch(s.newState[static_cast<std::size_t>(i)], 60));
    return s;
}

void powerCutTransaction(int budget, unsigned seed, const std::string& dir) {
    std::mt19937 rng(seed);
    for (unsigned sc = 0; gKinds[kTransactionCut].trials < budget; ++sc) {
        unsigned id = seed * 7727 + sc;
        MultiScenario s = makeMultiScenario(id);
        if (s.names.empty()) {
            fail(kTransactionCut, "scenario " + std::to_string(id) + " does not commit");
            return;
        }
        auto start = [&](platform::MemFileSystem& fs) {
            for (const auto& [name, bytes] : s.before)
                fs.put(name, bytes);
        };
        platform::MemFileSystem probe;
        start(probe);
        probe.setFaults({});
        bool committed = false, cut = false;
        if (runTransaction(probe, s, s.number, s.ops, &committed, &cut) != 0 || !committed) {
            fail(kTransactionCut, "scenario " + std::to_string(id) + " does not commit");
            return;
        }
        int writes = probe.writes();
        for (int k : shuffledCounts(writes, rng)) {
            if (gKinds[kTransactionCut].trials >= budget) break;
            ++gKinds[kTransactionCut].trials;
            platform::MemFileSystem fs;
            start(fs);
            const platform::MemFileSystem::Faults faults = pickCut(rng, k);
            fs.setFaults(faults);
            (void)runTransaction(fs, s, s.number, s.ops, &committed, &cut);
            std::string where = "scenario " + std::to_string(id) + " (" +
                                std::to_string(s.names.size()) + " files) of " +
                                std::to_string(writes) + " writes, " + describeCut(faults);
            // The control file is recovered and checked after the data files.
            std::vector<std::string> all = s.names;
            all.push_back(kControl);
            std::vector<Model> states;
            std::string problem = reopenAndCheck(fs, all, dir, recoveryOptions(fs), &states);
            if (!problem.empty()) {
                fail(kTransactionCut, where + ": " + problem);
                continue;
            }
            bool allOld = true, allNew = true;
            for (std::size_t i = 0; i < s.names.size(); ++i) {
                allOld = allOld && states[i] == s.oldState[i];
                allNew = allNew && states[i] == s.newState[i];
            }
            if (committed ? !allNew : cut ? !allOld : !(allOld || allNew)) {
                std::string detail;
                for (std::size_t i = 0; i < s.names.size(); ++i)
                    detail += " [" + s.names[i] + " " +
                              describe(states[i], s.oldState[i], s.newState[i]) + "]";
                fail(kTransactionCut,
                     where + (committed ? " committed:" : " not committed:") + detail);
            }
        }
    }
}

// ---------------------------------------------------------------------------
// Real processes killed with SIGKILL.

// Commits batch after batch to a real file, writing each finished commit's
// number to `fd`.
[[noreturn]] void nativeWriter(const std::string& path, unsigned seed, int fd) {
    std::unique_ptr<NativeFile> f;
    if (NativeFile::open(platform::posixFileSystem(), path, true, {}, &f)) _exit(3);
    Workload w(seed);
    Model m;
    for (std::uint32_t i = 1;; ++i) {
        if (applyOps(*f, w.batch(m)) || f->commit()) _exit(4);
        f->endAccess();
        if (write(fd, &i, sizeof i) != sizeof i) _exit(5);
    }
}

// Starts `child` in a process that reports finished steps over a pipe, kills
// it after `micros` and returns the last step it finished (-1: it ended by
// itself, with its status in `status`).
template <typename F> long killAfter(unsigned micros, F child, int* status) {
    int fds[2];
    if (pipe(fds) != 0) return -2;
    pid_t pid = fork();
    if (pid < 0) return -2;
    if (pid == 0) {
        close(fds[0]);
        forgetOpenFilesAfterFork();
        child(fds[1]);
    }
    close(fds[1]);
    usleep(micros);
    kill(pid, SIGKILL);
    waitpid(pid, status, 0);
    std::uint32_t last = 0, n = 0;
    while (read(fds[0], &n, sizeof n) == static_cast<ssize_t>(sizeof n))
        last = n;
    close(fds[0]);
    if (!WIFSIGNALED(*status)) return -1;
    return last;
}

void killOneFile(int budget, unsigned seed, const std::string& dir) {
    std::mt19937 timing(seed);
    for (int t = 0; t < budget; ++t) {
        ++gKinds[kKillOne].trials;
        unsigned wseed = seed * 1000 + static_cast<unsigned>(t);
        std::string path = dir + "/k.qtf";
        unlink(path.c_str());
        unsigned micros = 500 + timing() % 40000;
        int status = 0;
        long last = killAfter(
            micros, [&](int fd) { nativeWriter(path, wseed, fd); }, &status);
        std::string where = "writer seed " + std::to_string(wseed) + " killed after " +
                            std::to_string(micros) + " us";
        if (last < 0) {
            fail(kKillOne,
                 where + ": the writer ended by itself, status " + std::to_string(status));
            continue;
        }
        where += ", commit " + std::to_string(last);
        Workload w(wseed);
        Model m, atLast;
        for (long i = 1; i <= last + 1; ++i) {
            (void)w.batch(m);
            if (i == last) atLast = m;
        }
        std::unique_ptr<NativeFile> f;
        gInternal.clear();
        int rc = NativeFile::open(platform::posixFileSystem(), path, false, {}, &f);
        if (rc == ENOENT && last == 0) continue; // killed before it created the file
        if (rc) {
            fail(kKillOne, where + ": reopen failed with " + std::to_string(rc) + " " + gInternal);
            continue;
        }
        Model disk;
        if (readAll(*f, &disk) != 0) {
            fail(kKillOne, where + ": the file cannot be read");
            continue;
        }
        f.reset();
        if (disk != atLast && disk != m) fail(kKillOne, where + ": " + describe(disk, atLast, m));
        if (disk == m && disk != atLast) ++gKinds[kKillOne].landed;
        gCommits[kKillOne] += last;
        std::string problem = toolCheck(path);
        if (!problem.empty()) fail(kKillOne, where + ": " + problem);
    }
}

// Records of the driver's table: ID LONG @0, NAME STRING(200) @4; keys BYID
// (unique) and BYNAME (duplicates, no case).
TableDecl driverDecl() {
    TableDecl d;
    d.recordLength = 204;
    FieldDecl id;
    id.name = "CMP:ID";
    id.type = FieldType::Long;
    id.offset = 0;
    id.size = 4;
    FieldDecl name;
    name.name = "CMP:NAME";
    name.type = FieldType::String;
    name.offset = 4;
    name.size = 200;
    d.fields = {id, name};
    d.keys = {KeyDecl{"BYID", "CMP:BYID", 0, {{0, false}}},
              KeyDecl{"BYNAME", "CMP:BYNAME", kKeyDuplicates | kKeyNoCase, {{1, false}}}};
    return d;
}

using Table = std::map<std::int32_t, std::string>; // id -> name

class DriverTable {
public:
    DriverTable(QuartoDriver& drv, const TableDecl& decl, const std::string& name) : drv_(drv) {
        cb.decl = &decl;
        cb.physicalName = name;
        cb.record = &record;
        cb.memos = &memos;
        record.assign(decl.recordLength, ' ');
    }
    int op(DriverOp o, int key = 0) {
        cb.keyNumber = key;
        return drv_.dispatch(o, cb);
    }
    void set(std::int32_t id, const std::string& name) {
        record.assign(record.size(), ' ');
        std::memcpy(record.data(), &id, 4);
        std::memcpy(record.data() + 4, name.data(), std::min<std::size_t>(name.size(), 200));
    }
    std::int32_t id() const {
        std::int32_t v;
        std::memcpy(&v, record.data(), 4);
        return v;
    }
    std::string name() const {
        std::string s(record.begin() + 4, record.end());
        return s.substr(0, s.find_last_not_of(' ') + 1);
    }
    // Every record in BYID order, checked against the BYNAME order.
    int readAll(Table* out) {
        out->clear();
        if (int rc = op(DriverOp::SetKeyStart, 0)) return rc;
        int rc;
        while ((rc = op(DriverOp::Next)) == 0)
            (*out)[id()] = name();
        if (rc != 33) return rc;
        if ((rc = op(DriverOp::SetKeyStart, 1))) return rc;
        std::size_t n = 0;
        while ((rc = op(DriverOp::Next)) == 0) {
            auto it = out->find(id());
            if (it == out->end() || it->second != name()) return 1000;
            ++n;
        }
        if (rc != 33) return rc;
        return n == out->size() ? 0 : 1001;
    }

    ControlBlock cb;
    std::vector<std::uint8_t> record;
    std::vector<std::vector<std::uint8_t>> memos;

private:
    QuartoDriver& drv_;
};

struct DriverOpStep {
    int file;
    int kind; // 0 add, 1 change, 2 delete
    std::int32_t id;
    std::string name;
};

// A deterministic stream of transactions over `files` tables.
class DriverWorkload {
public:
    DriverWorkload(unsigned seed, int files)
        : rng_(seed), tables_(static_cast<std::size_t>(files)) {}
    std::vector<DriverOpStep> step() {
        std::vector<DriverOpStep> ops;
        // Mostly every file takes part; sometimes only some.
        const int files = static_cast<int>(tables_.size());
        const bool everyFile = rng_() % 4 != 0;
        int n = 1 + static_cast<int>(rng_() % 12);
        if (everyFile) n = std::max(n, files);
        for (int i = 0; i < n; ++i) {
            DriverOpStep op;
            std::uint32_t pick = static_cast<std::uint32_t>(rng_());
            op.file = everyFile && i < files ? i : static_cast<int>(pick % tables_.size());
            Table& t = tables_[static_cast<std::size_t>(op.file)];
            op.id = static_cast<std::int32_t>(rng_() % 300);
            op.name = "N" + std::to_string(rng_() % 100000);
            op.name.append(rng_() % 190, static_cast<char>('a' + rng_() % 26));
            bool present = t.count(op.id) != 0;
            op.kind = present ? (rng_() % 3 ? 1 : 2) : 0;
            if (op.kind == 2)
                t.erase(op.id);
            else
                t[op.id] = op.name;
            ops.push_back(std::move(op));
        }
        return ops;
    }
    const std::vector<Table>& tables() const { return tables_; }

private:
    std::mt19937 rng_;
    std::vector<Table> tables_;
};

int runDriverStep(std::vector<std::unique_ptr<DriverTable>>& tables,
                  const std::vector<DriverOpStep>& ops) {
    for (auto& t : tables)
        if (int rc = t->op(DriverOp::BeginTransaction)) return rc;
    for (const DriverOpStep& op : ops) {
        DriverTable& t = *tables[static_cast<std::size_t>(op.file)];
        int rc = 0;
        if (op.kind == 0) {
            t.set(op.id, op.name);
            rc = t.op(DriverOp::Add);
        } else {
            t.set(op.id, "");
            rc = t.op(DriverOp::GetByKey, 0);
            if (!rc && op.kind == 1) {
                t.set(op.id, op.name);
                rc = t.op(DriverOp::Change);
            } else if (!rc) {
                rc = t.op(DriverOp::Delete);
            }
        }
        if (rc) return 100 + rc;
    }
    return tables[0]->op(DriverOp::CommitTransaction);
}

[[noreturn]] void driverWriter(const std::vector<std::string>& names, unsigned seed, int fd) {
    static const TableDecl decl = driverDecl();
    QuartoDriver drv;
    std::vector<std::unique_ptr<DriverTable>> tables;
    for (const std::string& n : names) {
        tables.push_back(std::make_unique<DriverTable>(drv, decl, n));
        if (tables.back()->op(DriverOp::Open)) _exit(3);
    }
    DriverWorkload w(seed, static_cast<int>(names.size()));
    for (std::uint32_t i = 1;; ++i) {
        if (runDriverStep(tables, w.step())) _exit(4);
        if (write(fd, &i, sizeof i) != sizeof i) _exit(5);
    }
}

// Creates `files` empty tables in `dir`; their physical names.
bool createTables(const std::string& dir, int files, std::vector<std::string>* names) {
    static const TableDecl decl = driverDecl();
    names->clear();
    if (mkdir(dir.c_str(), 0700) != 0) return false;
    QuartoDriver drv;
    for (int i = 0; i < files; ++i) {
        names->push_back(dir + "/d" + std::to_string(i));
        DriverTable table(drv, decl, names->back());
        if (table.op(DriverOp::Create) || table.op(DriverOp::Open) || table.op(DriverOp::Close))
            return false;
    }
    return true;
}

// Reopens the tables after a crash (recovery), compares them with the states
// before and after the transaction in flight, recovers the control file and
// checks every file with the tool; the problem found, empty when none.
std::string verifyTables(const std::string& dir, const std::vector<std::string>& names,
                         const std::vector<Table>& before, const std::vector<Table>& after,
                         bool* allOld, bool* allNew) {
    static const TableDecl decl = driverDecl();
    QuartoDriver drv;
    *allOld = *allNew = true;
    for (std::size_t i = 0; i < names.size(); ++i) {
        DriverTable table(drv, decl, names[i]);
        if (int rc = table.op(DriverOp::Open))
            return "open of " + names[i] + " failed with " + std::to_string(rc);
        Table disk;
        int rc = table.readAll(&disk);
        if (table.op(DriverOp::Close) != 0) return "close of " + names[i] + " failed";
        if (rc) return "reading " + names[i] + " failed with " + std::to_string(rc);
        *allOld = *allOld && disk == before[i];
        *allNew = *allNew && disk == after[i];
    }
    if (!*allOld && !*allNew) return "a mix of states";
    for (const std::string& name : names)
        if (std::string problem = toolCheck(name + ".QTF"); !problem.empty()) return problem;
    // The control file is recovered when the driver next opens it for a
    // transaction; the campaign does that at once.
    std::string control = dir + "/quarto.tcf";
    if (access(control.c_str(), F_OK) == 0) {
        std::unique_ptr<NativeFile> tcf;
        if (int rc = NativeFile::open(platform::posixFileSystem(), control, false, {}, &tcf))
            return "reopen of the control file failed with " + std::to_string(rc);
        tcf.reset();
        return toolCheck(control);
    }
    return "";
}

void killDriverTransaction(int budget, unsigned seed, const std::string& base) {
    std::mt19937 timing(seed);
    for (int t = 0; t < budget; ++t) {
        ++gKinds[kKillDriver].trials;
        unsigned wseed = seed * 1000 + static_cast<unsigned>(t);
        int files = 1 + static_cast<int>(wseed % 3);
        std::string dir = base + "/t" + std::to_string(t);
        removeTree(dir);
        std::vector<std::string> names;
        if (!createTables(dir, files, &names)) {
            fail(kKillDriver, "cannot create the tables in " + dir);
            continue;
        }
        unsigned micros = 1000 + timing() % 60000;
        int status = 0;
        long last = killAfter(
            micros, [&](int fd) { driverWriter(names, wseed, fd); }, &status);
        std::string where = "writer seed " + std::to_string(wseed) + " (" + std::to_string(files) +
                            " files) killed after " + std::to_string(micros) + " us";
        if (last < 0) {
            fail(kKillDriver,
                 where + ": the writer ended by itself, status " + std::to_string(status));
            continue;
        }
        where += ", transaction " + std::to_string(last);
        DriverWorkload w(wseed, files);
        std::vector<Table> atLast(static_cast<std::size_t>(files));
        for (long i = 1; i <= last + 1; ++i) {
            (void)w.step();
            if (i == last) atLast = w.tables();
        }
        bool allOld = false, allNew = false;
        std::string problem = verifyTables(dir, names, atLast, w.tables(), &allOld, &allNew);
        if (!problem.empty()) fail(kKillDriver, where + ": " + problem);
        if (problem.empty() && allNew && !allOld) ++gKinds[kKillDriver].landed;
        gCommits[kKillDriver] += last;
        removeTree(dir);
    }
}

// Writes and flushes counted in a child: the process kills itself at the
// event numbered gKillAt (0: never) and notes the events at each stage of a
// transaction over several files.
std::uint32_t gEvents = 0, gKillAt = 0, gEventsAtStage[3] = {};

void countEvent(bool) {
    if (++gEvents == gKillAt) raise(SIGKILL);
}

void noteStage(int stage) {
    if (stage >= 1 && stage <= 2) gEventsAtStage[stage] = gEvents;
}

// Runs `history` transactions, then (with `killAt`) the next one with the
// process killed at its write or flush numbered killAt. Reports the events of
// the last transaction and at its stages.
[[noreturn]] void driverStepChild(const std::vector<std::string>& names, unsigned seed, int history,
                                  std::uint32_t killAt, int fd) {
    static const TableDecl decl = driverDecl();
    QuartoDriver drv;
    std::vector<std::unique_ptr<DriverTable>> tables;
    for (const std::string& n : names) {
        tables.push_back(std::make_unique<DriverTable>(drv, decl, n));
        if (tables.back()->op(DriverOp::Open)) _exit(3);
    }
    DriverWorkload w(seed, static_cast<int>(names.size()));
    for (int h = 0; h < history; ++h) {
        auto ops = w.step();
        if (killAt == 0 && runDriverStep(tables, ops)) _exit(4);
    }
    if (killAt != 0) {
        auto ops = w.step();
        gKillAt = killAt;
        platform::testHookBeforeWrite = countEvent;
        testHookTransactionStage = noteStage;
        if (runDriverStep(tables, ops)) _exit(4);
        platform::testHookBeforeWrite = nullptr;
    }
    std::uint32_t report[3] = {gEvents, gEventsAtStage[1], gEventsAtStage[2]};
    if (write(fd, report, sizeof report) != sizeof report) _exit(5);
    _exit(0);
}

// Runs driverStepChild; its exit status, and its report in `report`.
int runStepChild(const std::vector<std::string>& names, unsigned seed, int history,
                 std::uint32_t killAt, std::uint32_t report[3]) {
    int fds[2];
    if (pipe(fds) != 0) return -1;
    pid_t pid = fork();
    if (pid < 0) return -1;
    if (pid == 0) {
        close(fds[0]);
        forgetOpenFilesAfterFork();
        driverStepChild(names, seed, history, killAt, fds[1]);
    }
    close(fds[1]);
    report[0] = report[1] = report[2] = 0;
    std::size_t got = 0;
    ssize_t n;
    while (got < 3 * sizeof(std::uint32_t) &&
           (n = read(fds[0], reinterpret_cast<char*>(report) + got,
                     3 * sizeof(std::uint32_t) - got)) > 0)
        got += static_cast<std::size_t>(n);
    close(fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    return status;
}

bool copyTree(const std::string& from, const std::string& to) {
    std::error_code ec;
    std::filesystem::remove_all(to, ec);
    std::filesystem::copy(from, to, std::filesystem::copy_options::recursive, ec);
    return !ec;
}

// A process writing through the driver killed at each write and flush of one
// transaction in turn.
void killAtEveryWrite(int budget, unsigned seed, const std::string& base) {
    std::mt19937 rng(seed);
    for (unsigned sc = 0; gKinds[kKillEveryWrite].trials < budget; ++sc) {
        unsigned wseed = seed * 6151 + sc;
        int files = 1 + static_cast<int>(wseed % 3);
        if (files == 1 && rng() % 2) files = 2; // mostly transactions over several files
        int history = 1 + static_cast<int>(rng() % 40);
        std::string dir = base + "/w", saved = base + "/w.saved";
        removeTree(dir);
        std::vector<std::string> names;
        std::uint32_t report[3];
        std::string id = "scenario " + std::to_string(wseed) + " (" + std::to_string(files) +
                         " files, " + std::to_string(history) + " transactions before)";
        if (!createTables(dir, files, &names) ||
            runStepChild(names, wseed, history, 0, report) != 0 || !copyTree(dir, saved)) {
            fail(kKillEveryWrite, id + ": cannot make the files");
            return;
        }
        // A run to the end counts the events of the transaction.
        int status = runStepChild(names, wseed, history, 0xFFFFFFFF, report);
        if (status != 0 || report[0] == 0) {
            fail(kKillEveryWrite,
                 id + ": the transaction does not commit, status " + std::to_string(status));
            return;
        }
        const std::uint32_t events = report[0], prepared = report[1], committed = report[2];
        DriverWorkload w(wseed, files);
        for (int h = 0; h < history; ++h)
            (void)w.step();
        const std::vector<Table> before = w.tables();
        (void)w.step();
        const std::vector<Table> after = w.tables();
        std::vector<std::uint32_t> order(events);
        for (std::uint32_t k = 0; k < events; ++k)
            order[k] = k + 1;
        std::shuffle(order.begin(), order.end(), rng);
        for (std::uint32_t k : order) {
            if (gKinds[kKillEveryWrite].trials >= budget) break;
            ++gKinds[kKillEveryWrite].trials;
            std::string where = id + " killed at event " + std::to_string(k) + "/" +
                                std::to_string(events) + " (prepared at " +
                                std::to_string(prepared) + ", commit point at " +
                                std::to_string(committed) + ")";
            if (!copyTree(saved, dir)) {
                fail(kKillEveryWrite, where + ": cannot restore the files");
                continue;
            }
            status = runStepChild(names, wseed, history, k, report);
            if (!WIFSIGNALED(status)) {
                fail(kKillEveryWrite, where + ": not killed, status " + std::to_string(status));
                continue;
            }
            bool allOld = false, allNew = false;
            std::string problem = verifyTables(dir, names, before, after, &allOld, &allNew);
            // Up to every file prepared the transaction is undone; past the
            // commit point it is done.
            if (problem.empty() && prepared && k <= prepared && !allOld)
                problem = "killed before the commit point but not undone";
            if (problem.empty() && committed && k > committed && !allNew)
                problem = "killed after the commit point but not done";
            if (!problem.empty()) fail(kKillEveryWrite, where + ": " + problem);
            if (problem.empty() && allNew && !allOld) ++gKinds[kKillEveryWrite].landed;
        }
    }
    removeTree(base + "/w");
    removeTree(base + "/w.saved");
}

} // namespace

int main(int argc, char** argv) {
    int trials = 0;
    unsigned seed = 1;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--tool" && i + 1 < argc)
            gTool = argv[++i];
        else if (a == "--seed" && i + 1 < argc)
            seed = static_cast<unsigned>(std::strtoul(argv[++i], nullptr, 10));
        else
            trials = std::atoi(argv[i]);
    }
    if (trials <= 0 || gTool.empty()) {
        std::fprintf(stderr, "usage: crash_campaign TRIALS --tool ZEVLON_TOOL [--seed N]\n");
        return 2;
    }
    setRuntimeErrorHandler(rememberInternal);
    std::signal(SIGPIPE, SIG_IGN);
    std::string dir = tempDir();
    if (dir.empty()) {
        std::fprintf(stderr, "crash_campaign: no temporary directory\n");
        return 2;
    }
    int budget[kKinds];
    int given = 0;
    for (int k = 0; k < kKinds; ++k) {
        budget[k] = std::max(1, trials * gKinds[k].share / 100);
        given += budget[k];
    }
    budget[kPowerCut] += std::max(0, trials - given);

    auto started = std::chrono::steady_clock::now();
    powerCutOneFile(budget[kPowerCut], seed, dir);
    failedIoOneFile(budget[kFailedIo], seed, dir);
    recoveryCut(budget[kRecoveryCut], seed, dir);
    powerCutTransaction(budget[kTransactionCut], seed, dir);
    killOneFile(budget[kKillOne], seed, dir);
    killDriverTransaction(budget[kKillDriver], seed, dir);
    killAtEveryWrite(budget[kKillEveryWrite], seed, dir);
    powerCutRun(budget[kRunCut], seed, dir);
    failedIoRun(budget[kRunFailedIo], seed, dir);
    recoveryCutRun(budget[kRunRecoveryCut], seed, dir);
    double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    removeTree(dir);

    int total = 0, failures = 0;
    std::printf("%-26s %8s %9s %8s\n", "kind", "trials", "failures", "landed");
    for (const Kind& k : gKinds) {
        std::printf("%-26s %8d %9d %8d\n", k.name, k.trials, k.failures, k.landed);
        total += k.trials;
        failures += k.failures;
    }
    std::printf("%-26s %8d %9d\n", "total", total, failures);
    for (int k : {kKillOne, kKillDriver})
        if (gKinds[k].trials)
            std::printf("%s: %.1f commits before the kill on average\n", gKinds[k].name,
                        static_cast<double>(gCommits[k]) / gKinds[k].trials);
    std::printf("(landed: the commit in flight at the crash was found whole afterwards)\n");
    std::printf("seed %u, %.1f s\n", seed, seconds);
    return failures ? 1 : 0;
}
