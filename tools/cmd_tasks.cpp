// zevlon-tool tasks: the task numbers a tab of the task list or a day of the
// calendar shows, in their order, and "Úkol splněn" from the command line, on
// the same declarations as the windows.
#include "app/records/kinds/task_actions.h"
#include "app/records/kinds/tasks.h"
#include "app/selections/bindings/file_bindings.h"
#include "app/shell/dictionary/records.h"
#include "app/shell/services/standard_open.h"
#include "platform/codepage.h"
#include "platform/dates/standard_date.h"
#include "tools/commands.h"
#include "tools/iso_date.h"
#include "tools/program_directory.h"

#include <charconv>
#include <cstdio>
#include <string>

namespace zv::tool {
namespace {

constexpr const char* kUsage =
    "usage: tasks DIR current|today|tomorrow|all|by-date|firm ID|day YYYY-MM-DD "
    "[--today YYYY-MM-DD]\n       tasks DIR done N [--by USER] [--today YYYY-MM-DD]";

bool readNumber(std::string_view text, std::int32_t* n) {
    const auto r = std::from_chars(text.data(), text.data() + text.size(), *n);
    return r.ec == std::errc() && r.ptr == text.data() + text.size() && *n > 0;
}

// The tab of a word, or 0.
int tabOf(std::string_view what) {
    if (what == "current") return records::kTabCurrent;
    if (what == "today") return records::kTabToday;
    if (what == "tomorrow") return records::kTabTomorrow;
    if (what == "all") return records::kTabAll;
    if (what == "firm") return records::kTabFirm;
    if (what == "by-date") return records::kTabByDate;
    return 0;
}

int printNumbers(access::RecordFile& ukoly, const records::SortOrder& order) {
    int error = 0;
    for (std::int32_t n : records::taskNumbers(ukoly, order, &error))
        std::printf("%d\n", n);
    if (error == 0) return 0;
    std::fprintf(stderr, "zevlon-tool: reading %s: error %d\n", ukoly.name().c_str(), error);
    return 1;
}

} // namespace

int runTasks(Args args) {
    if (args.size() < 2) return badInput(kUsage);
    std::vector<std::string_view> rest(args.begin() + 1, args.end());
    std::int32_t today = dates::today();
    std::string by;
    for (std::size_t i = 0; i + 1 < rest.size();) {
        if (rest[i] == "--today" || rest[i] == "--by") {
            if (rest[i] == "--today") {
                today = isoDate(rest[i + 1]);
                if (today < 0) return badInput("not a date: " + std::string(rest[i + 1]));
            } else {
                by = cp1250::fromUtf8(rest[i + 1]);
            }
            rest.erase(rest.begin() + std::ptrdiff_t(i), rest.begin() + std::ptrdiff_t(i) + 2);
            continue;
        }
        ++i;
    }
    if (rest.empty()) return badInput(kUsage);
    const std::string_view what = rest[0];
    const bool takesValue = what == "firm" || what == "day" || what == "done";
    if (rest.size() != (takesValue ? 2u : 1u) || (!tabOf(what) && what != "day" && what != "done"))
        return badInput(kUsage);
    if (!by.empty() && what != "done") return badInput(kUsage);

    auto values = records::taskListValues(today);
    std::int32_t number = 0;
    if ((what == "firm" || what == "done") && !readNumber(rest[1], &number))
        return badInput("not a number: " + std::string(rest[1]));
    if (what == "firm") values->firm = number;
    if (what == "day") {
        values->day = isoDate(rest[1]);
        if (values->day < 0) return badInput("not a date: " + std::string(rest[1]));
    }

    ProgramDirectory program(args[0]);
    if (!program.ok) return badInput("no directory " + std::string(args[0]));
    if (!selections::bindStandardFiles(program.db)) return 1;
    auto& ukoly = program.db.file("UKOLY");
    if (services::standardOpen(program.services, ukoly) != services::OpenOutcome::Opened) return 1;

    if (what == "done") {
        const std::string user = by.empty() ? program.state.userName : by;
        const int code =
            records::completeTask(ukoly, program.state, number, today, dates::clockTime(), user);
        services::standardRelease(ukoly);
        if (code == access::kRecordNotAvailable) {
            std::fprintf(stderr, "zevlon-tool: no task %d\n", number);
            return 1;
        }
        if (code != 0) {
            std::fprintf(stderr, "zevlon-tool: writing task %d: error %d\n", number, code);
            return 1;
        }
        std::printf("done %d\n", number);
        return 0;
    }
    const records::BrowseDecl decl =
        what == "day" ? records::dayTasksBrowse(values) : records::ukolyBrowse(values);
    const int result =
        printNumbers(ukoly, decl.orders[std::size_t(what == "day" ? 0 : tabOf(what) - 1)]);
    services::standardRelease(ukoly);
    return result;
}

} // namespace zv::tool
