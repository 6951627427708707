// A program directory as zevlon-tool's commands see it: as the program does,
// they run in it, read its ZEVLON.INI and name the data files from "DATA";
// standard messages go to standard error, each answered with its default button.
#pragma once

#include "app/shell/access/database.h"
#include "app/shell/access/standard_drivers.h"
#include "app/shell/services/procedure_services.h"
#include "app/shell/startup/app_state.h"
#include "platform/codepage.h"
#include "platform/dates/standard_date.h"
#include "platform/paths.h"
#include "platform/profile.h"
#include "platform/user_name.h"

#include <cstdio>
#include <string_view>
#include <unistd.h>

namespace zv::tool {

// Standard messages go to standard error; each box takes its default button.
class PrintedMessages : public services::MessageService {
public:
    services::Button show(const services::Message& m) override {
        std::fprintf(stderr, "zevlon-tool: %s: %s\n", cp1250::toUtf8(m.title).c_str(),
                     cp1250::toUtf8(m.text).c_str());
        return m.buttons.empty() ? services::Button::Ok : m.buttons.front();
    }
};

// The program's directory as the program sees it: its settings read, the data
// files named from "DATA".
struct ProgramDirectory {
    access::Database db;
    PrintedMessages messages;
    services::ProcedureServices services{db, messages, {}};
    bool ok = false;

    startup::AppState state;

    explicit ProgramDirectory(std::string_view dir) {
        if (chdir(paths::native(dir).c_str()) != 0) return;
        access::registerStandardDrivers(db);
        startup::readSettings(ProfileFile(startup::kSettingsFile), state);
        state.userName = currentUserName();
        state.dnes = dates::today();
        db.setDataPrefix(state.dataPrefix);
        db.setCzechOrder(state.czechOrder);
        ok = true;
    }
};

} // namespace zv::tool
