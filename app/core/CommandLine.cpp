// CommandLine.cpp - the options and their texts.
#include "CommandLine.h"

#include "Version.h"

namespace Tamberon {

command ParseCommandLine(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i];
#ifdef _WIN32
        if (arg == "/?") return command::Help;
#endif
        if (arg == "--help" || arg == "-h") return command::Help;
        if (arg == "--version" || arg == "-v") return command::Version;
    }
    return command::Run;
}

std::string HelpText(std::string_view szLineEnd) {
    std::string szVersionLine = std::string("Tamberon ") + kVersion +
                                ": a dialog that shows the YRAPI services at work (host "
                                "addresses, configuration,";
    const std::string_view lines[] = {
        "Usage: tamberon [options]",
        szVersionLine,
        "HTTP fetch, log and timers).",
        "",
        "Options:",
        "  -h, --help     show this help and exit",
        "  -v, --version  show the version and exit",
    };
    std::string szText;
    for (std::string_view line : lines) {
        szText += line;
        szText += szLineEnd;
    }
    return szText;
}

std::string VersionText(std::string_view szLineEnd) {
    std::string szText = "Tamberon ";
    szText += kVersion;
    szText += szLineEnd;
    return szText;
}

}  // namespace Tamberon
