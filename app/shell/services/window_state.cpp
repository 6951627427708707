#include "window_state.h"

#include "platform/codepage.h"

namespace zv::services {

bool saveWindowState(const ProfileFile& ini, std::string_view section, const WindowGeometry& g) {
    bool ok = ini.writeString(section, "Maximize", g.maximized ? "Yes" : "No");
    if (!g.minimized) {
        ok = ini.writeString(section, "XPosit", std::to_string(g.x)) && ok;
        ok = ini.writeString(section, "YPosit", std::to_string(g.y)) && ok;
        ok = ini.writeString(section, "Width", std::to_string(g.width)) && ok;
        ok = ini.writeString(section, "Height", std::to_string(g.height)) && ok;
    }
    return ok;
}

WindowRestore restoreWindowState(const ProfileFile& ini, std::string_view section, bool resizable,
                                 bool alreadyMaximized) {
    WindowRestore r;
    if (ini.hasKey(section, "XPosit") && !alreadyMaximized) {
        const long x = ini.getInt(section, "XPosit", 0);
        const long y = ini.getInt(section, "YPosit", 0);
        if (x != 0 && y != 0) {
            r.move = true;
            r.x = static_cast<int>(x);
            r.y = static_cast<int>(y);
        }
        if (resizable) {
            const long w = ini.getInt(section, "Width", 0);
            const long h = ini.getInt(section, "Height", 0);
            if (w > 0 && h > 0) {
                r.resize = true;
                r.width = static_cast<int>(w);
                r.height = static_cast<int>(h);
            }
        }
    }
    r.maximize = cp1250::equalNoCase(ini.getString(section, "Maximize", "No"), "Yes");
    return r;
}

std::string readListFormat(const ProfileFile& ini, std::string_view section, std::string_view key) {
    return ini.getString(section, key, "", 4096);
}

bool saveListFormat(const ProfileFile& ini, std::string_view section, std::string_view key,
                    std::string_view format) {
    return ini.writeString(section, key, format);
}

} // namespace zv::services
