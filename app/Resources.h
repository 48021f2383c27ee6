// Resources.h - the utility's resources by number: the ids the dialogs ask for, and the one
// table that maps each id to a Qt resource (an icon's PNG sizes in the resource file) or to a
// text. Dialogs load by id, so a resource is defined in one place.
//
// Thread-safety: GUI thread only (the loaders build Qt GUI objects and keep loaded icons with
// the Qt application object; the test override is a plain table entry).
#pragma once

#include <QIcon>
#include <QString>

/// The About box's dialog template.
constexpr unsigned IDD_ABOUTBOX = 100;
/// The About entry's menu text, "&About Tamberon...".
constexpr unsigned IDS_ABOUTBOX = 101;
/// The application icon.
constexpr unsigned IDR_MAINFRAME = 128;

/// The About entry's command id in the window menu.
constexpr unsigned IDM_ABOUTBOX = 0x0010;
/// The window menu's own commands, with the values the system menu gives them.
constexpr unsigned SC_MINIMIZE = 0xF020;
constexpr unsigned SC_CLOSE = 0xF060;

/// A modal dialog's results.
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;

namespace Tamberon {

/// The utility's version as the About box and --version show it.
inline constexpr const char* kVersion = "1.0";

/// A dialog template: its title and its size in dialog units (a quarter of the average
/// character width across, an eighth of the character height down), so that the dialog
/// grows with the desktop's font.
struct dialog_template {
    const char* szTitle;
    int nWidthDlu;
    int nHeightDlu;
};

/// The text of string resource nID (translated), or an empty text for an unknown id.
QString LoadResString(unsigned nID);

/// Icon resource nID with all its sizes, or a null icon for an unknown id. Loaded once per
/// application (the Qt application object keeps it).
QIcon LoadResIcon(unsigned nID);

/// Dialog resource nID, or null for an unknown id.
const dialog_template* FindDialogTemplate(unsigned nID);

namespace testing {
/// Replaces the text of string resource nID for the dialogs built afterwards, as a
/// translation could; null restores the built-in text.
void OverrideString(unsigned nID, const char* szText);
}  // namespace testing

}  // namespace Tamberon
