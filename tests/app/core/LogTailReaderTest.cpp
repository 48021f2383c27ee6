// Tests of the core's log tail reader: each look at a real file reads only what is new and
// tells the view whether to replace, append or keep its lines.
#include "core/LogTailReader.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

using Kind = Tamberon::tail_update::Kind;
using Tamberon::CLogTailReader;
using Tamberon::tail_update;
using YRAPI::test::CTempDir;

TEST(CoreLogTailReader, EachLookTellsTheViewWhatIsNew) {
    // One reader over one file; before each look the file gets szContent (or is removed).
    struct look {
        const char* szContent;  // null: the file is removed
        bool bQuietFailure;
        Kind eKind;
        const char* szText;  // the update's text, or a part of it for Unreadable
    };
    struct test_case {
        const char* szName;
        std::vector<look> looks;
    };
    const test_case cases[] = {
        {"first look, appended lines, nothing new",
         {{"a\nb\n", false, Kind::Afresh, "a\nb"},
          {"a\nb\nc\nd\n", false, Kind::Append, "c\nd"},
          {"a\nb\nc\nd\n", false, Kind::None, ""}}},
        {"a line being written shows once whole",
         {{"a\nb", false, Kind::Afresh, "a"},
          {"a\nbc", false, Kind::None, ""},
          {"a\nbc\n", false, Kind::Append, "bc"}}},
        {"a rotated file is read afresh",
         {{"one\ntwo\nthree\n", false, Kind::Afresh, "one\ntwo\nthree"},
          {"new\n", false, Kind::Afresh, "new"}}},
        {"a missing file cannot be read, then shows",
         {{nullptr, false, Kind::Unreadable, "cannot be read"},
          {"back\n", false, Kind::Afresh, "back"}}},
        {"a quiet failure keeps the lines on show",
         {{"kept\n", false, Kind::Afresh, "kept"},
          {nullptr, true, Kind::None, ""},
          {"kept\nmore\n", true, Kind::Append, "more"}}},
    };
    for (const test_case& c : cases) {
        CTempDir dir;
        std::string szPath = dir.File("view.log");
        CLogTailReader reader(1024);
        EXPECT_EQ(reader.Read().eKind, Kind::None) << c.szName << ": no file set";
        reader.SetFile(szPath);
        EXPECT_EQ(reader.File(), szPath);
        for (const look& l : c.looks) {
            if (l.szContent == nullptr) {
                std::filesystem::remove(szPath);
            } else {
                ASSERT_TRUE(YRAPI::test::WriteFile(szPath, l.szContent));
            }
            tail_update update = reader.Read(l.bQuietFailure);
            EXPECT_EQ(update.eKind, l.eKind) << c.szName << ": " << update.szText;
            if (l.eKind == Kind::Unreadable) {
                EXPECT_NE(update.szText.find(l.szText), std::string::npos) << update.szText;
                EXPECT_NE(update.szText.find(szPath), std::string::npos) << update.szText;
            } else {
                EXPECT_EQ(update.szText, l.szText) << c.szName;
            }
        }
    }
}

TEST(CoreLogTailReader, AFreshLookReadsOnlyTheNewestBytes) {
    CTempDir dir;
    std::string szPath = dir.File("big.log");
    std::string szContent;
    for (int i = 0; i < 1000; ++i) szContent += "line " + std::to_string(i) + "\n";
    ASSERT_TRUE(YRAPI::test::WriteFile(szPath, szContent));
    CLogTailReader reader(100);
    reader.SetFile(szPath);
    tail_update update = reader.Read();
    ASSERT_EQ(update.eKind, Kind::Afresh);
    EXPECT_LE(update.szText.size(), 100u);
    EXPECT_TRUE(update.szText.ends_with("line 999")) << update.szText;
    // Whole lines only: the cut line at the start is left out.
    EXPECT_TRUE(update.szText.starts_with("line ")) << update.szText;
    // After Forget the same file is read afresh again.
    EXPECT_EQ(reader.Read().eKind, Kind::None);
    reader.Forget();
    EXPECT_EQ(reader.Read().eKind, Kind::Afresh);
}

}  // namespace
