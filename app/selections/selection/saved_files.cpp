#include "app/selections/selection/saved_files.h"

#include "platform/paths.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

namespace zv::selections {
namespace {

std::string_view trimmedRight(std::string_view s) {
    while (!s.empty() && s.back() == ' ')
        s.remove_suffix(1);
    return s;
}

} // namespace

std::string savedFileName(std::int64_t number) {
    char name[32];
    std::snprintf(name, sizeof name, "VYB%05lld", static_cast<long long>(number));
    return name;
}

std::string savedPhysicalName(std::string_view dataPrefix, std::string_view file) {
    return std::string(trimmedRight(dataPrefix)) + "Vybery\\" + std::string(trimmedRight(file)) +
           ".QTF";
}

bool savedFileExists(std::string_view dataPrefix, std::string_view file) {
    std::error_code ec;
    return std::filesystem::exists(paths::native(savedPhysicalName(dataPrefix, file)), ec);
}

bool makeSavedDirectory(std::string_view dataPrefix) {
    std::error_code ec;
    const std::string dir = paths::native(std::string(trimmedRight(dataPrefix)) + "Vybery");
    std::filesystem::create_directories(dir, ec);
    return std::filesystem::is_directory(dir, ec);
}

} // namespace zv::selections
