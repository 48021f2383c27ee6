// ConfigFileThread.cpp - CConfigFileThread and the free functions on the process-wide table.
#include "yrapi/text/ConfigFileThread.h"

#include "yrapi/platform/Thread.h"
#include "yrapi/text/TextConvert.h"
#include "yrapi/text/TextHelpers.h"

#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <system_error>
#include <unordered_map>
#include <unordered_set>

namespace {

constexpr std::size_t kNameMax = 127;   // characters of a stored name
constexpr std::size_t kValueMax = 511;  // characters of a stored value
constexpr const char* kBlank = " \t\r\n";

struct FileCloser {
    void operator()(std::FILE* pFile) const { std::fclose(pFile); }
};

// Reads one line into szLine: at most 2047 characters with the LF that ends it, terminated.
// The rest of a longer line is read and dropped. False when nothing could be read (end of
// file or a read error). NULs inside the line are read like any byte; the line's text then
// ends at the first of them.
bool ReadLine(std::FILE* pFile, char (&szLine)[2048]) {
    constexpr int kSize = sizeof szLine;
    // fgets terminates what it read; only a line that filled the buffer reaches the last byte.
    szLine[kSize - 1] = 'x';
    if (std::fgets(szLine, kSize, pFile) == nullptr) return false;
    bool bCut = szLine[kSize - 1] == '\0' && szLine[kSize - 2] != '\n';
    while (bCut) {
        char szRest[kSize];
        szRest[kSize - 1] = 'x';
        if (std::fgets(szRest, kSize, pFile) == nullptr) break;
        bCut = szRest[kSize - 1] == '\0' && szRest[kSize - 2] != '\n';
    }
    return true;
}

}  // namespace

// Every value text ever published, each kept once. Node-based: a text's address never changes
// while the set grows, which is what lets GetString hand it out.
struct CConfigFileThread::text_pool {
    struct hash {
        using is_transparent = void;
        std::size_t operator()(std::string_view s) const {
            return std::hash<std::string_view>{}(s);
        }
    };
    std::unordered_set<std::string, hash, std::equal_to<>> texts;
};

// Each record by its stored name (at most kNameMax characters). The keys view the records' own
// szName arrays, which never move or change once a record is listed.
struct CConfigFileThread::name_index {
    std::unordered_map<std::string_view, config_item*, text_pool::hash, std::equal_to<>> items;
};

CConfigFileThread::CConfigFileThread(YRAPI::DWORD dwPeriod, bool bStartThread)
    : dwPeriod(dwPeriod),
      pTexts(std::make_unique<text_pool>()),
      pIndex(std::make_unique<name_index>()) {
    if (bStartThread) Start(true);
}

CConfigFileThread::~CConfigFileThread() {
    StopForDestruction(200);
    YRAPI::CMutexLock lock(tableLock);
    int nCount = table.count.load();
    pIndex->items.clear();
    for (int i = 0; i < nCount; ++i) delete static_cast<config_item*>(table.items[i]);
    table.count.store(0);
}

bool CConfigFileThread::Step() {
    {
        YRAPI::platform::CDeferForcedEnd defer;  // a check and its reload go together
        YRAPI::CMutexLock lock(tableLock);
        if (szPath[0] != '\0') {
            // No change known yet: look at the file again.
            if (loadedStatus == fileStatus) RefreshStatus();
            if (loadedStatus != fileStatus) {
                // A failed Load (file gone) leaves fileStatus as RefreshStatus found it, zero
                // for a missing file, so the next pass compares against that and reloads once
                // the file is back.
                Load(szPath);
                loadedStatus = fileStatus;
            }
        }
    }
    Idle(dwPeriod);
    return true;
}

bool CConfigFileThread::Load(const char* path) {
    YRAPI::platform::CDeferForcedEnd defer;  // a load completes or has not started
    char szFile[sizeof szPath];
    if (path == nullptr || strnlen(path, sizeof szFile) >= sizeof szFile) return false;
    // A local copy: the worker passes szPath itself.
    YRAPI::CopyText(szFile, sizeof szFile, path);
    // The status is taken before the file is read, and recorded as that of the table's
    // content: a save that lands while the file is read then shows as a change at the
    // worker's next look, and is loaded, instead of being taken for the version just read.
    const file_status before = StatusOf(szFile);
    // fopen would open a directory (and then fail every read) and would block on a FIFO
    // while the worker holds tableLock; neither is a settings file.
    if (before.nType != 0 &&
        before.nType != static_cast<int>(std::filesystem::file_type::regular)) {
        return false;
    }
    std::unique_ptr<std::FILE, FileCloser> pFile(std::fopen(szFile, "r"));
    if (!pFile) return false;
    Log(4, "CConfigFileThread::Load() - loading{%s}", szFile);
    bool bResult = ParseFile(pFile.get());
    {
        YRAPI::CMutexLock lock(tableLock);
        YRAPI::CopyText(szPath, sizeof szPath, szFile);
        fileStatus = before;
        dwLoadCount.fetch_add(1);
    }
    return bResult;
}

bool CConfigFileThread::ParseFile(std::FILE* file) {
    if (file == nullptr) return true;
    YRAPI::platform::CDeferForcedEnd defer;  // reads the file under the table lock
    YRAPI::CMutexLock lock(tableLock);
    char szLine[2048];
    while (!std::feof(file) && ReadLine(file, szLine)) {
        if (char* pComment = std::strstr(szLine, "//")) *pComment = '\0';
        if (char* pComment = std::strchr(szLine, '#')) *pComment = '\0';
        char* pText = YRAPI::TrimChars(szLine, kBlank);
        char* pEquals = std::strchr(pText, '=');
        if (pEquals == nullptr) continue;  // also an empty line
        *pEquals = '\0';
        // pText starts with a character outside the set, so this only cuts the name's end.
        char* szName = YRAPI::TrimChars(pText, kBlank);
        if (szName[0] == '\0') continue;
        char* szValue = YRAPI::TrimChars(pEquals + 1, kBlank);
        SetString(szName, szValue);
    }
    return true;
}

config_item* CConfigFileThread::FindItem(const char* name) {
    // A stored name holds at most kNameMax characters: the asked name is cut the same way, so
    // a longer name finds the record that stores its first kNameMax characters.
    auto it = pIndex->items.find(std::string_view(name, strnlen(name, kNameMax)));
    return it != pIndex->items.end() ? it->second : nullptr;
}

const char* CConfigFileThread::KeepText(const char* value) {
    char szValue[kValueMax + 1];
    YRAPI::CopyText(szValue, sizeof szValue, value);
    auto it = pTexts->texts.find(std::string_view(szValue));
    if (it == pTexts->texts.end()) it = pTexts->texts.emplace(szValue).first;
    return it->c_str();
}

bool CConfigFileThread::HasKey(const char* name) {
    if (name == nullptr) return false;
    YRAPI::CMutexLock lock(tableLock);
    return FindItem(name) != nullptr;
}

const char* CConfigFileThread::GetString(const char* name, const char* defaultValue) {
    if (name == nullptr) return defaultValue;
    YRAPI::CMutexLock lock(tableLock);
    config_item* pItem = FindItem(name);
    return pItem != nullptr ? pItem->pszValue : defaultValue;
}

void CConfigFileThread::SetString(const char* name, const char* value) {
    if (name == nullptr) return;
    YRAPI::CMutexLock lock(tableLock);
    if (config_item* pItem = FindItem(name)) {
        // An unchanged value (compared as it would be stored) keeps its text.
        if (value != nullptr && std::strncmp(pItem->pszValue, value, kValueMax) != 0) {
            pItem->pszValue = KeepText(value);
        }
        return;
    }
    auto pItem = std::make_unique<config_item>();  // zero-filled
    YRAPI::CopyText(pItem->szName, sizeof pItem->szName, name);
    pItem->pszValue = KeepText(value != nullptr ? value : "");
    // A record the array refuses (its growth limit) is dropped.
    if (table.Add(pItem.get()) < 0) return;
    config_item* pListed = pItem.release();
    pIndex->items.emplace(std::string_view(pListed->szName), pListed);
}

int CConfigFileThread::GetInt(const char* name, int defaultValue) {
    if (name == nullptr) return defaultValue;
    YRAPI::CMutexLock lock(tableLock);
    config_item* pItem = FindItem(name);
    return pItem != nullptr ? YRAPI::detail::TextToInt(pItem->pszValue) : defaultValue;
}

long CConfigFileThread::GetLong(const char* name, long defaultValue) {
    if (name == nullptr) return defaultValue;
    YRAPI::CMutexLock lock(tableLock);
    config_item* pItem = FindItem(name);
    return pItem != nullptr ? YRAPI::detail::TextToLong(pItem->pszValue) : defaultValue;
}

void CConfigFileThread::RefreshStatus() {
    YRAPI::platform::CDeferForcedEnd defer;  // asks the file system under the table lock
    YRAPI::CMutexLock lock(tableLock);
    fileStatus = szPath[0] != '\0' ? StatusOf(szPath) : file_status{};
}

CConfigFileThread::file_status CConfigFileThread::StatusOf(const char* path) {
    namespace fs = std::filesystem;
    file_status result;
    std::error_code ec;
    fs::file_status status = fs::status(path, ec);
    if (ec || !fs::exists(status)) return result;
    result.nType = static_cast<int>(status.type());
    fs::file_time_type tModified = fs::last_write_time(path, ec);
    if (!ec) result.nModified = static_cast<std::int64_t>(tModified.time_since_epoch().count());
    if (fs::is_regular_file(status)) {
        std::uintmax_t nSize = fs::file_size(path, ec);
        if (!ec) result.nSize = static_cast<std::int64_t>(nSize);
    }
    return result;
}

std::vector<std::pair<std::string, std::string>> CConfigFileThread::CopySettings() {
    std::vector<std::pair<std::string, std::string>> settings;
    YRAPI::CMutexLock lock(tableLock);
    int nCount = table.count.load(std::memory_order_relaxed);
    settings.reserve(static_cast<std::size_t>(nCount));
    for (int i = 0; i < nCount; ++i) {
        auto* pItem = static_cast<config_item*>(table.items[i]);
        if (pItem != nullptr) settings.emplace_back(pItem->szName, pItem->pszValue);
    }
    return settings;
}

bool ConfigLoad(const char* path) {
    auto* pTable = YRAPI::detail::ServingConfigTable();
    return pTable != nullptr && pTable->Load(path);
}

bool ConfigHasKey(const char* name) {
    auto* pTable = YRAPI::detail::ServingConfigTable();
    return pTable != nullptr && pTable->HasKey(name);
}

const char* ConfigGetString(const char* name, const char* defaultValue) {
    auto* pTable = YRAPI::detail::ServingConfigTable();
    return pTable != nullptr ? pTable->GetString(name, defaultValue) : defaultValue;
}

void ConfigSetString(const char* name, const char* value) {
    if (auto* pTable = YRAPI::detail::ServingConfigTable()) pTable->SetString(name, value);
}

int ConfigGetInt(const char* name, int defaultValue) {
    auto* pTable = YRAPI::detail::ServingConfigTable();
    return pTable != nullptr ? pTable->GetInt(name, defaultValue) : defaultValue;
}

long ConfigGetLong(const char* name, long defaultValue) {
    auto* pTable = YRAPI::detail::ServingConfigTable();
    return pTable != nullptr ? pTable->GetLong(name, defaultValue) : defaultValue;
}
