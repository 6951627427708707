// The removal engine: works through an install log pass by pass and removes
// what the installation created. Runs once per program run, on the worker
// thread, after the user has confirmed.
//
// Passes, each over the whole log in its order:
//   1. custom pass: every kind-7 program is run; a failure ends the removal
//      before anything is removed;
//   2. file pass: files, shared libraries, Program Manager groups, with the
//      progress bar going from 0 to 100 (of 120);
//   3. directory pass: created directories, in log order;
//   4. system-file step (no action), then the product's uninstall key.
// A file or directory that cannot be removed at once is scheduled for
// deletion at restart; that is not an error.
#pragma once

#include "uninstall/facilities.h"
#include "uninstall/install_log.h"
#include "uninstall/texts.h"

#include <string>
#include <vector>

namespace zv::uninstall {

inline constexpr int kProgressRange = 120;

// "program" argument: the program in quotes (so that a path with blanks
// cannot start another program), then the argument when there is one.
std::string commandLineFor(const std::string& program, const std::string& argument);

class RemovalEngine {
public:
    // REQUIRES: system and view outlive the engine.
    RemovalEngine(System& system, RemovalView& view, const Version& version);
    RemovalEngine(const RemovalEngine&) = delete;
    RemovalEngine& operator=(const RemovalEngine&) = delete;

    // Removes everything the entries list. True on success, false when a
    // custom uninstall program failed and nothing was removed.
    [[nodiscard]] bool run(const std::vector<LogEntry>& entries);

    // Deletes a file or an empty directory; otherwise schedules it for deletion
    // at restart, sets restart needed and lists it. True when removed at once
    // (or when nothing is there any more). A path that leads through a link to
    // a directory is left alone.
    bool removePath(const std::string& path);
    // Releases one reference of a shared library; at the last one the value and
    // the file go (an ActiveX control is unregistered first). False when the
    // count could not be found, read or written.
    bool releaseSharedDll(const std::string& path);
    // 0 when the empty directory was removed, -1 otherwise (also for a path
    // that leads through a link).
    int removeDirectory(const std::string& path);
    // Sends [DeleteGroup("<name>")] to Program Manager; failures are shown.
    void deleteProgmanGroup(const std::string& name);
    // Exit code of the program, or -1 when it could not be started.
    int runProgram(const std::string& program, const std::string& argument);

    bool restartNeeded() const { return restartNeeded_; }
    // Full paths scheduled for deletion at restart, in scheduling order
    // (always empty for a version that keeps no list).
    const std::vector<std::string>& lockedFiles() const { return lockedFiles_; }
    // Product name of the last run (empty when the log names none).
    const std::string& productName() const { return productName_; }

private:
    bool customPass(const std::vector<LogEntry>& entries);
    void filePass(const std::vector<LogEntry>& entries);
    void directoryPass(const std::vector<LogEntry>& entries);
    void setProgress(std::uint64_t position, std::size_t entryCount);

    System& system_;
    RemovalView& view_;
    const Version& version_;
    std::string productName_;
    bool restartNeeded_ = false;           // something was scheduled for restart
    std::vector<std::string> lockedFiles_; // listed in the restart dialog
};

} // namespace zv::uninstall
