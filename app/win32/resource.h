// resource.h - the ids of the Win32 front end's resources and controls, shared by the resource
// script (tamberon.rc) and the C++ code. Plain macros: the resource compiler reads this file.
#pragma once

// The About box (100), string 101, the icon (128) and the About command: every front end's.
#include "core/ResourceIds.h"

#define IDD_TAMBERON_DIALOG 102

// Controls of the main dialog.
#define IDC_HOST_GROUP 1000
#define IDC_HOST_NAME_LABEL 1001
#define IDC_HOST_NAME 1002
#define IDC_HOST_ADDRESSES_LABEL 1003
#define IDC_HOST_ADDRESSES 1004
#define IDC_FOLDER_LABEL 1005
#define IDC_FOLDER 1006
#define IDC_CHOOSE_FOLDER 1007
// Where the console groups go (CGroupPane): each group's window takes its frame's id.
#define IDC_SETTINGS_PLACE 1010
#define IDC_FETCH_PLACE 1011
#define IDC_LOG_PLACE 1012
#define IDC_TIMERS_PLACE 1013

// The console groups' own templates; each group's controls have ids of their own range:
// settings 1200-1299, fetch 1300-1399, log 1400-1499, timers 1500-1599.
#define IDD_SETTINGS_GROUP 110
#define IDD_FETCH_GROUP 111
#define IDD_LOG_GROUP 112
#define IDD_TIMERS_GROUP 113
#include "SettingsGroupIds.h"

// Controls of the About box.
#define IDC_ABOUT_ICON 1100
#define IDC_ABOUT_VERSION 1101
