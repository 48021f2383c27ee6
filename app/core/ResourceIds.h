/* ResourceIds.h - the utility's resources by number and the texts they carry, the same for
 * every front end: the Win32 resource script reads this file (so it holds plain macros and
 * nothing the resource compiler cannot read), and the Qt front end's resource table maps the
 * same ids to its own resources.
 *
 * Thread-safety: constants. */
#pragma once

/* The About box's dialog template. */
#define IDD_ABOUTBOX 100
/* The About entry's menu text in the window menu. */
#define IDS_ABOUTBOX 101
/* The application icon. */
#define IDR_MAINFRAME 128

/* The About entry's command id in the system menu (a system command: its low four bits are
 * the system's own). */
#define IDM_ABOUTBOX 0x0010

/* String 101. */
#define TAMBERON_ABOUT_MENU_TEXT "&About Tamberon..."
/* The About box's title and its version line. */
#define TAMBERON_ABOUT_TITLE "About Tamberon"
#define TAMBERON_ABOUT_VERSION_TEXT "Tamberon Version 1.0"
/* The About box's size in dialog units. */
#define TAMBERON_ABOUT_WIDTH_DLU 235
#define TAMBERON_ABOUT_HEIGHT_DLU 55
