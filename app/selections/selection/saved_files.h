// Where saved selections live: one file each in the subdirectory "Vybery" of
// the data directory, named "VYB" and the entry's number in five digits.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace zv::selections {

// "VYB00012" for number 12.
std::string savedFileName(std::int64_t number);

// The physical name of a saved file: the data prefix without trailing blanks,
// "Vybery\", the file name without trailing blanks and ".QTF".
std::string savedPhysicalName(std::string_view dataPrefix, std::string_view file);

// Whether the saved file of that name is on disk.
bool savedFileExists(std::string_view dataPrefix, std::string_view file);

// Creates the "Vybery" subdirectory of the data directory when it is absent.
bool makeSavedDirectory(std::string_view dataPrefix);

} // namespace zv::selections
