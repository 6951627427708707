// Starting another program by its command line, as a separate process that runs
// on its own (the program does not wait for it). The command line is split into
// arguments the way Windows programs split theirs: blanks separate, double
// quotes group, a backslash before a quote escapes it. The program is looked up
// on PATH; a name written with "\" works too.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zv {

// The arguments of a command line (Windows-1250 in, UTF-8 out for the system).
std::vector<std::string> splitCommandLine(std::string_view commandLine1250);

// Starts the program; false when there is nothing to run or it cannot be started.
bool startProgram(std::string_view commandLine1250);

// A program started as a separate process and watched until it ends, without
// waiting for it: poll() looks and returns at once, so the caller keeps serving
// its windows meanwhile. A program still running when its watch is destroyed
// runs on; a thread of ours collects its end so it never stays a zombie.
class WatchedProgram {
public:
    enum class State {
        NotStarted, // nothing to run, or the system could not start it (startError())
        Running,
        Exited, // ended by itself; exitCode() is its exit code
        Killed, // ended by a signal; exitCode() is the signal's number
        Lost,   // ended, but its end was collected elsewhere and is not known
    };

    explicit WatchedProgram(std::string_view commandLine1250);
    ~WatchedProgram();
    WatchedProgram(const WatchedProgram&) = delete;
    WatchedProgram& operator=(const WatchedProgram&) = delete;

    // The state now; once the program has ended it stays as it was found.
    State poll();
    State state() const { return state_; }
    int exitCode() const { return code_; }
    // NotStarted: the system's error number (ENOENT for a program not found), 0
    // when the command line was empty.
    int startError() const { return startError_; }

private:
    int pid_ = -1;
    State state_ = State::NotStarted;
    int code_ = 0;
    int startError_ = 0;
};

} // namespace zv
