// Fixed texts of the uninstaller and the two versions it is built as.
// Texts are shown exactly as they stand here.
#pragma once

namespace zv::uninstall {

// What differs between version 1.50 and the earlier 1.30 build.
struct Version {
    const char* caption;      // first caption of every message box
    bool unregistersControls; // runs REGSVR32 for ActiveX controls it deletes
    bool keepsLockedList;     // lists scheduled paths for the restart dialog
};

inline constexpr Version kVersion150{"Uninstall (Varnset 1.50)", true, true};
inline constexpr Version kVersion130{"Uninstall (Varnset 1.30)", false, false};

namespace text {

inline constexpr const char* kCaptionFormat = "%s Uninstall";
inline constexpr const char* kCaptionSuffix = " Uninstall";
inline constexpr const char* kSetupCaption = "Setup";

inline constexpr const char* kCustomRunFailed =
    "Custom uninstall run failed. Varnset will stop application removal.";
inline constexpr const char* kDdeInitFailed = "DDEML Initialization Failure";
inline constexpr const char* kDdeCommandFailedPrefix =
    "Unable to update Start Menu\nDdeClientTransaction Failed\n[";
inline constexpr const char* kDdeCommandFailedSuffix = "]";

inline constexpr const char* kStatusRemovingFile = "Removing File:";
inline constexpr const char* kStatusUnregisteringDll = "Unregistering DLL";
inline constexpr const char* kStatusRemovingProgman = "Removing Progman Item";
inline constexpr const char* kStatusRemovingRegistry = "Removing System Registry Entrys";
inline constexpr const char* kStatusRemovingDirectory = "Removing Directory:";
inline constexpr const char* kStatusSystemFiles = "Preparing SystemFile removal";
inline constexpr const char* kStatusUninstallKey = "Deleting Uninstall Key";

inline constexpr const char* kResourceError = "Resource error. Corrupt executable ?";
inline constexpr const char* kNoLogFile = "Unable to locate Setup logfile.";
inline constexpr const char* kInitError =
    "Uninstall has been terminated due to an initialization error. The product has NOT been "
    "removed from your computer.";
inline constexpr const char* kConfirm =
    "Do you really want to remove the selected application from your computer ?";
inline constexpr const char* kAborted =
    "Uninstall has been aborted. Only parts of the application could be removed.";
inline constexpr const char* kSuccess =
    "Uninstall has successfully removed the selected application.";
inline constexpr const char* kSuccess130 =
    "Uninstall has successfully removed the selected application. Reboot your computer to also "
    "remove system files that are locked at the moment.";

inline constexpr const char* kRegsvr32 = "REGSVR32.EXE";
inline constexpr const char* kRegsvr32Unregister = "/s /u";

} // namespace text
} // namespace zv::uninstall
