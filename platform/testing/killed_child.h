// The kill tests' child process: `work` runs in a child of its own, which is
// killed (SIGKILL, as a power cut or a killed program would end it) after
// `delay`, unless it ended before.
#pragma once

#include <chrono>
#include <csignal>
#include <functional>
#include <optional>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace zv::testing {

// True when the kill ended the child while it worked, false when it had ended
// by itself; nothing when no child could be made.
inline std::optional<bool> killedWhileWorking(const std::function<void()>& work,
                                              std::chrono::microseconds delay) {
    const pid_t child = fork();
    if (child < 0) return std::nullopt;
    if (child == 0) {
        work();
        _exit(0);
    }
    std::this_thread::sleep_for(delay);
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    return WIFSIGNALED(status);
}

// How long `work` takes in a child of its own, run to its end; nothing when no
// child could be made or it did not end normally.
inline std::optional<std::chrono::milliseconds> timedInChild(const std::function<void()>& work) {
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child < 0) return std::nullopt;
    if (child == 0) {
        work();
        _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    if (!WIFEXITED(status)) return std::nullopt;
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 start);
}

} // namespace zv::testing
