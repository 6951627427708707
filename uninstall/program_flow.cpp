#include "uninstall/program_flow.h"

#include <algorithm>

namespace zv::uninstall {

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

bool isDrive(std::string_view text) {
    return text.size() == 2 && text[1] == ':' &&
           ((text[0] >= 'A' && text[0] <= 'Z') || (text[0] >= 'a' && text[0] <= 'z'));
}

// "\\server" or "\\server\share", with nothing after the share.
bool isShareRoot(std::string_view text) {
    if (text.substr(0, 2) != "\\\\") return false;
    return std::count(text.begin() + 2, text.end(), '\\') <= 1;
}

bool isDotName(std::string_view text) {
    std::size_t slash = text.find_last_of("\\/:");
    std::string_view last = slash == std::string_view::npos ? text : text.substr(slash + 1);
    return last == "." || last == "..";
}

} // namespace

std::string logPathFromCommandLine(std::string_view commandLine) {
    std::size_t at = 0;
    if (at < commandLine.size() && commandLine[at] == '"') {
        std::size_t close = commandLine.find('"', 1);
        at = close == std::string_view::npos ? commandLine.size() : close + 1;
    }
    while (at < commandLine.size() && !isBlank(commandLine[at]))
        ++at;
    while (at < commandLine.size() && isBlank(commandLine[at]))
        ++at;
    return std::string(commandLine.substr(at));
}

std::string captionFor(const std::string& product, const Version& version) {
    if (product.empty()) return version.caption;
    return product + text::kCaptionSuffix;
}

std::vector<std::string> parentDirectories(const std::string& logPath) {
    std::vector<std::string> directories;
    std::string rest = logPath;
    while (!rest.empty()) {
        rest.pop_back();
        if (rest.empty() || rest.back() != '\\') continue;
        while (!rest.empty() && rest.back() == '\\')
            rest.pop_back();
        if (rest.empty() || isDrive(rest) || isShareRoot(rest) || isDotName(rest)) continue;
        directories.push_back(rest);
    }
    return directories;
}

} // namespace zv::uninstall
