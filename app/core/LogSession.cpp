// LogSession.cpp - CLogSession.
#include "LogSession.h"

#include "InputRules.h"

#include <yrapi/log/LogInterface.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <system_error>

namespace Tamberon {
namespace {

bool IsPlainFileName(const std::string& szName) {
    if (szName.empty() || szName == "." || szName == "..") return false;
#ifdef _WIN32
    // A backslash is a separator there too, and a colon names a drive or a stream.
    return szName.find_first_of("/\\:") == std::string::npos;
#else
    return szName.find('/') == std::string::npos;
#endif
}

// The errno text of a file that cannot be opened for appending; empty when it can (it is
// created then, as the writer would).
std::string AppendProblem(const std::string& szPath) {
    errno = 0;
#ifdef _WIN32
    std::FILE* pFile = _wfopen(PathFromUtf8(szPath).c_str(), L"ab");
#else
    std::FILE* pFile = std::fopen(szPath.c_str(), "a");
#endif
    if (pFile != nullptr) {
        std::fclose(pFile);
        return {};
    }
    return errno != 0 ? std::generic_category().message(errno) : std::string("cannot open it");
}

}  // namespace

CLogSession::~CLogSession() {
    if (bOpen) YRAPI::GetLogApi()->_Close();
}

std::string CLogSession::LogFilePath(const std::string& szFolder, const std::string& szFileName) {
    std::string szDir = TrimBlanks(szFolder);
    std::string szName = TrimBlanks(szFileName);
    if (szDir.empty()) return szName;
#ifdef _WIN32
    const char cSeparator = '\\';
    bool bEndsInSeparator = szDir.back() == '\\' || szDir.back() == '/';
#else
    const char cSeparator = '/';
    bool bEndsInSeparator = szDir.back() == '/';
#endif
    return bEndsInSeparator ? szDir + szName : szDir + cSeparator + szName;
}

bool CLogSession::Open(const log_settings& settings, log_message* pMessage) {
    *pMessage = {};
    if (bOpen) return false;
    auto refuse = [pMessage](std::string szText, log_message::Field eField) {
        *pMessage = {true, std::move(szText), eField};
        return false;
    };
    std::string szFolder = TrimBlanks(settings.szFolder);
    std::string szProblem = FolderProblem(szFolder);
    if (!szProblem.empty()) return refuse(szProblem, log_message::Field::Folder);
    if (!IsPlainFileName(TrimBlanks(settings.szFileName))) {
        return refuse("File name: enter a plain file name, such as tamberon.log.",
                      log_message::Field::FileName);
    }
    std::optional<long long> nMaxSize =
        ReadNumber(settings.szMaxSize, 1024, 0x7FFFFFFF, "Max size", &szProblem);
    if (!nMaxSize) return refuse(szProblem, log_message::Field::MaxSize);
    std::string szPath = LogFilePath(szFolder, settings.szFileName);
    if (szPath.size() > kPathMax) {
        return refuse("The log file's path is longer than " + std::to_string(kPathMax) + " bytes.",
                      log_message::Field::None);
    }
    // The writer reports nothing when it cannot write, so try it here first.
    szProblem = AppendProblem(szPath);
    if (!szProblem.empty()) {
        return refuse("Cannot write " + szPath + ": " + szProblem + ".", log_message::Field::None);
    }
    int nLevel = settings.nLevel;
    YRAPI::GetLogApi()->_Open(szPath.c_str(), nLevel, static_cast<int>(*nMaxSize));
    bOpen = true;
    YRAPI::CYRLogInterface::Log(4, "Tamberon: log opened at level %d, rotated at %lld bytes",
                                nLevel, *nMaxSize);
    szOpenFolder = szFolder;
    bFolderGone = false;
    reader.SetFile(szPath);
    *pMessage = {false, OpenText(), log_message::Field::None};
    return true;
}

std::string CLogSession::OpenText() const {
    return "Open: " + reader.File() + " (lines reach the file every 2 s).";
}

bool CLogSession::Close(log_message* pMessage) {
    *pMessage = {};
    if (!bOpen) return false;
    YRAPI::CYRLogInterface::Log(4, "Tamberon: log closed");
    YRAPI::GetLogApi()->_Close();
    bOpen = false;
    *pMessage = {false, "Closed: " + reader.File() + ".", log_message::Field::None};
    return true;
}

log_refresh CLogSession::Refresh() {
    log_refresh refresh;
    if (reader.File().empty()) return refresh;
    if (bOpen) {
        std::error_code error;
        bool bGone = !std::filesystem::is_directory(PathFromUtf8(szOpenFolder), error);
        if (bGone != bFolderGone) {
            bFolderGone = bGone;
            refresh.bNewStatus = true;
            refresh.status = bGone ? log_message{true, LogFolderGoneText(szOpenFolder)}
                                   : log_message{false, OpenText()};
        }
    }
    // While the folder is gone, the lines read last stay; the status says why.
    refresh.lines = reader.Read(/*bQuietFailure=*/bFolderGone);
    return refresh;
}

void CLogSession::WriteLine(int nLevel, const std::string& szText) {
    YRAPI::CYRLogInterface::Log(nLevel, "%s", szText.c_str());
}

std::string CLogSession::ChooserStartsWithoutText(const std::string& szProblem) {
    return szProblem + " The chooser starts without it.";
}

std::string CLogSession::FolderChosenText(const std::string& szFolder) {
    return "Folder: " + szFolder;
}

}  // namespace Tamberon
