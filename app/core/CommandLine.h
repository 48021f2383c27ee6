// CommandLine.h - the options every front end answers itself before any window exists
// (--help, --version) and their texts. Where the text goes (standard output, the parent's
// console) and the options a toolkit takes are the front end's.
//
// Thread-safety: pure functions, any thread.
#pragma once

#include <string>
#include <string_view>

namespace Tamberon {

enum class command : int { Run, Help, Version };

/// Which of --help/-h and --version/-v the arguments ask for (the first one wins); Run when
/// neither. On Windows "/?" asks for the help too. Other arguments are left to the front end.
command ParseCommandLine(int argc, char** argv);

/// The help text every front end prints, each line ending in szLineEnd. A front end adds the
/// lines about its own options after it.
std::string HelpText(std::string_view szLineEnd = "\n");

/// "Tamberon <version>" and szLineEnd.
std::string VersionText(std::string_view szLineEnd = "\n");

}  // namespace Tamberon
