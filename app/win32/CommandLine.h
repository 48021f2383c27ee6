// CommandLine.h - the options the Win32 program answers before any window exists (--help,
// --version) and where their text goes: a windowed program has no console of its own, so the
// text goes to the standard output it was given (a pipe or a file), or else to the console of
// the program that started it (AttachConsole), so that a script can ask for the version.
//
// Thread-safety: main thread, before any window exists.
#pragma once

#include <string>

namespace Tamberon {

/// The utility's version as the About box and --version show it.
inline constexpr const char* kVersion = "1.0";

enum class command : int { Run, Help, Version };

/// Which of --help/-h//? and --version/-v the arguments ask for (the first one wins); Run when
/// neither. Other arguments are ignored.
command ParseCommandLine(int argc, char** argv);

/// The help text, ending in a line break.
std::string HelpText();

/// Writes szText to the standard output the program was given, or else to its parent's
/// console. False when there is neither.
bool WriteToParentConsole(const std::string& szText);

}  // namespace Tamberon
