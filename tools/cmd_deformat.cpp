// zevlon-tool deformat PICTURE TEXT: typed text read through a date or time picture.
#include "tools/commands.h"

#include "app/shell/dates/picture.h"
#include "platform/codepage.h"

#include <charconv>
#include <cstdio>
#include <string>

namespace zv::tool {
namespace {

std::optional<dates::Picture> picture(std::string_view text, int& rc) {
    std::string why;
    auto p = dates::compile(cp1250::fromUtf8(text), &why);
    if (!p) rc = badInput("invalid picture '" + std::string(text) + "': " + why);
    return p;
}

} // namespace

int runDeformat(Args args) {
    if (args.size() != 2) return badInput("usage: deformat PICTURE TEXT");
    int rc = 0;
    const auto p = picture(args[0], rc);
    if (!p) return rc;
    const auto value = dates::parse(*p, cp1250::fromUtf8(args[1]));
    if (!value) {
        std::puts("invalid");
        return 2;
    }
    std::printf("%d\n", *value);
    return 0;
}

} // namespace zv::tool
