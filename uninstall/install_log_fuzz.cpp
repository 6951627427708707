// libFuzzer target: any byte string is a log; reading it and running the
// engine over it against the in-memory fake must neither crash nor misbehave.
#include "uninstall/fake_system.h"
#include "uninstall/install_log.h"
#include "uninstall/removal_engine.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace zv::uninstall;
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    std::vector<LogEntry> entries = parseInstallLog(bytes);
    if (entries.size() != size / kRecordSize) std::abort();
    for (const LogEntry& entry : entries) {
        if (entry.first.size() > kTextSize || entry.second.size() > kTextSize) std::abort();
    }
    testing::FakeSystem system;
    testing::FakeView view;
    for (const LogEntry& entry : entries)
        system.addFile(entry.first);
    RemovalEngine engine(system, view, kVersion150);
    (void)engine.run(entries);
    for (int position : view.progress) {
        if (position < 0 || position > 100) std::abort();
    }
    return 0;
}
