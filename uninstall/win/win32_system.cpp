#include "uninstall/win/win32_system.h"

#include <windows.h>

#include <ddeml.h>

#include <vector>

namespace zv::uninstall {

namespace {

constexpr const char* kSharedDllsKey = "Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";
constexpr const char* kUninstallKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
constexpr DWORD kDdeTimeoutMs = 10000;

// Opens the SharedDLLs key with full access; the caller closes it.
HKEY openSharedDlls() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSharedDllsKey, 0, KEY_ALL_ACCESS, &key) !=
        ERROR_SUCCESS) {
        return nullptr;
    }
    return key;
}

HDDEDATA CALLBACK ddeCallback(UINT, UINT, HCONV, HSZ, HSZ, HDDEDATA, ULONG_PTR, ULONG_PTR) {
    return nullptr;
}

} // namespace

// DeleteFile and RemoveDirectory act on a symbolic link or junction itself,
// never on what it points to.
bool Win32System::deleteFile(const std::string& path) {
    return DeleteFileA(path.c_str()) != 0;
}

bool Win32System::removeDirectory(const std::string& path) {
    return RemoveDirectoryA(path.c_str()) != 0;
}

bool Win32System::passesThroughLink(const std::string& path) {
    // Every directory above the last part, from the first one below the drive
    // or share on ("C:\\A", "C:\\A\\B", ...).
    std::size_t start = 0;
    if (path.size() >= 2 && path[1] == ':') start = 2;
    if (path.rfind("\\\\", 0) == 0) {
        std::size_t server = path.find('\\', 2);
        start = server == std::string::npos ? path.size() : path.find('\\', server + 1);
        if (start == std::string::npos) start = path.size();
    }
    for (std::size_t at = path.find_first_of("\\/", start + 1); at != std::string::npos;
         at = path.find_first_of("\\/", at + 1)) {
        std::string directory = path.substr(0, at);
        DWORD attributes = GetFileAttributesA(directory.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
            return true;
        }
    }
    return false;
}

bool Win32System::exists(const std::string& path) {
    if (GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) return true;
    DWORD error = GetLastError();
    return error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND &&
           error != ERROR_INVALID_NAME && error != ERROR_BAD_NETPATH;
}

std::string Win32System::shortPath(const std::string& path) {
    std::vector<char> buffer(MAX_PATH + 1);
    DWORD n = GetShortPathNameA(path.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n > buffer.size()) {
        buffer.resize(n + 1);
        n = GetShortPathNameA(path.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()));
    }
    if (n == 0 || n >= buffer.size()) return path;
    return std::string(buffer.data(), n);
}

bool Win32System::deleteAtRestart(const std::string& path) {
    return MoveFileExA(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) != 0;
}

bool Win32System::writeWininitRename(const std::string& path) {
    char windows[MAX_PATH + 1];
    UINT n = GetWindowsDirectoryA(windows, sizeof windows);
    if (n == 0 || n >= sizeof windows) return false;
    std::string file = std::string(windows, n) + "\\WININIT.INI";
    return WritePrivateProfileStringA("Rename", "NUL", path.c_str(), file.c_str()) != 0;
}

RegistryRead Win32System::readSharedDllCount(const std::string& path, SharedDllCount& out) {
    HKEY key = openSharedDlls();
    if (!key) return RegistryRead::kNoKey;
    DWORD type = 0;
    BYTE data[4] = {};
    DWORD size = sizeof data;
    LONG status = RegQueryValueExA(key, path.c_str(), nullptr, &type, data, &size);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS || size != sizeof data) return RegistryRead::kNoValue;
    out.count = DWORD(data[0]) | DWORD(data[1]) << 8 | DWORD(data[2]) << 16 | DWORD(data[3]) << 24;
    out.type = type;
    return RegistryRead::kFound;
}

bool Win32System::writeSharedDllCount(const std::string& path, const SharedDllCount& value) {
    HKEY key = openSharedDlls();
    if (!key) return false;
    BYTE data[4] = {BYTE(value.count), BYTE(value.count >> 8), BYTE(value.count >> 16),
                    BYTE(value.count >> 24)};
    LONG status = RegSetValueExA(key, path.c_str(), 0, value.type, data, sizeof data);
    RegCloseKey(key);
    return status == ERROR_SUCCESS;
}

bool Win32System::deleteSharedDllValue(const std::string& path) {
    HKEY key = openSharedDlls();
    if (!key) return false;
    LONG status = RegDeleteValueA(key, path.c_str());
    RegCloseKey(key);
    return status == ERROR_SUCCESS;
}

bool Win32System::deleteUninstallKey(const std::string& product) {
    std::string name = kUninstallKey + product;
    return RegDeleteKeyA(HKEY_LOCAL_MACHINE, name.c_str()) == ERROR_SUCCESS;
}

std::string Win32System::toUpper(const std::string& text) {
    std::string upper = text;
    if (!upper.empty()) CharUpperBuffA(upper.data(), static_cast<DWORD>(upper.size()));
    return upper;
}

int Win32System::runProgram(const std::string& commandLine) {
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        return -1;
    }
    CloseHandle(process.hThread);
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD exitCode = 0;
    BOOL known = GetExitCodeProcess(process.hProcess, &exitCode);
    CloseHandle(process.hProcess);
    return known ? static_cast<int>(exitCode) : -1;
}

DdeOutcome Win32System::progmanExecute(const std::string& command) {
    DWORD instance = 0;
    if (DdeInitializeA(&instance, ddeCallback, APPCMD_CLIENTONLY, 0) != DMLERR_NO_ERROR) {
        return DdeOutcome::kInitFailed;
    }
    HSZ progman = DdeCreateStringHandleA(instance, "PROGMAN", CP_WINANSI);
    if (!progman) {
        DdeUninitialize(instance);
        return DdeOutcome::kNoStringHandle;
    }
    HCONV conversation = DdeConnect(instance, progman, progman, nullptr);
    std::vector<BYTE> data(command.begin(), command.end());
    data.push_back(0);
    DWORD result = 0;
    HDDEDATA done =
        conversation
            ? DdeClientTransaction(data.data(), static_cast<DWORD>(data.size()), conversation,
                                   nullptr, 0, XTYP_EXECUTE, kDdeTimeoutMs, &result)
            : nullptr;
    DdeFreeStringHandle(instance, progman);
    if (conversation) DdeDisconnect(conversation);
    DdeUninitialize(instance);
    return done ? DdeOutcome::kDone : DdeOutcome::kFailed;
}

} // namespace zv::uninstall
