// CommandLine.h - where the Win32 program writes the text of the options it answers before
// any window exists (--help, --version; the core parses them and writes their text): a
// windowed program has no console of its own, so the text goes to the standard output it was
// given (a pipe or a file), or else to the console of the program that started it
// (AttachConsole), so that a script can ask for the version.
//
// Thread-safety: main thread, before any window exists.
#pragma once

#include "core/CommandLine.h"

#include <string>

namespace Tamberon {

/// The line end of the texts the program writes.
inline constexpr const char* kLineEnd = "\r\n";

/// Writes szText to the standard output the program was given, or else to its parent's
/// console. False when there is neither.
bool WriteToParentConsole(const std::string& szText);

}  // namespace Tamberon
