// Private profile files (ZEVLON.INI and the system profile) with the behaviour
// the program expects of the Windows profile-string calls:
//  - sections and keys are found without regard to letter case (Windows-1250 table);
//  - a value is read without the blanks around it, and without one pair of
//    enclosing quotes; a missing key or section gives the default;
//  - writing changes only the one line concerned and keeps every other line,
//    comment and the order of the file; a missing section is added at the end and
//    a missing key at the end of its section; the file is created when absent;
//  - files are Windows-1250 text with CR LF line ends (LF alone is read too).
// Texts passed in and out are Windows-1250. Every call reads the file anew, so
// several processes may share one file; a write replaces the file atomically.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zv {

class ProfileFile {
public:
    // The path may use "\" or "/" as directory separator.
    explicit ProfileFile(std::string_view path);

    const std::string& path() const { return path_; }

    // The value of key in section, or the default. At most maxWidth characters
    // are returned (a buffer of maxWidth + 1 bytes on Windows).
    std::string getString(std::string_view section, std::string_view key,
                          std::string_view defaultValue = {}, std::size_t maxWidth = 4096) const;

    // The value read as a decimal integer (leading digits, optional sign), or the default
    // when the key is absent or does not start with a number.
    long getInt(std::string_view section, std::string_view key, long defaultValue) const;

    // Whether the key is present (with any value, empty included).
    bool hasKey(std::string_view section, std::string_view key) const;

    // Writes key=value; creates file and section when absent. False when the file
    // cannot be written.
    [[nodiscard]] bool writeString(std::string_view section, std::string_view key,
                                   std::string_view value) const;

    // Removes the key's line; true also when there was nothing to remove.
    [[nodiscard]] bool deleteKey(std::string_view section, std::string_view key) const;

    // Removes the section header and all its lines.
    [[nodiscard]] bool deleteSection(std::string_view section) const;

    // Names of the keys of a section and of the sections of the file, in file order.
    std::vector<std::string> keys(std::string_view section) const;
    std::vector<std::string> sections() const;

private:
    std::optional<std::string> find(std::string_view section, std::string_view key) const;

    std::string path_; // native path of the file
};

} // namespace zv
