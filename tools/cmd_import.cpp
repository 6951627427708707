// zevlon-tool import: a native export file, a dBase IV table or a CSV file
// brought into the address book of a program directory, on the import code of
// the window. The directory may be new: the data files missing in it are
// created as the program creates them. A CSV file brings the persons of the
// file beside it ("x_osoby.csv") along.
#include "app/exchange/import/csv_import.h"
#include "app/exchange/import/dbase_import.h"
#include "app/exchange/import/import.h"
#include "platform/codepage.h"
#include "tools/commands.h"
#include "tools/program_directory.h"

#include <filesystem>
#include <string>
#include <unistd.h>

namespace zv::tool {

int runImport(Args args) {
    const char* usage = "usage: import DIR FILE [--mode never|newer|always|fill] "
                        "[--map TARGET=FIELD ...] [--cz] [--no-header]";
    std::vector<std::string_view> plain;
    exchange::ImportMode mode = exchange::ImportMode::Never;
    std::vector<std::pair<std::string_view, std::string_view>> maps; // target, field or column
    bool czech = false, noHeader = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--mode" && i + 1 < args.size()) {
            const std::string_view m = args[++i];
            if (m == "never")
                mode = exchange::ImportMode::Never;
            else if (m == "newer")
                mode = exchange::ImportMode::Newer;
            else if (m == "always")
                mode = exchange::ImportMode::Always;
            else if (m == "fill")
                mode = exchange::ImportMode::Fill;
            else
                return badInput(usage);
        } else if (args[i] == "--map" && i + 1 < args.size()) {
            const std::string_view pair = args[++i];
            const auto eq = pair.find('=');
            if (eq == std::string_view::npos) return badInput(usage);
            maps.emplace_back(pair.substr(0, eq), pair.substr(eq + 1));
        } else if (args[i] == "--cz") {
            czech = true;
        } else if (args[i] == "--no-header") {
            noHeader = true;
        } else {
            plain.push_back(args[i]);
        }
    }
    if (plain.size() != 2) return badInput(usage);
    std::string file(plain[1]);
    if (file.front() != '/') {
        char cwd[4096];
        if (getcwd(cwd, sizeof cwd)) file = std::string(cwd) + "/" + file;
    }
    const auto endsWith = [&](std::string_view ext) {
        return file.size() > ext.size() &&
               cp1250::equalNoCase(std::string_view(file).substr(file.size() - ext.size()), ext);
    };
    const bool csv = endsWith(".csv");
    const bool dbase = !csv && (czech || !maps.empty() || endsWith(".dbf"));
    exchange::DbaseMapping mapping;
    mapping.czech = czech;
    if (dbase) {
        for (const auto& [target, field] : maps) {
            std::size_t t = 0;
            while (t < exchange::kDbaseTargets.size() && exchange::kDbaseTargets[t] != target)
                ++t;
            if (t == exchange::kDbaseTargets.size())
                return badInput("no target '" + std::string(target) + "'");
            mapping.fields[t] = std::string(field);
        }
    }
    exchange::CsvMapping csvMapping;
    if (csv) {
        const exchange::CsvPreview preview = exchange::readCsvPreview(file, 1);
        if (!preview.read) {
            std::fprintf(stderr, "zevlon-tool: %s: cannot be read\n", file.c_str());
            return 1;
        }
        const std::vector<std::string> headings =
            preview.rows.empty() ? std::vector<std::string>() : preview.rows.front();
        csvMapping.format = preview.format;
        csvMapping.header = !noHeader;
        if (maps.empty()) {
            csvMapping.targets = noHeader ? std::vector<int>() : preview.suggested;
        } else {
            csvMapping.targets.assign(headings.size(), -1);
            for (const auto& [target, column] : maps) {
                const int t = exchange::csvTargetOf(target);
                if (t < 0) return badInput("no target '" + std::string(target) + "'");
                // A column by its heading, or by its number counted from 1.
                std::size_t c = 0;
                while (c < headings.size() &&
                       (noHeader || !cp1250::equalNoCase(headings[c], cp1250::fromUtf8(column))))
                    ++c;
                if (c == headings.size()) {
                    const std::string digits(column);
                    const bool numeric =
                        !digits.empty() && digits.size() < 5 &&
                        digits.find_first_not_of("0123456789") == std::string::npos;
                    c = numeric ? std::size_t(std::stoi(digits)) - 1 : headings.size();
                    if (!numeric || c >= headings.size())
                        return badInput("no column '" + std::string(column) + "'");
                }
                csvMapping.targets[c] = t;
            }
        }
    }
    std::error_code ec;
    std::filesystem::create_directories(std::string(plain[0]), ec);
    ProgramDirectory program(plain[0]);
    if (!program.ok) return badInput("no directory " + std::string(plain[0]));
    exchange::ImportCounts c;
    exchange::CsvPersonCounts persons;
    if (csv) {
        exchange::CsvImporter importer(program.services, file, csvMapping, mode);
        if (importer.error() != 0) {
            const std::string& failed =
                importer.failedFile().empty() ? file : importer.failedFile();
            std::fprintf(stderr, "zevlon-tool: %s: cannot be read (error %d)\n", failed.c_str(),
                         importer.error());
            return 1;
        }
        while (importer.next()) {
        }
        c = importer.finish();
        persons = importer.personCounts();
    } else if (dbase) {
        exchange::DbaseImporter importer(program.services, file, mapping, mode);
        if (importer.error() != 0) {
            std::fprintf(stderr, "zevlon-tool: %s: not a dBase IV table (error %d)\n", file.c_str(),
                         importer.error());
            return 1;
        }
        while (importer.next()) {
        }
        c = importer.finish();
    } else {
        exchange::Importer importer(program.services, file, mode);
        if (importer.error() != 0) {
            std::fprintf(stderr, "zevlon-tool: %s: not an export file (error %d)\n", file.c_str(),
                         importer.error());
            return 1;
        }
        while (importer.next()) {
        }
        c = importer.finish();
    }
    std::printf("added %ld changed %ld skipped %ld persons %ld meetings %ld\n", c.added, c.changed,
                c.skipped, c.persons, c.meetings);
    // The persons' file beside a CSV file: its name and what became of its lines.
    if (!persons.file.empty())
        std::printf("persons %s: lines %ld added %ld left out %ld without firm %ld malformed %ld\n",
                    std::filesystem::path(persons.file).filename().string().c_str(), persons.lines,
                    c.persons, persons.leftOut, persons.withoutFirm, persons.malformed);
    return 0;
}

} // namespace zv::tool
