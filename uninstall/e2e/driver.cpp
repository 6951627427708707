// vtdriver: the end-to-end tests' hands on Windows (run under Wine).
//
//   vtdriver writelog OUT [KIND FIRST SECOND]...   writes an install log
//   vtdriver progman-group GROUP ITEM PATH          creates a Program Manager group by DDE
//   vtdriver shortpath PATH                         prints the short form of PATH
//   vtdriver hold PATH READY STOP                   holds PATH open (no delete sharing),
//                                                   creates READY, waits for STOP to appear
//   vtdriver pause FLAG                             waits until FLAG exists, exits 0
//   vtdriver exit CODE                              exits with CODE
//   vtdriver endsession MARKER                      a window that notes the end-session
//                                                   messages of a shutdown in MARKER
//   vtdriver run SCRIPT                             drives a program by SCRIPT (see below)
//
// Script lines, fields separated by tabs:
//   start  EXE  [ARGUMENTS]   starts "EXE" ARGUMENTS (exactly as written)
//   answer TITLE BUTTON [TEXT] waits for a visible window of the started program
//                             titled TITLE whose texts (statics and list items)
//                             contain TEXT, prints its texts, presses BUTTON
//   press  TITLE BUTTON [TEXT] as answer, without waiting for the window to close
//   see    TITLE [TEXT]       as answer, without pressing anything
//   touch  PATH               creates an empty file
//   exists PATH               fails unless PATH exists
//   sleep  MS                 waits MS milliseconds
//   centred TITLE             fails unless the program's window TITLE is centred on
//                             the screen
//   exit   CODE [TITLE]       waits for the program to end with CODE; fails if any
//                             other window of it (but one titled TITLE) shows up
// Every step prints one line; the first failing step ends the driver with 1.
#include "uninstall/install_log.h"

#include <windows.h>

#include <ddeml.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr DWORD kStepTimeoutMs = 30000;
constexpr DWORD kPollMs = 50;

bool fileExists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool touch(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    CloseHandle(file);
    return true;
}

void appendLine(const std::string& path, const std::string& line) {
    std::ofstream out(path, std::ios::app | std::ios::binary);
    out << line << "\r\n";
}

std::string windowText(HWND window) {
    char text[2048];
    int n = GetWindowTextA(window, text, sizeof text);
    return std::string(text, n > 0 ? n : 0);
}

// --- writelog -------------------------------------------------------------------

int writeLog(int argc, char** argv) {
    if (argc < 3 || (argc - 3) % 3 != 0) return 2;
    std::string bytes;
    for (int i = 3; i + 2 < argc; i += 3) {
        zv::uninstall::LogEntry entry;
        entry.kind = static_cast<std::uint32_t>(std::strtoul(argv[i], nullptr, 10));
        entry.first = argv[i + 1];
        entry.second = argv[i + 2];
        bytes += zv::uninstall::encodeLogRecord(entry);
    }
    std::ofstream out(argv[2], std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return out ? 0 : 1;
}

// --- progman-group --------------------------------------------------------------

HDDEDATA CALLBACK ddeCallback(UINT, UINT, HCONV, HSZ, HSZ, HDDEDATA, ULONG_PTR, ULONG_PTR) {
    return nullptr;
}

int progmanGroup(const std::string& group, const std::string& item, const std::string& path) {
    DWORD instance = 0;
    if (DdeInitializeA(&instance, ddeCallback, APPCMD_CLIENTONLY, 0) != DMLERR_NO_ERROR) return 1;
    HSZ progman = DdeCreateStringHandleA(instance, "PROGMAN", CP_WINANSI);
    HCONV conversation = DdeConnect(instance, progman, progman, nullptr);
    int failures = conversation ? 0 : 1;
    for (std::string command :
         {"[CreateGroup(\"" + group + "\")]", "[AddItem(\"" + path + "\",\"" + item + "\")]"}) {
        if (!conversation) break;
        DWORD result = 0;
        HDDEDATA done = DdeClientTransaction(reinterpret_cast<BYTE*>(command.data()),
                                             static_cast<DWORD>(command.size() + 1), conversation,
                                             nullptr, 0, XTYP_EXECUTE, 10000, &result);
        std::printf("%s %s\n", command.c_str(), done ? "done" : "failed");
        if (!done) ++failures;
    }
    if (conversation) DdeDisconnect(conversation);
    DdeFreeStringHandle(instance, progman);
    DdeUninitialize(instance);
    return failures == 0 ? 0 : 1;
}

// --- hold, pause, endsession ----------------------------------------------------

int hold(const std::string& path, const std::string& ready, const std::string& stop) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 1;
    touch(ready);
    for (DWORD waited = 0; !fileExists(stop) && waited < 120000; waited += kPollMs)
        Sleep(kPollMs);
    CloseHandle(file);
    return 0;
}

int pauseUntil(const std::string& flag) {
    for (DWORD waited = 0; !fileExists(flag) && waited < 60000; waited += kPollMs)
        Sleep(kPollMs);
    return 0;
}

std::string endSessionMarker;

LRESULT CALLBACK endSessionProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_QUERYENDSESSION) {
        appendLine(endSessionMarker, "queryendsession");
        return TRUE;
    }
    if (message == WM_ENDSESSION) {
        appendLine(endSessionMarker, wParam ? "endsession" : "endsession cancelled");
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

int endSession(const std::string& marker) {
    endSessionMarker = marker;
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = endSessionProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "vtdriverEndSession";
    RegisterClassA(&windowClass);
    HWND window = CreateWindowA("vtdriverEndSession", "vtdriver end session", WS_OVERLAPPED, 0, 0,
                                10, 10, nullptr, nullptr, windowClass.hInstance, nullptr);
    if (!window) return 1;
    appendLine(marker, "listening");
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return 0;
}

// --- run ------------------------------------------------------------------------

struct Search {
    DWORD process;
    std::string title;
    std::vector<HWND> found;
};

BOOL CALLBACK collectWindow(HWND window, LPARAM parameter) {
    Search& search = *reinterpret_cast<Search*>(parameter);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == search.process && IsWindowVisible(window) &&
        (search.title.empty() || windowText(window) == search.title)) {
        search.found.push_back(window);
    }
    return TRUE;
}

std::vector<HWND> visibleWindows(DWORD process, const std::string& title) {
    Search search{process, title, {}};
    EnumWindows(collectWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

struct Contents {
    std::string texts; // statics and list items, " | " between them
    std::vector<std::pair<HWND, std::string>> buttons;
};

BOOL CALLBACK collectChild(HWND child, LPARAM parameter) {
    Contents& contents = *reinterpret_cast<Contents*>(parameter);
    char className[64] = {};
    GetClassNameA(child, className, sizeof className);
    std::string kind = className;
    if (_stricmp(className, "Button") == 0) {
        contents.buttons.emplace_back(child, windowText(child));
        return TRUE;
    }
    if (_stricmp(className, "ListBox") == 0) {
        // Wide calls: Wine hands list-box texts across processes correctly only so.
        LRESULT count = SendMessageW(child, LB_GETCOUNT, 0, 0);
        for (LRESULT i = 0; i < count; ++i) {
            LRESULT length = SendMessageW(child, LB_GETTEXTLEN, WPARAM(i), 0);
            if (length < 0) continue;
            std::wstring wide(static_cast<std::size_t>(length) + 1, L'\0');
            SendMessageW(child, LB_GETTEXT, WPARAM(i), LPARAM(wide.data()));
            char item[1024] = {};
            WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, item, sizeof item - 1, nullptr,
                                nullptr);
            contents.texts += std::string(" | item: ") + item;
        }
        return TRUE;
    }
    if ((GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) return TRUE;
    std::string text = windowText(child);
    if (!text.empty()) contents.texts += " | " + text;
    return TRUE;
}

std::string oneLine(std::string text) {
    for (char& c : text) {
        if (c == '\n' || c == '\r') c = ' ';
    }
    return text;
}

std::vector<std::string> splitTabs(const std::string& line) {
    std::vector<std::string> fields;
    std::stringstream stream(line);
    std::string field;
    while (std::getline(stream, field, '\t'))
        fields.push_back(field);
    return fields;
}

class Runner {
public:
    int run(const std::string& scriptPath) {
        std::ifstream script(scriptPath);
        if (!script) return fail("cannot read script " + scriptPath);
        std::string line;
        while (std::getline(script, line)) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            if (line.empty() || line[0] == '#') continue;
            if (!step(splitTabs(line))) return 1;
        }
        return 0;
    }

private:
    int fail(const std::string& why) {
        std::printf("FAIL %s\n", why.c_str());
        std::fflush(stdout);
        return 1;
    }
    bool step(const std::vector<std::string>& f) {
        const std::string& verb = f[0];
        if (verb == "start" && f.size() >= 2) return start(f[1], f.size() > 2 ? f[2] : "");
        if ((verb == "answer" || verb == "press") && f.size() >= 3) {
            return answer(f[1], f[2], f.size() > 3 ? f[3] : "", verb == "answer");
        }
        if (verb == "see" && f.size() >= 2)
            return answer(f[1], "", f.size() > 2 ? f[2] : "", false);
        if (verb == "touch" && f.size() == 2) return touch(f[1]) || !fail("touch " + f[1]);
        if (verb == "centred" && f.size() == 2) return centred(f[1]);
        if (verb == "sleep" && f.size() == 2) {
            Sleep(static_cast<DWORD>(std::atoi(f[1].c_str())));
            return true;
        }
        if (verb == "exists" && f.size() == 2) {
            return fileExists(f[1]) || !fail("missing " + f[1]);
        }
        if (verb == "exit" && f.size() >= 2) {
            return waitExit(std::atoi(f[1].c_str()), f.size() > 2 ? f[2] : "");
        }
        return !fail("bad step: " + verb);
    }

    bool start(const std::string& exe, const std::string& arguments) {
        std::string line = "\"" + exe + "\"";
        if (!arguments.empty()) line += " " + arguments;
        std::vector<char> buffer(line.begin(), line.end());
        buffer.push_back('\0');
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION info{};
        if (!CreateProcessA(nullptr, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                            &startup, &info)) {
            return !fail("start " + line);
        }
        CloseHandle(info.hThread);
        process_ = info.hProcess;
        processId_ = info.dwProcessId;
        std::printf("started %s\n", line.c_str());
        std::fflush(stdout);
        return true;
    }

    bool answer(const std::string& title, const std::string& button, const std::string& text,
                bool waitForClose) {
        for (DWORD waited = 0; waited < kStepTimeoutMs; waited += kPollMs) {
            for (HWND window : visibleWindows(processId_, title)) {
                Contents contents;
                EnumChildWindows(window, collectChild, reinterpret_cast<LPARAM>(&contents));
                if (contents.texts.find(text) == std::string::npos) continue;
                std::printf("window \"%s\"%s\n", title.c_str(), oneLine(contents.texts).c_str());
                std::fflush(stdout);
                if (button.empty()) return true;
                for (auto& [handle, label] : contents.buttons) {
                    if (label != button) continue;
                    PostMessageA(handle, BM_CLICK, 0, 0);
                    std::printf("pressed \"%s\"\n", button.c_str());
                    std::fflush(stdout);
                    if (waitForClose) waitGone(window);
                    return true;
                }
                return !fail("no button \"" + button + "\" in \"" + title + "\"");
            }
            if (WaitForSingleObject(process_, kPollMs) == WAIT_OBJECT_0) {
                return !fail("program ended before \"" + title + "\" [" + text + "] showed");
            }
        }
        for (HWND window : visibleWindows(processId_, "")) {
            Contents contents;
            EnumChildWindows(window, collectChild, reinterpret_cast<LPARAM>(&contents));
            std::printf("showing \"%s\"%s\n", windowText(window).c_str(),
                        oneLine(contents.texts).c_str());
        }
        return !fail("no window \"" + title + "\" with [" + text + "]");
    }

    bool centred(const std::string& title) {
        std::vector<HWND> windows = visibleWindows(processId_, title);
        if (windows.empty()) return !fail("no window \"" + title + "\" to measure");
        RECT rect;
        GetWindowRect(windows[0], &rect);
        int dx = (rect.left + rect.right) / 2 - GetSystemMetrics(SM_CXSCREEN) / 2;
        int dy = (rect.top + rect.bottom) / 2 - GetSystemMetrics(SM_CYSCREEN) / 2;
        std::printf("window \"%s\" %ldx%ld, centre off by %d,%d\n", title.c_str(),
                    rect.right - rect.left, rect.bottom - rect.top, dx, dy);
        std::fflush(stdout);
        if (dx < -2 || dx > 2 || dy < -2 || dy > 2) return !fail("not centred");
        return true;
    }

    void waitGone(HWND window) {
        for (DWORD waited = 0; waited < kStepTimeoutMs; waited += kPollMs) {
            if (!IsWindow(window) || !IsWindowVisible(window)) return;
            Sleep(kPollMs);
        }
    }

    bool waitExit(int expected, const std::string& allowed) {
        for (DWORD waited = 0; waited < kStepTimeoutMs; waited += kPollMs) {
            if (WaitForSingleObject(process_, kPollMs) == WAIT_OBJECT_0) {
                DWORD code = 0;
                GetExitCodeProcess(process_, &code);
                std::printf("exit code %d\n", static_cast<int>(code));
                std::fflush(stdout);
                if (static_cast<int>(code) != expected) return !fail("unexpected exit code");
                return true;
            }
            for (HWND window : visibleWindows(processId_, "")) {
                std::string title = windowText(window);
                if (title.empty() || title == allowed) continue;
                Contents contents;
                EnumChildWindows(window, collectChild, reinterpret_cast<LPARAM>(&contents));
                return !fail("unexpected window \"" + title + "\"" + oneLine(contents.texts));
            }
        }
        return !fail("program did not end");
    }

    HANDLE process_ = nullptr;
    DWORD processId_ = 0;
};

} // namespace

int main(int argc, char** argv) {
    std::string command = argc > 1 ? argv[1] : "";
    if (command == "writelog") return writeLog(argc, argv);
    if (command == "progman-group" && argc == 5) return progmanGroup(argv[2], argv[3], argv[4]);
    if (command == "shortpath" && argc == 3) {
        char buffer[MAX_PATH];
        DWORD n = GetShortPathNameA(argv[2], buffer, MAX_PATH);
        if (n == 0 || n >= MAX_PATH) return 1;
        std::printf("%s\n", buffer);
        return 0;
    }
    if (command == "hold" && argc == 5) return hold(argv[2], argv[3], argv[4]);
    if (command == "pause" && argc == 3) return pauseUntil(argv[2]);
    if (command == "exit" && argc == 3) return std::atoi(argv[2]);
    if (command == "endsession" && argc == 3) return endSession(argv[2]);
    if (command == "run" && argc == 3) return Runner().run(argv[2]);
    std::fprintf(stderr, "usage: see the head of driver.cpp\n");
    return 2;
}
