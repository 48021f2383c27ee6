// Resources.h - the utility's resources by number: the ids the dialogs ask for (the core's,
// shared with every front end), and the one table that maps each id to a Qt resource (an
// icon's PNG sizes in the resource file) or to a text. Dialogs load by id, so a resource is
// defined in one place.
//
// Thread-safety: GUI thread only (the loaders build Qt GUI objects and keep loaded icons with
// the Qt application object; the test override is a plain table entry).
#pragma once

#include "core/ResourceIds.h"
#include "core/Version.h"

#include <QIcon>
#include <QString>

/// The window menu's own commands, with the values the system menu gives them.
constexpr unsigned SC_MINIMIZE = 0xF020;
constexpr unsigned SC_CLOSE = 0xF060;

/// A modal dialog's results.
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;

namespace Tamberon {

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
