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

// Controls of the About box.
#define IDC_ABOUT_ICON 1100
#define IDC_ABOUT_VERSION 1101
