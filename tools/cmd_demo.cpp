// zevlon-tool demo DIR [--firms N] [--seed S]: a complete demo data directory.
#include "commands.h"

#include "app/shell/access/standard_drivers.h"
#include "app/shell/demo/demo_data.h"
#include "app/shell/startup/default_settings.h"
#include "platform/dates/standard_date.h"
#include "platform/paths.h"
#include "platform/profile.h"
#include "platform/user_name.h"

#include <charconv>
#include <cstdio>
#include <filesystem>
#include <string>

namespace zv::tool {
namespace {

bool parseNumber(std::string_view text, long min, long max, long& out) {
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
    return ec == std::errc() && end == text.data() + text.size() && out >= min && out <= max;
}

} // namespace

int runDemo(Args args) {
    std::string dir;
    demo::DemoOptions options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        long n = 0;
        if (args[i] == "--firms" && i + 1 < args.size()) {
            if (!parseNumber(args[++i], 0, 1000000, n))
                return badInput("--firms needs 0 to 1000000");
            options.firms = static_cast<int>(n);
        } else if (args[i] == "--seed" && i + 1 < args.size()) {
            if (!parseNumber(args[++i], 0, 4294967295L, n))
                return badInput("--seed needs a number");
            options.seed = static_cast<std::uint32_t>(n);
        } else if (dir.empty() && !args[i].starts_with("--")) {
            dir = paths::native(args[i]);
        } else {
            return badInput("usage: demo DIR [--firms N] [--seed S]");
        }
    }
    if (dir.empty()) return badInput("usage: demo DIR [--firms N] [--seed S]");
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(dir) / "Vybery", ec);
    if (ec) return badInput("cannot make directory " + dir + ": " + ec.message());

    access::Database db;
    access::registerStandardDrivers(db);
    db.setDataPrefix(dir + "/");
    // The working selection lives beside ZEVLON.INI, which is the demo directory.
    db.file("Vybery").setPhysicalName(dir + "/VYBER");
    db.file("AktVyber").setPhysicalName(dir + "/VYB0001");
    options.today = dates::today();
    options.now = dates::clockTime();
    options.user = currentUserName();
    if (options.user.empty()) options.user = "Demo";
    std::string failed;
    if (const int code = demo::createDemoData(db, options, &failed)) {
        std::fprintf(stderr, "zevlon-tool: %s: error %d %s\n", failed.c_str(), code,
                     access::errorText(code).c_str());
        return 1;
    }
    const ProfileFile ini(dir + "/ZEVLON.INI");
    if (!ini.hasKey("QDADRESAR", "DATA") && !ini.writeString("QDADRESAR", "DATA", ""))
        return badInput("cannot write " + ini.path());
    // "Proveď zálohu" packs the demo directory into its folder ZALOHY.
    if (!startup::writeBackupDefaults(ini, ini.getString("QDADRESAR", "DATA", "", 100)))
        return badInput("cannot write " + ini.path());
    std::printf("%s: %d firms\n", dir.c_str(), options.firms);
    return 0;
}

} // namespace zv::tool
