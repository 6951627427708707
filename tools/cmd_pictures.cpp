// zevlon-tool format PICTURE NUMBER: a standard date or time shown through a picture;
// zevlon-tool deformat PICTURE TEXT: typed text read through a date or time picture.
#include "tools/commands.h"

#include "platform/dates/picture.h"
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

int runFormat(Args args) {
    if (args.size() != 2) return badInput("usage: format PICTURE NUMBER");
    int rc = 0;
    const auto p = picture(args[0], rc);
    if (!p) return rc;
    const std::string_view a = args[1];
    std::int32_t value = 0;
    const auto [end, ec] = std::from_chars(a.data(), a.data() + a.size(), value);
    if (a.empty() || ec != std::errc() || end != a.data() + a.size())
        return badInput("not a number: '" + std::string(a) + "'");
    const std::string text = dates::format(*p, value);
    if (text.empty() && value != 0) {
        std::puts("invalid");
        return 2;
    }
    std::printf("%s\n", cp1250::toUtf8(text).c_str());
    return 0;
}

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
