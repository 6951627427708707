#include "paths.h"

namespace zv::paths {

std::string native(std::string_view name) {
    std::string out(name);
    for (char& c : out)
        if (c == '\\') c = '/';
    return out;
}

FileAndTable splitTable(std::string_view name) {
    for (size_t i = 0; i + 1 < name.size(); ++i) {
        if ((name[i] == '\\' || name[i] == '/') && name[i + 1] == '!')
            return {std::string(name.substr(0, i)), std::string(name.substr(i + 2))};
    }
    return {std::string(name), {}};
}

std::string directoryOf(std::string_view nativePath) {
    const auto slash = nativePath.rfind('/');
    if (slash == std::string_view::npos) return {};
    if (slash == 0) return "/";
    return std::string(nativePath.substr(0, slash));
}

std::string join(std::string_view directory, std::string_view name) {
    if (directory.empty()) return std::string(name);
    std::string out(directory);
    if (out.back() != '/') out += '/';
    out += name;
    return out;
}

} // namespace zv::paths
