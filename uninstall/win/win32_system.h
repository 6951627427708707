// The facilities of the removal engine on Windows: file system, registry,
// processes and the Program Manager DDE exchange. ANSI calls throughout, since
// the install log holds its paths in the ANSI code page.
#pragma once

#include "uninstall/facilities.h"

namespace zv::uninstall {

class Win32System : public System {
public:
    bool deleteFile(const std::string& path) override;
    bool removeDirectory(const std::string& path) override;
    bool passesThroughLink(const std::string& path) override;
    bool exists(const std::string& path) override;
    std::string shortPath(const std::string& path) override;
    bool deleteAtRestart(const std::string& path) override;
    bool writeWininitRename(const std::string& path) override;
    RegistryRead readSharedDllCount(const std::string& path, SharedDllCount& out) override;
    bool writeSharedDllCount(const std::string& path, const SharedDllCount& value) override;
    bool deleteSharedDllValue(const std::string& path) override;
    bool deleteUninstallKey(const std::string& product) override;
    std::string toUpper(const std::string& text) override;
    int runProgram(const std::string& commandLine) override;
    DdeOutcome progmanExecute(const std::string& command) override;
};

} // namespace zv::uninstall
