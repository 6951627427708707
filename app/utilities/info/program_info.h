// What INFOSHO tells about the program: its maker's lines, the address of its
// web page and the date of its last change (the day it was built).
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace zv::utilities {

// The product's web page, opened in the default web browser.
constexpr std::string_view kWebPage = "https://www.zevlon.example/";

// The maker's name, address and contact lines (UTF-8).
std::span<const std::string_view> makerLines();

// The day the program was built, as a standard date: set once, when the
// program starts.
std::int32_t lastChangeDate();

// A compiler's date ("Dec  9 2025") as a standard date; 0 when it is no date.
std::int32_t dateFromCompilerText(std::string_view text);

} // namespace zv::utilities
