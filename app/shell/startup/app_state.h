// The settings and state every procedure shares, owned by the frame's thread for
// the life of the process: the user, today's date, the data directory prefix,
// the backup and restore directories, the user programs of the menu, the
// request and answer passed to update forms, and the reminder bookkeeping.
#pragma once

#include "platform/profile.h"

#include <array>
#include <cstdint>
#include <string>

namespace zv::startup {

constexpr int kThreadSlots = 64;

struct AppState {
    std::string userName;                    // Windows-1250, at most 20 characters
    std::int32_t dnes = 0;                   // today's date, taken once at start
    std::string dataPrefix;                  // "DATA": put in front of every data file name
    std::string backupDirectory;             // "ZALOHA"
    std::string restoreDirectory;            // "OBNOVENI"
    std::array<std::string, 8> toolNames;    // "EN1".."EN8": captions of the user programs
    std::array<std::string, 8> toolCommands; // "EC1".."EC8": their command lines
    bool czechOrder = false;                 // "RAZENI" is "CZ": text keys in Czech order
    int actionRequest = 0;                   // 1 insert, 2 change, 3 delete, 4 select
    int actionResponse = 0;                  // 1 completed, 2 cancelled
    bool rescanTasks = false;                // a task was added, changed or deleted
    int taskLists = 0;                       // task lists open at a time
    // Slot t (1..64) holds the task shown by the reminder window on thread t; 0 when free.
    std::array<std::int32_t, kThreadSlots + 1> reminderSlots{};
};

// The settings file of the program: ZEVLON.INI in the current directory.
constexpr const char* kSettingsFile = ".\\ZEVLON.INI";
constexpr const char* kSettingsSection = "QDADRESAR";

// Reads "DATA", "ZALOHA", "OBNOVENI", "EN1".."EN8", "EC1".."EC8" (absent ones are
// empty) and "RAZENI" (absent: byte order).
void readSettings(const ProfileFile& ini, AppState& state);

} // namespace zv::startup
