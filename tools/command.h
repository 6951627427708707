// A subcommand of zevlon-tool: its name, a one-line usage and its entry point.
// Entry points get the arguments after the subcommand's name and return the exit
// code: 0 success, 1 a negative answer (a check that found a fault), 2 bad input.
#pragma once

#include <span>
#include <string>
#include <string_view>

namespace zv::tool {

using Args = std::span<const std::string_view>;

struct Command {
    std::string_view name;
    std::string_view usage;
    int (*run)(Args args);
};

// Prints "zevlon-tool: MESSAGE" on standard error and returns 2.
int badInput(std::string_view message);

// The owner password given with --password (empty: none), with which native
// files are opened.
std::string& ownerPassword();

} // namespace zv::tool
