// InputRules.h - the checks of the dialog's text fields that are not numbers (InputCheck.h
// reads those): a URL to fetch and a folder to log into. Each says, in one line, what is wrong
// with the input, or nothing when it will do. No toolkit: texts are UTF-8.
//
// Thread-safety: pure functions (FolderProblem looks at the file system), any thread.
#pragma once

#include <filesystem>
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

/// The log group's status while the log is open but its folder has gone.
std::string LogFolderGoneText(const std::string& szFolder);

}  // namespace Tamberon
