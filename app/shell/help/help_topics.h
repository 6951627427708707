// The help of the program: which page of the help pages tells about a window
// (by its procedure name, "ADRESAR_S") or answers a help keyword
// ("~H_Zaloha", "UpdateLabel"). Names are matched without regard to letter
// case, so a window's settings section ("Adresar_S") finds its page too.
// Every window of the program has a row in the list of windows; a window
// without one has no page, which the help pages test refuses.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace zv::help {

struct Topic {
    std::string_view name; // procedure or help keyword
    std::string_view page; // file name of the page in the help directory
};

// The contents page and the page that tells how to use the help.
inline constexpr std::string_view kContentsPage = "index.html";
inline constexpr std::string_view kHowToPage = "napoveda.html";

// Every window of the program, by procedure.
std::span<const Topic> windowTopics();
// The help keywords the windows name.
std::span<const Topic> keywordTopics();

// The page of a procedure or keyword; empty when it has none.
std::string_view pageOf(std::string_view name);

// Where the pages may be, best first: "HELP/Zevlon" in the program's current
// directory (the help directory of the settings), the pages installed with
// the program (share/zevlon/help beside its bin directory), and "help" beside
// the program (a build tree).
std::vector<std::string> helpDirectories(std::string_view programDirectory);

} // namespace zv::help
