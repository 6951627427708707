// The data of a window test: the dictionary's files on an in-memory driver,
// a temporary directory that is the current one while the test runs (its
// ZEVLON.INI takes the windows' positions), scripted answers to the standard
// messages, the user "Pepa" on day 80000, and the window context over them.
// A test fixture derives from it beside ::testing::Test.
#pragma once

#include "app/shell/access/testing/memory_driver.h"
#include "app/shell/frame/window_context.h"
#include "app/shell/services/standard_open.h"
#include "app/shell/services/testing/add_record.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>

namespace zv::frame::testing {

class WindowTestBook {
public:
    WindowTestBook() : oldDir_(QDir::currentPath()) {
        QDir::setCurrent(dir.path());
        db.registerDriver(driver);
        state.userName = "Pepa";
        state.dnes = 80000;
    }
    ~WindowTestBook() { QDir::setCurrent(oldDir_); }
    WindowTestBook(const WindowTestBook&) = delete;
    WindowTestBook& operator=(const WindowTestBook&) = delete;

    // Creates the files empty; false when one could not be created.
    bool create(std::initializer_list<const char*> labels) {
        for (const char* label : labels)
            if (db.file(label).create() != 0) return false;
        return true;
    }
    // Adds one record, filled by `fill` in the cleared buffer, with the file
    // opened for it as a procedure would; a failure fails the test.
    void add(const char* label, const std::function<void(access::RecordFile&)>& fill) {
        EXPECT_EQ(services::testing::addRecord(s, db.file(label), fill), 0)
            << "adding to " << label;
    }

    QTemporaryDir dir;
    access::testing::MemoryDriver driver;
    access::Database db;
    services::ScriptedMessages messages;
    services::ProcedureServices s{db, messages, {}};
    startup::AppState state;
    WindowContext context{{db, s, state}};

private:
    QString oldDir_;
};

} // namespace zv::frame::testing
