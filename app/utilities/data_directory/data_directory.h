// DATASHO: the data directory, "DATA" in section "QDADRESAR" of ZEVLON.INI (100
// characters), put in front of the base name of every data file ("ADRESAR").
// The prefix always names a directory: one without a separator at its end gets
// one, so "D:\DATA" names "D:\DATA\ADRESAR", not "D:\DATAADRESAR".
#pragma once

#include "app/shell/access/database.h"
#include "app/shell/startup/app_state.h"
#include "platform/profile.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace zv::utilities {

constexpr std::size_t kDataPrefixWidth = 100;

// "DATA" as the settings file holds it.
std::string readDataPrefix(const ProfileFile& ini);

// The prefix the entry names: trailing blanks trimmed and a separator added
// where it ends without one ("\", or "/" for a name written with "/" only).
// Empty stays empty: the current directory. Nothing when it would be longer
// than the settings keep.
std::optional<std::string> dataPrefixFromEntry(std::string_view entry1250);

enum class DirectoryFinding {
    Usable,      // it exists and holds data files
    Missing,     // there is no such directory
    NoDataFiles, // it exists but holds none of the data files
};
DirectoryFinding examineDataDirectory(std::string_view prefix1250);

// Writes "DATA", makes it the state's prefix and names every data file anew
// from it; files already open stay where they are, those opened from now on
// come from the new directory. False when the settings file cannot be written
// (nothing is changed then).
[[nodiscard]] bool takeDataPrefix(access::Database& db, startup::AppState& state,
                                  const ProfileFile& ini, std::string_view prefix1250);

} // namespace zv::utilities
