// CommandLine.h - what the Qt front end does before Qt starts: the options it answers itself
// (--help, --version, from the core) and the check for a display that Qt can open, so that a
// machine without one gets a line that says how to run the utility instead of a Qt abort.
//
// Thread-safety: called on the main thread before any window exists; reads the environment.
#pragma once

#include "core/CommandLine.h"

#include <string>

namespace Tamberon {

/// The help text with the lines about Qt's options and the display, ending in a newline.
std::string QtHelpText();

/// Empty when Qt will find a display for the platform chosen by the arguments (-platform)
/// or QT_QPA_PLATFORM: a platform that needs none (offscreen, vnc, ...), an X display that
/// accepts a connection, or a Wayland socket. Otherwise the one line to print, ending in a
/// newline.
std::string FindDisplayProblem(int argc, char** argv);

}  // namespace Tamberon
