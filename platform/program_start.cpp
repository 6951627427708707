#include "program_start.h"

#include "codepage.h"
#include "paths.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
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

bool startProgram(std::string_view commandLine) {
    std::vector<std::string> args = splitCommandLine(commandLine);
    if (args.empty()) return false;
    // A program named with a directory uses "/" on this system.
    if (args[0].find('\\') != std::string::npos) args[0] = paths::native(args[0]);
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
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

} // namespace zv
