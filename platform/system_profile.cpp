#include "system_profile.h"

#include <cstdlib>
#include <filesystem>

namespace zv {

std::string systemProfilePath() {
    if (const char* p = std::getenv("ZEVLON_SYSTEM_PROFILE"); p && *p) return p;
    std::string base;
    if (const char* x = std::getenv("XDG_CONFIG_HOME"); x && *x)
        base = x;
    else if (const char* h = std::getenv("HOME"); h && *h)
        base = std::string(h) + "/.config";
    else
        base = ".";
    return base + "/zevlon/system.ini";
}

ProfileFile systemProfile() {
    const std::string path = systemProfilePath();
    std::error_code ec;
    const auto dir = std::filesystem::path(path).parent_path();
    if (!dir.empty()) std::filesystem::create_directories(dir, ec);
    return ProfileFile(path);
}

} // namespace zv
