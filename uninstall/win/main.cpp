// varnsetrm: removes what the installer put on the machine, as its install
// log lists it. Started with the path of the log as its whole command line.
//
// Threads: the main thread owns both dialogs and runs their message loops;
// a worker thread asks for confirmation, runs the removal engine (updating the
// removal dialog through messages the main thread serves) and hands its
// outcome back with one posted quit message: 0 done, 1 aborted, -1 declined.
// The engine and the log are used by one thread at a time: by the main thread
// before the worker starts and after the quit message, by the worker between.
#include "uninstall/install_log.h"
#include "uninstall/program_flow.h"
#include "uninstall/removal_engine.h"
#include "uninstall/texts.h"
#include "uninstall/win/resource.h"
#include "uninstall/win/win32_system.h"

#include <windows.h>

#include <commctrl.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

using namespace zv::uninstall;

#ifdef VARNSET_130
constexpr const Version& kVersion = kVersion130;
#else
constexpr const Version& kVersion = kVersion150;
#endif

constexpr DWORD kWorkerStackSize = 10000;
constexpr int kOutcomeDone = 0;
constexpr int kOutcomeAborted = 1;
constexpr int kOutcomeDeclined = -1;
// Sent by the worker when the engine closes the removal dialog; WM_CLOSE
// itself (Alt+F4) does nothing while the removal runs.
constexpr UINT kCloseRemovalDialog = WM_APP + 1;

void centreOnScreen(HWND window) {
    RECT rect;
    GetWindowRect(window, &rect);
    int x = (GetSystemMetrics(SM_CXSCREEN) - (rect.right - rect.left)) / 2;
    int y = (GetSystemMetrics(SM_CYSCREEN) - (rect.bottom - rect.top)) / 2;
    SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void showMessage(const std::string& text, const std::string& caption, UINT icon) {
    MessageBoxA(nullptr, text.c_str(), caption.c_str(), MB_OK | icon);
}

// A normal (not forced) reboot request, with the shutdown privilege enabled.
void requestReboot() {
    HANDLE token = nullptr;
    if (OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) {
        TOKEN_PRIVILEGES privileges{};
        privileges.PrivilegeCount = 1;
        privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
        if (LookupPrivilegeValueA(nullptr, SE_SHUTDOWN_NAME, &privileges.Privileges[0].Luid)) {
            AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr);
        }
        CloseHandle(token);
    }
    ExitWindowsEx(EWX_REBOOT, SHTDN_REASON_MAJOR_APPLICATION | SHTDN_REASON_FLAG_PLANNED);
}

// The removal dialog as the engine sees it. Called from the worker thread;
// every call becomes a message the main thread serves.
class DialogView : public RemovalView {
public:
    explicit DialogView(const HWND& dialog) : dialog_(dialog) {}
    void showDialog() override { ShowWindow(dialog_, SW_SHOW); }
    void closeDialog() override { SendMessageA(dialog_, kCloseRemovalDialog, 0, 0); }
    void setStatus(const std::string& text) override {
        SetDlgItemTextA(dialog_, IDC_STATUS, text.c_str());
    }
    void setDetail(const std::string& text) override {
        SetDlgItemTextA(dialog_, IDC_DETAIL, text.c_str());
    }
    void setProgress(int position) override {
        SendDlgItemMessageA(dialog_, IDC_PROGRESS, PBM_SETPOS, WPARAM(position), 0);
    }
    void message(const std::string& text, const std::string& caption, MessageIcon icon) override {
        showMessage(text, caption, icon == MessageIcon::kWarning ? MB_ICONWARNING : 0);
    }

private:
    const HWND& dialog_; // the removal dialog, owned by the main thread
};

struct Program {
    HINSTANCE instance = nullptr;
    std::string caption = kVersion.caption; // caption of every message box
    std::string logPath;                    // the command line as it stands
    std::FILE* log = nullptr;               // open from loading until completion
    std::vector<LogEntry> entries;          // the log's complete records
    HWND removalDialog = nullptr;
    HWND restartDialog = nullptr;
    DWORD mainThread = 0;
    Win32System system;
    DialogView view{removalDialog};
    RemovalEngine engine{system, view, kVersion};
};

INT_PTR CALLBACK removalDialogProc(HWND dialog, UINT message, WPARAM, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        centreOnScreen(dialog);
        SendDlgItemMessageA(dialog, IDC_PROGRESS, PBM_SETRANGE, 0, MAKELPARAM(0, kProgressRange));
        SendDlgItemMessageA(dialog, IDC_PROGRESS, PBM_SETPOS, 0, 0);
        return TRUE;
    case WM_COMMAND: // "&Cancel" does not interrupt the removal
    case WM_CLOSE:
        return TRUE;
    case kCloseRemovalDialog:
        DestroyWindow(dialog);
        return TRUE;
    default:
        return FALSE;
    }
}

// The restart dialog of 1.50 (modeless, its loop ends with a quit message)
// and of 1.30 (modal).
INT_PTR CALLBACK restartDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        centreOnScreen(dialog);
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) != IDOK && LOWORD(wParam) != IDCANCEL) return FALSE;
        if (LOWORD(wParam) == IDOK) requestReboot();
        if (kVersion.keepsLockedList) {
            DestroyWindow(dialog);
            PostQuitMessage(0);
        } else {
            EndDialog(dialog, LOWORD(wParam));
        }
        return TRUE;
    default:
        return FALSE;
    }
}

// Runs the thread's message loop until a quit message; returns its value.
int runMessageLoop(const Program& program) {
    MSG message;
    BOOL got;
    while ((got = GetMessageA(&message, nullptr, 0, 0)) != 0) {
        if (got == -1) return kOutcomeDeclined;
        if (program.removalDialog && IsDialogMessageA(program.removalDialog, &message)) continue;
        if (program.restartDialog && IsDialogMessageA(program.restartDialog, &message)) continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return static_cast<int>(message.wParam);
}

DWORD WINAPI workerMain(void* parameter) {
    Program& program = *static_cast<Program*>(parameter);
    ShowWindow(program.removalDialog, SW_HIDE);
    if (!AttachThreadInput(GetCurrentThreadId(), program.mainThread, TRUE)) MessageBeep(MB_OK);

    int answer =
        MessageBoxA(nullptr, text::kConfirm, program.caption.c_str(), MB_YESNO | MB_ICONQUESTION);
    if (answer != IDYES) {
        PostThreadMessageA(program.mainThread, WM_QUIT, WPARAM(kOutcomeDeclined), 0);
        return 0;
    }
    if (!program.engine.run(program.entries)) {
        showMessage(text::kAborted, program.caption, MB_ICONWARNING);
        std::fclose(program.log);
        program.log = nullptr;
        PostThreadMessageA(program.mainThread, WM_QUIT, WPARAM(kOutcomeAborted), 0);
        return 0;
    }
    PostThreadMessageA(program.mainThread, WM_QUIT, WPARAM(kOutcomeDone), 0);
    return 0;
}

bool loadLog(Program& program) {
    program.log = std::fopen(program.logPath.c_str(), "rb");
    if (!program.log) return false;
    std::string bytes;
    char buffer[kRecordSize * 16];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, program.log)) > 0)
        bytes.append(buffer, n);
    program.entries = parseInstallLog(bytes);
    program.caption = captionFor(productName(program.entries), kVersion);
    return true;
}

int initialisationFailed(const Program& program) {
    showMessage(text::kInitError, program.caption, MB_ICONWARNING);
    return 0;
}

void complete(Program& program) {
    std::fclose(program.log);
    program.log = nullptr;
    (void)program.engine.removePath(program.logPath);

    if (kVersion.keepsLockedList) {
        if (program.engine.restartNeeded()) {
            for (const std::string& path : program.engine.lockedFiles()) {
                SendDlgItemMessageA(program.restartDialog, IDC_LOCKED_LIST, LB_ADDSTRING, 0,
                                    LPARAM(path.c_str()));
            }
            ShowWindow(program.restartDialog, SW_SHOW);
            SetForegroundWindow(program.restartDialog);
            (void)runMessageLoop(program);
            program.restartDialog = nullptr;
        } else {
            showMessage(text::kSuccess, program.caption, MB_ICONWARNING);
        }
    } else {
        showMessage(text::kSuccess130, program.caption, MB_ICONWARNING);
        if (program.engine.restartNeeded()) {
            DialogBoxParamA(program.instance, "RESTARTDLG", nullptr, restartDialogProc, 0);
        }
    }

    for (const std::string& directory : parentDirectories(program.logPath)) {
        (void)program.engine.removeDirectory(directory);
    }
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    static Program program; // lives until the process ends; the worker may outlive WinMain
    program.instance = instance;

    INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    program.removalDialog =
        CreateDialogParamA(instance, "UNINSTDLG", nullptr, removalDialogProc, 0);
    if (!program.removalDialog) {
        showMessage(text::kResourceError, program.caption, MB_ICONWARNING);
        return initialisationFailed(program);
    }

    program.logPath = logPathFromCommandLine(GetCommandLineA());
    if (!loadLog(program)) {
        showMessage(text::kNoLogFile, program.caption, MB_ICONWARNING);
        return initialisationFailed(program);
    }

    if (kVersion.keepsLockedList) {
        program.restartDialog =
            CreateDialogParamA(instance, "RESTARTDLG", nullptr, restartDialogProc, 0);
        if (!program.restartDialog) {
            showMessage(text::kResourceError, program.caption, MB_ICONWARNING);
            return initialisationFailed(program);
        }
    }
    program.mainThread = GetCurrentThreadId();
    HANDLE worker = CreateThread(nullptr, kWorkerStackSize, workerMain, &program, 0, nullptr);
    if (!worker) return initialisationFailed(program);
    CloseHandle(worker);

    int outcome = runMessageLoop(program);
    if (outcome == kOutcomeDone) complete(program);
    return 0;
}
