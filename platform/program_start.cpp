#include "program_start.h"

#include "codepage.h"
#include "paths.h"

#include <cerrno>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace zv {

std::vector<std::string> splitCommandLine(std::string_view line) {
    std::vector<std::string> args;
    std::string current;
    bool inQuotes = false, any = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (c == '\\') {
            std::size_t n = 0;
            while (i < line.size() && line[i] == '\\')
                ++n, ++i;
            if (i < line.size() && line[i] == '"') {
                current.append(n / 2, '\\');
                if (n % 2) {
                    current += '"';
                    any = true;
                    continue;
                }
                --i; // the quote is handled below on the next round
                any = true;
                continue;
            }
            current.append(n, '\\');
            --i;
            any = true;
        } else if (c == '"') {
            inQuotes = !inQuotes;
            any = true;
        } else if ((c == ' ' || c == '\t') && !inQuotes) {
            if (any) args.push_back(cp1250::toUtf8(current));
            current.clear();
            any = false;
        } else {
            current += c;
            any = true;
        }
    }
    if (any) args.push_back(cp1250::toUtf8(current));
    return args;
}

namespace {

// The arguments of a command line ready for the system: a program named with a
// directory uses "/" on this system. Empty when there is nothing to run.
std::vector<std::string> programArguments(std::string_view commandLine) {
    std::vector<std::string> args = splitCommandLine(commandLine);
    if (!args.empty() && args[0].find('\\') != std::string::npos) args[0] = paths::native(args[0]);
    return args;
}

std::vector<char*> argumentPointers(std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    return argv;
}

} // namespace

bool startProgram(std::string_view commandLine) {
    std::vector<std::string> args = programArguments(commandLine);
    if (args.empty()) return false;
    std::vector<char*> argv = argumentPointers(args);
    // A grandchild runs the program, so it is never left as a zombie of ours.
    const pid_t child = ::fork();
    if (child < 0) return false;
    if (child == 0) {
        ::setsid();
        pid_t grandchild = 0;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        const int rc =
            ::posix_spawnp(&grandchild, argv[0], &actions, nullptr, argv.data(), environ);
        ::_exit(rc == 0 ? 0 : 127);
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0) {
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

WatchedProgram::WatchedProgram(std::string_view commandLine) {
    std::vector<std::string> args = programArguments(commandLine);
    if (args.empty()) return;
    std::vector<char*> argv = argumentPointers(args);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    // A session of its own: a signal meant for ours does not reach it.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
    pid_t pid = 0;
    const int rc = ::posix_spawnp(&pid, argv[0], &actions, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) {
        startError_ = rc;
        return;
    }
    pid_ = pid;
    state_ = State::Running;
}

WatchedProgram::~WatchedProgram() {
    if (state_ != State::Running) return;
    std::thread([pid = pid_] {
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    }).detach();
}

WatchedProgram::State WatchedProgram::poll() {
    if (state_ != State::Running) return state_;
    int status = 0;
    pid_t got = 0;
    do {
        got = ::waitpid(pid_, &status, WNOHANG);
    } while (got < 0 && errno == EINTR);
    if (got == 0) return state_;
    if (got < 0) {
        state_ = State::Lost;
    } else if (WIFSIGNALED(status)) {
        state_ = State::Killed;
        code_ = WTERMSIG(status);
    } else {
        state_ = State::Exited;
        code_ = WEXITSTATUS(status);
    }
    return state_;
}

} // namespace zv
