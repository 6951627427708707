// The services every procedure shares: the record access services, the message
// service and the error saved at the last failure. One per process.
#pragma once

#include "messages.h"

#include "app/shell/access/database.h"

namespace zv::services {

struct ProcedureServices {
    access::Database& db;
    MessageService& messages;
    SavedError saved; // the error that caused the last failure
    // Set when the user confirmed that a file problem ends the program ("Disk Error").
    bool haltRequested = false;

    // Keeps the database's current error as the saved error.
    void saveError();
    // Shows standard message n with the saved error; returns the button pressed.
    Button message(int n, std::string_view name1 = {}, std::string_view name2 = {});
};

} // namespace zv::services
