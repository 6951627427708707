// For the tests of the key repair and of the order of text keys: the
// program's data files in a directory of their own (the working selection in
// it too), filled with demo firms, and every file's records to compare.
#pragma once

#include "app/shell/access/database.h"
#include "app/shell/access/standard_drivers.h"
#include "app/shell/demo/demo_data.h"
#include "app/utilities/repair/testing/key_damage.h"
#include "platform/dates/standard_date.h"

#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <unistd.h>

namespace zv::utilities::testing {

// An empty directory of this process in the temporary directory.
inline std::filesystem::path freshDirectory(const std::string& name) {
    const auto dir =
        std::filesystem::temp_directory_path() / (name + "_" + std::to_string(::getpid()));
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir;
}

struct DemoBook {
    access::Database db;

    explicit DemoBook(const std::filesystem::path& dir, bool czechOrder = false) {
        access::registerStandardDrivers(db);
        db.setDataPrefix(dir.string() + "/");
        db.file("Vybery").setPhysicalName((dir / "VYBER").string());
        db.file("AktVyber").setPhysicalName((dir / "VYB0001").string());
        db.setCzechOrder(czechOrder);
    }

    // Demo firms with their persons, meetings and tasks; 0 or the failed file's code.
    int fill(int firms, std::string* failed) {
        demo::DemoOptions options;
        options.firms = firms;
        options.today = dates::today();
        return demo::createDemoData(db, options, failed);
    }

    // The records of each file that opens, by label; "cannot open" for the others.
    template <typename Labels> std::map<std::string, std::string> records(const Labels& labels) {
        std::map<std::string, std::string> files;
        for (std::string_view label : labels) {
            auto& f = db.file(label);
            if (f.open() != 0) {
                files[std::string(label)] = "cannot open";
                continue;
            }
            files[std::string(label)] = recordsInFileOrder(f);
            (void)f.close();
        }
        return files;
    }
};

} // namespace zv::utilities::testing
