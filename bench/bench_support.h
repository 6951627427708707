// What the benchmarks over the program's data files share: standard messages
// printed to standard error with their default answer, and wall time.
#pragma once

#include "app/shell/services/messages.h"

#include <chrono>
#include <cstdio>
#include <functional>

namespace zv::bench {

class QuietMessages : public services::MessageService {
public:
    services::Button show(const services::Message& m) override {
        std::fprintf(stderr, "message: %s: %s\n", m.title.c_str(), m.text.c_str());
        return m.buttons.empty() ? services::Button::Ok : m.buttons.front();
    }
};

// The wall time of `work` in seconds.
inline double seconds(const std::function<void()>& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

} // namespace zv::bench
