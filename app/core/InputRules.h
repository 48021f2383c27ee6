// InputRules.h - the checks of the dialog's text fields: a URL to fetch, a folder to log into
// and a whole number within a range. Each says, in one line, what is wrong with the input, or
// nothing when it will do. No toolkit: texts are UTF-8.
//
// Thread-safety: pure functions (FolderProblem looks at the file system), any thread.
#pragma once

#include "NumberInput.h"

#include <filesystem>
#include <optional>
#include <string>

namespace Tamberon {

/// The path named by a UTF-8 text.
std::filesystem::path PathFromUtf8(const std::string& szPath);

/// Empty when szUrl (blanks around it already trimmed) is an http:// or https:// address with
/// a host name and no blank or control character; otherwise the message saying why not.
std::string UrlProblem(const std::string& szUrl);

/// Empty when szFolder names a folder that exists; otherwise the message saying why not (it
/// is empty, it is a file, it is something else, or it does not exist).
std::string FolderProblem(const std::string& szFolder);

/// szText without the blanks (spaces, tabs, line breaks) around it.
std::string TrimBlanks(const std::string& szText);

/// The log group's status while the log is open but its folder has gone.
std::string LogFolderGoneText(const std::string& szFolder);

}  // namespace Tamberon
