// A stand-in for an ActiveX control in the end-to-end tests: when REGSVR32
// unregisters it, it appends its own path, in the form it was loaded by, to
// "unregistered.txt" beside itself.
#include <windows.h>

#include <string>

namespace {
HMODULE self = nullptr;
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) self = instance;
    return TRUE;
}

extern "C" __declspec(dllexport) HRESULT __stdcall DllRegisterServer() {
    return S_OK;
}

extern "C" __declspec(dllexport) HRESULT __stdcall DllUnregisterServer() {
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(self, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return E_FAIL;
    std::string note = std::string(path, n);
    std::string file = note.substr(0, note.find_last_of('\\') + 1) + "unregistered.txt";
    HANDLE out = CreateFileA(file.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    if (out == INVALID_HANDLE_VALUE) return E_FAIL;
    note += "\r\n";
    DWORD written = 0;
    WriteFile(out, note.data(), static_cast<DWORD>(note.size()), &written, nullptr);
    CloseHandle(out);
    return S_OK;
}
