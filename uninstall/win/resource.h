// Control ids of the uninstaller's dialogs; shared by varnsetrm.rc and main.cpp.
#pragma once

#define IDC_CANCEL_REMOVAL 1003
#define IDC_STATUS 101
#define IDC_DETAIL 102
#define IDC_PROGRESS 131
#define IDC_FRAME 101
#define IDC_LOCKED_LIST 102
