// SettingsView.cpp - CSettingsView and the settings group's texts.
#include "SettingsView.h"

#include "InputRules.h"
#include "SettingsFile.h"

#include <yrapi/text/ConfigFileThread.h>

#include <algorithm>
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace Tamberon {

CSettingsView::CSettingsView(CConfigFileThread& table, ISettingsViewSink& sink, notifier notify)
    : table(table), sink(sink), notify(std::move(notify)), nLoadCount(table.GetLoadCount()) {
    rows = table.CopySettings();
    definedRows.assign(rows.size(), 0);
}

CSettingsView::~CSettingsView() {
    if (worker.joinable()) worker.join();
}

CSettingsView::snapshot CSettingsView::TakeSnapshot(CConfigFileThread& table,
                                                    const std::string& szFile) {
    snapshot result;
    // The count first: a load that ends after it is seen again by the next look.
    result.nLoadCount = table.GetLoadCount();
    result.rows = table.CopySettings();
    if (!szFile.empty()) result.defined = NamesDefinedByFile(szFile);
    return result;
}

void CSettingsView::StartJob(std::function<snapshot()> pfnJob) {
    if (worker.joinable()) worker.join();  // it has stored its result
    bJobRunning = true;
    sink.OnBusyChanged(true);
    worker = std::thread([this, pfnJob = std::move(pfnJob)] {
        snapshot result = pfnJob();
        {
            std::lock_guard<std::mutex> lock(resultLock);
            pending = std::move(result);
        }
        // The destructor joins this thread, so the view is alive here.
        notify();
    });
}

bool CSettingsView::Refresh(bool bForce) {
    unsigned nCount = table.GetLoadCount();
    bool bLoaded = nCount != nLoadCount;
    if (!bLoaded && !bForce) return false;
    if (bJobRunning) {
        bRefreshPending = true;
        return bLoaded;
    }
    nLoadCount = nCount;  // seen: the next look does not start another snapshot for it
    CConfigFileThread* pTable = &table;
    StartJob([pTable, szFile = szFile, bLoaded] {
        snapshot result = TakeSnapshot(*pTable, szFile);
        result.bLoadSeen = bLoaded;
        return result;
    });
    return bLoaded;
}

bool CSettingsView::Load(const std::string& szPath) {
    if (bJobRunning) return false;
    CConfigFileThread* pTable = &table;
    StartJob([pTable, szPath] {
        if (!pTable->Load(szPath.c_str())) {
            snapshot failed;
            failed.bLoadFailed = true;
            failed.nLoadCount = pTable->GetLoadCount();
            failed.szLoadedFile = szPath;
            return failed;
        }
        snapshot result = TakeSnapshot(*pTable, szPath);
        result.bLoadSeen = true;
        result.szLoadedFile = szPath;
        return result;
    });
    return true;
}

void CSettingsView::Deliver() {
    std::optional<snapshot> result;
    {
        std::lock_guard<std::mutex> lock(resultLock);
        result.swap(pending);
    }
    if (result) Apply(std::move(*result));
}

void CSettingsView::Apply(snapshot result) {
    bJobRunning = false;
    if (result.bLoadFailed) {
        sink.OnBusyChanged(false);
        sink.OnLoadEnded(false, result.szLoadedFile);
        return;
    }
    nLoadCount = result.nLoadCount;
    if (!result.szLoadedFile.empty()) szFile = result.szLoadedFile;
    bool bMarks = !szFile.empty();
    auto isDefined = [&](const std::string& szName) -> char {
        return bMarks && result.defined.count(szName) != 0 ? 1 : 0;
    };
    // Names are only ever added, at the end; values and marks may change anywhere. One
    // report per run of changed rows.
    std::size_t nCommon = std::min(result.rows.size(), rows.size());
    std::size_t nRunStart = SIZE_MAX;
    auto endRun = [&](std::size_t nEnd) {
        if (nRunStart == SIZE_MAX) return;
        sink.OnRowsChanged(nRunStart, nEnd - 1);
        nRunStart = SIZE_MAX;
    };
    for (std::size_t i = 0; i < nCommon; ++i) {
        char bDefined = isDefined(result.rows[i].first);
        if (rows[i] != result.rows[i] || definedRows[i] != bDefined) {
            rows[i] = std::move(result.rows[i]);
            definedRows[i] = bDefined;
            if (nRunStart == SIZE_MAX) nRunStart = i;
        } else {
            endRun(i);
        }
    }
    endRun(nCommon);
    if (result.rows.size() > rows.size()) {
        sink.OnRowsAdding(rows.size(), result.rows.size() - 1);
        for (std::size_t i = rows.size(); i < result.rows.size(); ++i) {
            definedRows.push_back(isDefined(result.rows[i].first));
            rows.push_back(std::move(result.rows[i]));
        }
        sink.OnRowsAdded();
    }
    nDefined = 0;
    for (char bDefined : definedRows) nDefined += bDefined;
    if (result.bLoadSeen) {
        ++nLoadsSeen;
        lastLoad = std::chrono::system_clock::now();
    }
    sink.OnBusyChanged(false);
    if (!result.szLoadedFile.empty()) sink.OnLoadEnded(true, result.szLoadedFile);
    if (result.bLoadSeen) sink.OnReloaded();
    if (bRefreshPending) {
        bRefreshPending = false;
        Refresh(/*bForce=*/true);
    }
}

bool CSettingsView::IsDefinedByFile(std::size_t nRow) const {
    return nRow < definedRows.size() && definedRows[nRow] != 0;
}

settings_edit CSettingsView::Edit(std::size_t nRow, const std::string& szValue) {
    settings_edit outcome;
    if (nRow >= rows.size()) return outcome;
    auto& row = rows[nRow];
    std::string szProblem = SettingValueProblem(szValue);
    if (!szProblem.empty()) {
        outcome.szText = row.first + " not changed: " + szProblem + ".";
        return outcome;
    }
    if (!szFile.empty()) {
        std::string szWhy;
        if (!SaveSettingToFile(szFile, row.first, szValue, &szWhy)) {
            outcome.szText =
                row.first + " not changed: " + szFile + " could not be saved: " + szWhy + ".";
            return outcome;
        }
        outcome.bSaved = true;
        if (definedRows[nRow] == 0) {
            definedRows[nRow] = 1;
            ++nDefined;
        }
    }
    // The table shows the value at once; the reload that the save causes confirms it.
    table.SetString(row.first.c_str(), TrimmedValue(szValue).c_str());
    row.second = table.GetString(row.first.c_str(), "");  // what the table kept (cut at 511)
    outcome.bChanged = true;
    outcome.szText = outcome.bSaved ? row.first + " saved to " + szFile + "."
                                    : row.first + " set in the table only: no file is loaded.";
    return outcome;
}

std::string CSettingsView::ReloadText() const {
    if (!lastLoad) return "Not loaded yet";
    std::time_t nTime = std::chrono::system_clock::to_time_t(*lastLoad);
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &nTime);
#else
    localtime_r(&nTime, &local);
#endif
    char szTime[16] = {};
    std::strftime(szTime, sizeof(szTime), "%H:%M:%S", &local);
    std::string szText =
        std::string("Last reload ") + szTime + ", loads seen: " + std::to_string(nLoadsSeen);
    int nKept = szFile.empty() ? 0 : static_cast<int>(rows.size()) - nDefined;
    if (nKept > 0) szText += "; " + std::to_string(nKept) + " kept from before";
    return szText;
}

std::string CSettingsView::RowTip(std::size_t nRow) const {
    if (szFile.empty() || nRow >= rows.size()) return {};
    if (IsKept(nRow)) {
        return "Kept from before: " + szFile + " does not define " + rows[nRow].first +
               " (a reload never removes a name). Changing the value adds it to the file.";
    }
    return "Defined in " + szFile + ". Double-click or press F2 to change the value.";
}

std::string SettingsFileProblem(const std::string& szPath) {
    if (szPath.size() > 255) return "its path is longer than 255 bytes";
    std::error_code error;
    std::filesystem::path path = PathFromUtf8(szPath);
    std::filesystem::file_status status = std::filesystem::status(path, error);
    if (!std::filesystem::exists(status)) return "there is no such file";
    if (std::filesystem::is_directory(status)) return "it is a folder";
    if (!std::filesystem::is_regular_file(status)) return "it is not a regular file";
    std::ifstream file(path, std::ios::binary);
    if (!file) return "no permission to read it";
    return {};
}

std::string WhyNotLoaded(const std::string& szPath) {
    std::string szWhy = SettingsFileProblem(szPath);
    return szWhy.empty() ? "it cannot be opened" : szWhy;
}

std::string LoadRefusedText(const std::string& szShownPath, const std::string& szWhy) {
    return "Could not load " + szShownPath + ": " + szWhy + ".";
}

std::string LoadBusyText() { return "A load is still running; wait for it to end."; }

std::string LoadingText(const std::string& szShownPath) { return "Loading " + szShownPath + "..."; }

std::string NoFileText() { return "No file loaded."; }

std::string FileText(const std::string& szShownPath) { return "File: " + szShownPath; }

std::string LoadedText(int nDefined) {
    return "Loaded " + std::to_string(nDefined) + " names; reloaded whenever the file changes.";
}

std::string SettingsHelpText() {
    return "Double-click or press F2 on a value to change it; it is saved to the file. Greyed "
           "names are kept from before: the file does not define them.";
}

std::string ChooseFileTitle() { return "Load Configuration File"; }

std::string ConfigFilePatterns() { return "*.conf *.cfg *.ini *.txt"; }

}  // namespace Tamberon
