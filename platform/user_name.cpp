#include "user_name.h"

#include "codepage.h"

#include <cstdlib>
#include <pwd.h>
#include <unistd.h>

namespace zv {

std::string currentUserName() {
    for (const char* var : {"ZEVLON_USER", "LOGNAME", "USER"})
        if (const char* v = std::getenv(var); v && *v) return cp1250::fromUtf8(v);
    if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_name)
        return cp1250::fromUtf8(pw->pw_name);
    return {};
}

} // namespace zv
