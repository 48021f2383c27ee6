// SettingsFile.h - a configuration file as the settings table meets it: which names the file
// defines (read by the configuration table's own rules), whether a value can be written to it
// at all, and saving one edited setting into it. No toolkit.
//
// The rules mirror the table's parse: "//" and "#" start a comment anywhere in a line; blanks
// (space, tab, CR, LF) around the line, the name and the value do not count; a line without
// "=" or with an empty name defines nothing; only the first 2047 characters of a line count;
// names compare by their first 127 characters; a later line wins.
//
// Saving: the value on the last line that defines the name is replaced in place (the rest of
// the line, its comment, every other line and their order are kept byte for byte); a name
// the file does not define is appended as "name=value" with the file's own line ending. The
// new content is written to a temporary file in the same folder and renamed over the file
// (through a symbolic link, the file it points to), so a reader never sees half a file.
//
// Thread-safety: plain functions; two saves of one file at once must not run (the dialog
// saves on its GUI thread only). Any thread may read.
#pragma once

#include <cstddef>
#include <string>
#include <unordered_set>

namespace Tamberon {

/// The longest value the table keeps whole.
constexpr std::size_t kMaxValueLength = 511;

/// Empty when szValue can be written to a configuration file and read back as it is;
/// otherwise why not: it holds "#" or "//" (they start a comment) or a line break.
std::string SettingValueProblem(const std::string& szValue);

/// szValue as the table would read it back: blanks around it dropped, cut to
/// kMaxValueLength characters.
std::string TrimmedValue(const std::string& szValue);

/// The names szPath defines (each cut to 127 characters); empty when it cannot be read.
std::unordered_set<std::string> NamesDefinedByFile(const std::string& szPath);

/// Writes szName = szValue into the file at szPath as described above. True when saved;
/// otherwise false and *pszWhy says why (the value cannot be held, the file cannot be read,
/// or the new file cannot be written), and the file is unchanged. The value written is
/// TrimmedValue(szValue), what a reload gives the table.
bool SaveSettingToFile(const std::string& szPath, const std::string& szName,
                       const std::string& szValue, std::string* pszWhy);

}  // namespace Tamberon
