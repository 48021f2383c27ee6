// Tests of the core's log session: the fields are checked before the log is opened, an opened
// log's lines show in its tail, a folder gone under an open log is reported, and the session
// closes the log it opened.
#include "core/LogSession.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <system_error>
#include <thread>

namespace {

using Field = Tamberon::log_message::Field;
using Kind = Tamberon::tail_update::Kind;
using Tamberon::CLogSession;
using Tamberon::log_message;
using Tamberon::log_settings;
using YRAPI::test::CTempDir;

log_settings SettingsFor(const std::string& szFolder) {
    return {szFolder, "session.log", 4, "1048576"};
}

TEST(CoreLogSession, BadFieldsAreRefusedAndNameTheFieldToFix) {
    struct test_case {
        const char* szName;
        std::string szFolder;  // "%" stands for a fresh folder
        std::string szFileName;
        std::string szMaxSize;
        Field eField;
        const char* szPart;
    };
    const std::string szLongName(260, 'n');
    const test_case cases[] = {
        {"empty folder", "", "t.log", "1048576", Field::Folder, "Folder is empty"},
        {"vanished folder", "%/gone", "t.log", "1048576", Field::Folder, "does not exist"},
        {"a file for a folder", "%/file.txt", "t.log", "1048576", Field::Folder,
         "is a file, not a folder"},
        {"empty file name", "%", "  ", "1048576", Field::FileName, "plain file name"},
        {"a path for a file name", "%", "a/b.log", "1048576", Field::FileName, "plain file name"},
        {"dot dot", "%", "..", "1048576", Field::FileName, "plain file name"},
        {"max size text", "%", "t.log", "big", Field::MaxSize, "Max size \"big\" is not valid"},
        {"max size too small", "%", "t.log", "1023", Field::MaxSize, "from 1024 to 2147483647"},
        {"max size too large", "%", "t.log", "2147483648", Field::MaxSize, "is not valid"},
        {"path too long", "%", szLongName, "1048576", Field::None, "longer than 255 bytes"},
        {"a folder where the file goes", "%", "sub", "1048576", Field::None, "Cannot write"},
    };
    for (const test_case& c : cases) {
        CTempDir dir;
        ASSERT_TRUE(YRAPI::test::WriteFile(dir.File("file.txt"), "not a folder\n"));
        std::filesystem::create_directory(dir.File("sub"));
        std::string szFolder = c.szFolder;
        if (szFolder.starts_with('%')) szFolder = dir.Path() + szFolder.substr(1);
        CLogSession session;
        log_message message;
        EXPECT_FALSE(session.Open({szFolder, c.szFileName, 4, c.szMaxSize}, &message)) << c.szName;
        EXPECT_FALSE(session.IsOpen()) << c.szName;
        EXPECT_TRUE(message.bError) << c.szName;
        EXPECT_EQ(message.eField, c.eField) << c.szName;
        EXPECT_NE(message.szText.find(c.szPart), std::string::npos)
            << c.szName << ": " << message.szText;
    }
}

TEST(CoreLogSession, LogFilePathJoinsFolderAndNameOnce) {
    struct test_case {
        const char* szFolder;
        const char* szName;
        std::string szPath;
    };
#ifdef _WIN32
    const test_case cases[] = {
        {"C:\\logs", "t.log", "C:\\logs\\t.log"},
        {" C:\\logs\\ ", " t.log ", "C:\\logs\\t.log"},
        {"C:/logs/", "t.log", "C:/logs/t.log"},
    };
#else
    const test_case cases[] = {
        {"/tmp/logs", "t.log", "/tmp/logs/t.log"},
        {" /tmp/logs/ ", " t.log ", "/tmp/logs/t.log"},
        {"/", "t.log", "/t.log"},
    };
#endif
    for (const test_case& c : cases) {
        EXPECT_EQ(CLogSession::LogFilePath(c.szFolder, c.szName), c.szPath) << c.szFolder;
    }
}

// Looks until the tail shows szNeedle; the text on show (as the view would hold it).
bool TailShows(CLogSession& session, std::string* pszShown, const std::string& szNeedle) {
    return YRAPI::test::WaitUntil(
        [&] {
            Tamberon::log_refresh refresh = session.Refresh();
            if (refresh.lines.eKind == Kind::Afresh) *pszShown = refresh.lines.szText;
            if (refresh.lines.eKind == Kind::Append) *pszShown += "\n" + refresh.lines.szText;
            return pszShown->find(szNeedle) != std::string::npos;
        },
        std::chrono::seconds(15));
}

TEST(CoreLogSession, AnOpenedLogsLinesShowInItsTailUntilItIsClosed) {
    CTempDir dir;
    ASSERT_TRUE(YRAPI::test::WriteFile(dir.File("session.log"), "old 1\nold 2\n"));
    CLogSession session;
    log_message message;
    ASSERT_TRUE(session.Open(SettingsFor(dir.Path()), &message)) << message.szText;
    std::string szPath = CLogSession::LogFilePath(dir.Path(), "session.log");
    EXPECT_TRUE(session.IsOpen());
    EXPECT_FALSE(message.bError);
    EXPECT_EQ(message.szText, "Open: " + szPath + " (lines reach the file every 2 s).");
    EXPECT_EQ(session.ShownFile(), szPath);
    EXPECT_FALSE(session.Open(SettingsFor(dir.Path()), &message));
    EXPECT_EQ(message.szText, "");

    CLogSession::WriteLine(4, "probe line 1");
    std::string szShown;
    ASSERT_TRUE(TailShows(session, &szShown, "probe line 1")) << szShown;
    EXPECT_TRUE(szShown.starts_with("old 1\nold 2\n")) << szShown;
    EXPECT_NE(szShown.find("Tamberon: log opened at level 4, rotated at 1048576 bytes"),
              std::string::npos)
        << szShown;

    ASSERT_TRUE(session.Close(&message));
    EXPECT_FALSE(session.IsOpen());
    EXPECT_EQ(message.szText, "Closed: " + szPath + ".");
    EXPECT_FALSE(session.Close(&message));
    // Closing writes what was queued: the last look after it shows the closing line.
    ASSERT_TRUE(TailShows(session, &szShown, "Tamberon: log closed")) << szShown;
}

TEST(CoreLogSession, AFolderGoneUnderAnOpenLogIsReportedAndItsReturnToo) {
    CTempDir dir;
    std::string szFolder = dir.File("logs");
    std::filesystem::create_directory(szFolder);
    CLogSession session;
    log_message message;
    ASSERT_TRUE(session.Open(SettingsFor(szFolder), &message)) << message.szText;
    EXPECT_FALSE(session.Refresh().bNewStatus);
    // On Windows the file cannot go while the writer has it open for a pass: try again.
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    std::error_code error;
    while ((std::filesystem::remove_all(szFolder, error), error) &&
           std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ASSERT_FALSE(std::filesystem::exists(szFolder)) << error.message();
    Tamberon::log_refresh refresh = session.Refresh();
    ASSERT_TRUE(refresh.bNewStatus);
    EXPECT_TRUE(refresh.status.bError);
    EXPECT_NE(refresh.status.szText.find("is gone: log lines are lost"), std::string::npos)
        << refresh.status.szText;
    // The lines read last stay while the folder is gone.
    EXPECT_EQ(refresh.lines.eKind, Kind::None);
    EXPECT_FALSE(session.Refresh().bNewStatus);
    std::filesystem::create_directory(szFolder);
    refresh = session.Refresh();
    ASSERT_TRUE(refresh.bNewStatus);
    EXPECT_FALSE(refresh.status.bError);
    EXPECT_TRUE(refresh.status.szText.starts_with("Open: ")) << refresh.status.szText;
    ASSERT_TRUE(session.Close(&message));
}

TEST(CoreLogSession, TheSessionClosesTheLogItOpenedWhenItGoes) {
    CTempDir dir;
    std::string szPath;
    {
        CLogSession session;
        log_message message;
        ASSERT_TRUE(session.Open(SettingsFor(dir.Path()), &message)) << message.szText;
        szPath = session.ShownFile();
        CLogSession::WriteLine(4, "last words");
    }
    // Closing writes what was queued, before it returns.
    EXPECT_NE(YRAPI::test::ReadFile(szPath).find("last words"), std::string::npos);
    // And the log is closed: another session may open one.
    CLogSession again;
    log_message message;
    EXPECT_TRUE(again.Open(SettingsFor(dir.Path()), &message)) << message.szText;
}

}  // namespace
