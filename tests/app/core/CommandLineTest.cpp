// Tests of the core's command line: which option wins, and the texts in either line end.
#include "core/CommandLine.h"
#include "core/ResourceIds.h"
#include "core/Version.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Tamberon::command;

TEST(CoreCommandLine, TheFirstOptionAskedForWins) {
    struct test_case {
        std::vector<std::string> args;
        command expected;
    };
    const test_case cases[] = {
        {{}, command::Run},
        {{"-platform", "offscreen"}, command::Run},
        {{"--help"}, command::Help},
        {{"-h"}, command::Help},
        {{"--version"}, command::Version},
        {{"-v"}, command::Version},
        {{"-v", "--help"}, command::Version},
        {{"--help", "--version"}, command::Help},
        {{"--helpme"}, command::Run},
        {{"-platform", "offscreen", "--version"}, command::Version},
#ifdef _WIN32
        {{"/?"}, command::Help},
#else
        {{"/?"}, command::Run},
#endif
    };
    for (const test_case& c : cases) {
        std::vector<std::string> storage = c.args;
        storage.insert(storage.begin(), "tamberon");
        std::vector<char*> argv;
        for (std::string& arg : storage) argv.push_back(arg.data());
        argv.push_back(nullptr);
        EXPECT_EQ(Tamberon::ParseCommandLine(static_cast<int>(storage.size()), argv.data()),
                  c.expected)
            << (c.args.empty() ? std::string("(none)") : c.args.front());
    }
}

TEST(CoreCommandLine, TextsEndEveryLineWithTheLineEndAsked) {
    for (std::string szLineEnd : {"\n", "\r\n"}) {
        std::string szHelp = Tamberon::HelpText(szLineEnd);
        EXPECT_EQ(szHelp.rfind("Usage: tamberon [options]" + szLineEnd, 0), 0u) << szHelp;
        EXPECT_NE(szHelp.find(std::string("Tamberon ") + Tamberon::kVersion + ": "),
                  std::string::npos);
        EXPECT_NE(szHelp.find("  -v, --version  show the version and exit" + szLineEnd),
                  std::string::npos);
        ASSERT_GE(szHelp.size(), szLineEnd.size());
        EXPECT_EQ(szHelp.substr(szHelp.size() - szLineEnd.size()), szLineEnd);
        // No line ends otherwise: every '\n' is the end of a szLineEnd.
        std::size_t nLines = 0;
        for (std::size_t i = szHelp.find('\n'); i != std::string::npos;
             i = szHelp.find('\n', i + 1)) {
            ++nLines;
            EXPECT_EQ(szHelp.compare(i + 1 - szLineEnd.size(), szLineEnd.size(), szLineEnd), 0);
        }
        EXPECT_EQ(nLines, 7u);
        EXPECT_EQ(Tamberon::VersionText(szLineEnd), "Tamberon 1.0" + szLineEnd);
    }
}

TEST(CoreResources, EveryFrontEndGetsTheSameIdsAndTexts) {
    EXPECT_EQ(IDD_ABOUTBOX, 100);
    EXPECT_EQ(IDS_ABOUTBOX, 101);
    EXPECT_EQ(IDR_MAINFRAME, 128);
    EXPECT_EQ(IDM_ABOUTBOX, 0x0010);
    EXPECT_STREQ(TAMBERON_ABOUT_MENU_TEXT, "&About Tamberon...");
    EXPECT_STREQ(TAMBERON_ABOUT_TITLE, "About Tamberon");
    EXPECT_EQ(std::string(TAMBERON_ABOUT_VERSION_TEXT),
              std::string("Tamberon Version ") + Tamberon::kVersion);
    EXPECT_EQ(TAMBERON_ABOUT_WIDTH_DLU, 235);
    EXPECT_EQ(TAMBERON_ABOUT_HEIGHT_DLU, 55);
}

}  // namespace
