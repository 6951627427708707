// The Windows facilities the removal engine works with, behind two small
// interfaces so that the engine runs unchanged on Windows (win/win32_system.h,
// win/main.cpp) and against an in-memory fake in tests.
//
// Paths are texts in the Windows ANSI code page, exactly as the install log
// holds them. None of the calls follows a symbolic link or junction named as
// the last part of a path: such a link is removed itself, never its target.
#pragma once

#include <cstdint>
#include <string>

namespace zv::uninstall {

// A reference count under the SharedDLLs key, with the registry type it was
// stored with (normally REG_DWORD), so that it is written back the same way.
struct SharedDllCount {
    std::uint32_t count = 0;
    std::uint32_t type = 0;
};

enum class RegistryRead {
    kFound,   // the value was read
    kNoKey,   // the SharedDLLs key could not be opened with full access
    kNoValue, // no such value, or one that is not a 32-bit number
};

enum class DdeOutcome {
    kDone,           // the command was executed
    kInitFailed,     // the DDE client library could not be initialised
    kNoStringHandle, // the service name could not be made into a string handle
    kFailed,         // no conversation, or the execute transaction failed
};

// File system, registry, processes and Program Manager. Called from one
// thread at a time.
class System {
public:
    virtual ~System() = default;

    // Deletes a file (or a link). False when it is locked, a directory or absent.
    virtual bool deleteFile(const std::string& path) = 0;
    // Removes an empty directory (or a link to one).
    virtual bool removeDirectory(const std::string& path) = 0;
    // Whether a directory above the last part of the path is a symbolic link or
    // junction, so that the path leads outside what the log named.
    virtual bool passesThroughLink(const std::string& path) = 0;
    // Whether anything (file, directory, link) exists under the path.
    virtual bool exists(const std::string& path) = 0;
    // The short (8.3) form of an existing path; the path itself when it has none.
    virtual std::string shortPath(const std::string& path) = 0;
    // Asks the system to delete the path at the next restart.
    virtual bool deleteAtRestart(const std::string& path) = 0;
    // Writes "NUL=<path>" into section "Rename" of WININIT.INI in the Windows
    // directory through the profile-string call (one "NUL" entry per section).
    virtual bool writeWininitRename(const std::string& path) = 0;

    virtual RegistryRead readSharedDllCount(const std::string& path, SharedDllCount& out) = 0;
    virtual bool writeSharedDllCount(const std::string& path, const SharedDllCount& value) = 0;
    virtual bool deleteSharedDllValue(const std::string& path) = 0;
    // Deletes SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\<product>
    // under HKEY_LOCAL_MACHINE.
    virtual bool deleteUninstallKey(const std::string& product) = 0;

    // The text in upper case by the rules of the ANSI code page.
    virtual std::string toUpper(const std::string& text) = 0;
    // Starts the command line, waits until the program ends and returns its
    // exit code; -1 when it could not be started.
    virtual int runProgram(const std::string& commandLine) = 0;
    // One execute transaction with Program Manager (service and topic
    // "PROGMAN"); the command is sent with its terminating NUL.
    virtual DdeOutcome progmanExecute(const std::string& command) = 0;
};

enum class MessageIcon { kNone, kWarning };

// The removal dialog (status line, detail line, progress bar of 0 to 120)
// and message boxes, as the engine sees them.
class RemovalView {
public:
    virtual ~RemovalView() = default;
    virtual void showDialog() = 0;
    virtual void closeDialog() = 0;
    virtual void setStatus(const std::string& text) = 0;
    virtual void setDetail(const std::string& text) = 0;
    virtual void setProgress(int position) = 0;
    virtual void message(const std::string& text, const std::string& caption, MessageIcon icon) = 0;
};

} // namespace zv::uninstall
