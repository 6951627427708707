// The install log that the installer leaves behind: a file of fixed-length
// records and nothing else, in installation order. Every record is 516 bytes:
//
//   offset   0, 4 bytes    entry kind, unsigned 32-bit little-endian
//   offset   4, 256 bytes  first text, NUL-terminated, Windows ANSI code page
//   offset 260, 256 bytes  second text, NUL-terminated
//
// A text without a NUL inside its 256 bytes ends after those 256 bytes. A
// shorter remainder after the last complete record is ignored, so any byte
// string is a valid log. Pure functions; no thread rule.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zv::uninstall {

inline constexpr std::size_t kRecordSize = 516;
inline constexpr std::size_t kKindOffset = 0;
inline constexpr std::size_t kFirstTextOffset = 4;
inline constexpr std::size_t kSecondTextOffset = 260;
inline constexpr std::size_t kTextSize = 256;

// Kinds of entries. Kind 3 is reserved and kinds above 7 are unknown; both are
// kept in the list and carry no action.
enum EntryKind : std::uint32_t {
    kProduct = 0,       // first text: the product name
    kFile = 1,          // first text: an installed file
    kDirectory = 2,     // first text: a created directory
    kReserved = 3,      // no action
    kSharedDll = 4,     // first text: a shared library or ActiveX control
    kProgmanItem = 5,   // second text: its Program Manager group
    kRegistryEntry = 6, // only shown as a status; nothing is removed
    kCustomProgram = 7, // first text: program to run, second text: its argument
};

struct LogEntry {
    std::uint32_t kind = 0;
    std::string first;  // first text, without its NUL
    std::string second; // second text, without its NUL
};

// The complete records of the log bytes, in file order.
std::vector<LogEntry> parseInstallLog(std::string_view bytes);

// One record in the log's layout; texts longer than 255 bytes are cut so that
// a NUL always follows. Used by tests and by the end-to-end test driver.
std::string encodeLogRecord(const LogEntry& entry);

// The product name of a log: the first text of its last kind-0 entry, or empty.
std::string productName(const std::vector<LogEntry>& entries);

} // namespace zv::uninstall
