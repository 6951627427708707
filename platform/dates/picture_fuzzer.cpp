// libFuzzer target: the first line of the input compiled as a picture, the rest read
// through it; whatever is read must be a valid number that shows as text again.
#include "platform/dates/picture.h"

#include "platform/profile.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace zv::dates;
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const auto newline = input.find('\n');
    const std::string_view pictureText = input.substr(0, newline);
    const std::string_view text = newline == input.npos ? "" : input.substr(newline + 1);
    // The regional pictures as on a machine without settings.
    static const Regional regional = regionalFrom(zv::ProfileFile("/nonexistent/system.ini"));
    const auto picture = compile(pictureText, regional);
    if (!picture) return 0;
    const auto value = parse(*picture, text);
    if (!value || *value == 0) return 0;
    const bool valid =
        picture->kind() == PictureKind::Date ? isValidDate(*value) : isValidTime(*value);
    if (!valid || format(*picture, *value).empty()) __builtin_trap();
    return 0;
}
