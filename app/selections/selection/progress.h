// What a bulk operation on the selection shows while it runs: the progress
// window's message, detail and count lines and its bar. The window program
// shows them in the window "Zpráva o průběhu transakce"; zevlon-tool and the
// tests show nothing. Texts are Windows-1250.
#pragma once

#include <string_view>

namespace zv::selections {

class Progress {
public:
    virtual ~Progress() = default;
    // The operation begins: its message, the detail line and the bar's range.
    virtual void open(std::string_view message, std::string_view detail, long total) = 0;
    // `processed` of the total are done.
    virtual void step(long processed) = 0;
    // The count line ("Přidáno záznamů : 12").
    virtual void count(std::string_view text) = 0;
    // The operation has ended.
    virtual void close() = 0;
};

// Shows nothing.
class NoProgress : public Progress {
public:
    void open(std::string_view, std::string_view, long) override {}
    void step(long) override {}
    void count(std::string_view) override {}
    void close() override {}
};

} // namespace zv::selections
