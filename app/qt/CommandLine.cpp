// CommandLine.cpp - options and the display check.
#include "CommandLine.h"

#include <cstdlib>
#include <cstring>
#include <string_view>
#include <sys/stat.h>
#include <xcb/xcb.h>

namespace Tamberon {
namespace {

std::string Env(const char* szName) {
    const char* szValue = std::getenv(szName);
    return szValue != nullptr ? szValue : "";
}

// The value of a Qt option given as "-name value" or "--name value", or empty.
std::string QtOption(int argc, char** argv, std::string_view name) {
    for (int i = 1; i + 1 < argc; ++i) {
        std::string_view arg = argv[i];
        if (arg.starts_with("--")) arg.remove_prefix(1);
        if (arg.size() == name.size() + 1 && arg[0] == '-' && arg.substr(1) == name)
            return argv[i + 1];
    }
    return {};
}

bool CanOpenX(const std::string& szDisplay) {
    xcb_connection_t* pConnection = xcb_connect(szDisplay.c_str(), nullptr);
    bool bOpened = xcb_connection_has_error(pConnection) == 0;
    xcb_disconnect(pConnection);  // also for a connection in error, as xcb requires
    return bOpened;
}

bool HasWaylandSocket(const std::string& szDisplay) {
    std::string szPath = szDisplay;
    if (!szPath.starts_with('/')) {
        std::string szRuntime = Env("XDG_RUNTIME_DIR");
        if (szRuntime.empty()) return false;
        szPath = szRuntime + "/" + szDisplay;
    }
    struct stat status {};
    return stat(szPath.c_str(), &status) == 0 && S_ISSOCK(status.st_mode);
}

std::string Problem(const std::string& szWhat) {
    return "tamberon: " + szWhat +
           "; run it on a graphical desktop, or without one under a virtual display: "
           "xvfb-run tamberon\n";
}

}  // namespace

std::string QtHelpText() {
    return HelpText() +
           "Qt's own options (-platform, -style, -display, ...) are passed on to Qt.\n"
           "\n"
           "Tamberon needs a graphical desktop (X11 or Wayland). On a machine without one,\n"
           "run it under a virtual X server: xvfb-run tamberon\n";
}

std::string FindDisplayProblem(int argc, char** argv) {
    std::string szPlatform = QtOption(argc, argv, "platform");
    if (szPlatform.empty()) szPlatform = Env("QT_QPA_PLATFORM");
    // "name:options", or a list "a;b" that Qt tries in turn: the first entry decides here.
    std::string szName = szPlatform.substr(0, szPlatform.find_first_of(":;"));
    std::string szWayland = Env("WAYLAND_DISPLAY");
    std::string szX = QtOption(argc, argv, "display");
    if (szX.empty()) szX = Env("DISPLAY");

    if (!szName.empty() && szName != "xcb" && !szName.starts_with("wayland")) return {};
    if (szName.starts_with("wayland") || (szName.empty() && szX.empty() && !szWayland.empty())) {
        if (HasWaylandSocket(szWayland.empty() ? "wayland-0" : szWayland)) return {};
        return Problem("no Wayland display (WAYLAND_DISPLAY names no socket)");
    }
    if (szX.empty()) {
        return Problem(szWayland.empty() ? "no display (neither DISPLAY nor WAYLAND_DISPLAY is set)"
                                         : "no X display (DISPLAY is not set)");
    }
    if (CanOpenX(szX)) return {};
    // Qt falls back to Wayland when it chooses the platform itself.
    if (szName.empty() && !szWayland.empty() && HasWaylandSocket(szWayland)) return {};
    return Problem("cannot open the X display \"" + szX + "\"");
}

}  // namespace Tamberon
