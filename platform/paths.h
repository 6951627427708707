// File names as the program writes them: "\" or "/" separate directories.
#pragma once

#include <string>
#include <string_view>

namespace zv::paths {

// The name with every "\" turned into "/" for the operating system.
std::string native(std::string_view name);

// Splits "file\!table" (or "file/!table") into its file and table parts; the
// table part is empty when the name has none.
struct FileAndTable {
    std::string file;
    std::string table;
};
FileAndTable splitTable(std::string_view name);

// The directory part of a native path ("" for a bare name), without the final "/".
std::string directoryOf(std::string_view nativePath);

// Joins a directory and a name ("" directory gives the name).
std::string join(std::string_view directory, std::string_view name);

} // namespace zv::paths
