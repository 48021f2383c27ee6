// SettingsView.h - CSettingsView, the settings group's view of a configuration table and the
// file last loaded into it, as rows of (name, value). The table only ever adds names (a reload
// never removes one), so the view marks which names the current file defines; the others are
// kept from earlier files or lines, and a front end shows them apart.
//
// Reading: Refresh, called from a front end's timer, sees the table's load count change and
// starts a snapshot on a thread of the view's own (a copy of the table under its lock, and the
// names the file defines); the front end's thread only applies the difference when the
// snapshot arrives, so a table of 60,000 names never stops its event loop. Load does the same
// after loading a file into the table on that thread. Rows never move: names are added at the
// end, so an open editor stays where it is.
//
// Delivery: when a job ends, its worker calls the notifier given to the constructor, on the
// worker's thread; the front end hands that on to its own thread (a queued call, a posted
// message) and there calls Deliver, which applies the result and reports it to the sink.
// Editing a value writes it to the file (SettingsFile.h) and sets it in the table; the reload
// that the save causes then shows the file's value. A value the file cannot hold is refused
// with the reason.
//
// Thread-safety: every member but the notifier's call is for the front end's thread. The
// worker touches only the table (thread-safe), its own copies of the request and the result
// slot, under resultLock. Lock order: resultLock is a leaf (nothing is called under it). The
// destructor waits for the worker; a notification still in flight then finds no result (the
// front end must not call Deliver on a destroyed view: a window's posted message dies with the
// window, a queued Qt call with its object). Ownership: the table outlives the view.
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <unordered_set>
#include <utility>
#include <vector>

class CConfigFileThread;

namespace Tamberon {

/// What the view tells its front end, on the front end's thread (from Deliver, or from the
/// call that started a job). Rows are numbered from 0; ranges are inclusive.
class ISettingsViewSink {
  public:
    /// A snapshot or a load started (bBusy) or ended.
    virtual void OnBusyChanged(bool bBusy) = 0;
    /// Values or marks of rows nFirst..nLast changed.
    virtual void OnRowsChanged(std::size_t nFirst, std::size_t nLast) = 0;
    /// Rows nFirst..nLast are about to be added at the end; OnRowsAdded follows.
    virtual void OnRowsAdding(std::size_t nFirst, std::size_t nLast) = 0;
    virtual void OnRowsAdded() = 0;
    /// A Load ended: bLoaded, or not (the file could not be read). szPath as given to Load.
    virtual void OnLoadEnded(bool bLoaded, const std::string& szPath) = 0;
    /// A snapshot after a load was applied.
    virtual void OnReloaded() = 0;

  protected:
    ~ISettingsViewSink() = default;
};

/// The outcome of an edit: bChanged (the table has the value, and bSaved when the file too),
/// and szText, what the front end shows (an error when not bChanged).
struct settings_edit {
    bool bChanged = false;
    bool bSaved = false;
    std::string szText;
};

class CSettingsView {
  public:
    using notifier = std::function<void()>;

    /// A view with a copy of the table as it is now.
    CSettingsView(CConfigFileThread& table, ISettingsViewSink& sink, notifier notify);
    ~CSettingsView();
    CSettingsView(const CSettingsView&) = delete;
    CSettingsView& operator=(const CSettingsView&) = delete;

    /// Starts a snapshot when a load happened since the last look, or when bForce; true when
    /// a load was seen. The rows change when the snapshot is delivered.
    bool Refresh(bool bForce = false);

    /// Loads szPath (UTF-8) into the table off the front end's thread and makes it the view's
    /// file; OnLoadEnded tells the outcome. False (nothing started) while a job runs.
    bool Load(const std::string& szPath);

    /// Applies the result of the job that notified, if any (front end's thread).
    void Deliver();

    /// Sets the value in nRow: refused (with the reason) when the file cannot hold it or
    /// cannot be written; otherwise saved to the file (when one is loaded) and set in the
    /// table, whose kept value the row then shows.
    settings_edit Edit(std::size_t nRow, const std::string& szValue);

    /// True while a load or a snapshot runs.
    bool IsBusy() const { return bJobRunning; }
    /// The file whose names are marked as defined (empty: none).
    const std::string& File() const { return szFile; }
    std::size_t RowCount() const { return rows.size(); }
    const std::string& Name(std::size_t nRow) const { return rows[nRow].first; }
    const std::string& Value(std::size_t nRow) const { return rows[nRow].second; }
    /// Whether the current file defines the name in nRow.
    bool IsDefinedByFile(std::size_t nRow) const;
    /// Whether nRow is kept from before: a file is loaded and does not define it.
    bool IsKept(std::size_t nRow) const { return !szFile.empty() && !IsDefinedByFile(nRow); }
    /// How many names the current file defines.
    int DefinedCount() const { return nDefined; }
    /// Loads seen so far, and when the latest was seen (none before the first).
    int LoadsSeen() const { return nLoadsSeen; }
    std::optional<std::chrono::system_clock::time_point> LastLoadSeen() const { return lastLoad; }

    /// The line that says when the last reload was seen, how many, and how many names are
    /// kept from before ("Not loaded yet" before the first).
    std::string ReloadText() const;
    /// The row's tooltip: defined in the file, or kept from before; empty without a file.
    std::string RowTip(std::size_t nRow) const;

  private:
    struct snapshot {
        std::vector<std::pair<std::string, std::string>> rows;
        std::unordered_set<std::string> defined;
        unsigned nLoadCount = 0;
        bool bLoadSeen = false;    // the snapshot follows a load
        bool bLoadFailed = false;  // a Load's file could not be read (nothing else is set)
        std::string szLoadedFile;  // a Load's file
    };

    // Runs pfnJob on the worker, which stores its snapshot and notifies.
    void StartJob(std::function<snapshot()> pfnJob);
    void Apply(snapshot result);
    // On the worker: the table's state and the names szFile defines.
    static snapshot TakeSnapshot(CConfigFileThread& table, const std::string& szFile);

    CConfigFileThread& table;
    ISettingsViewSink& sink;
    notifier notify;
    std::vector<std::pair<std::string, std::string>> rows;
    std::vector<char> definedRows;  // per row: the current file defines the name
    int nDefined = 0;
    std::string szFile;
    unsigned nLoadCount = 0;  // the table's load count at the last snapshot
    int nLoadsSeen = 0;
    std::optional<std::chrono::system_clock::time_point> lastLoad;
    std::thread worker;            // the latest job's thread; joined before the next one
    bool bJobRunning = false;      // from StartJob until its result is applied
    bool bRefreshPending = false;  // a refresh was asked for while a job ran
    std::mutex resultLock;
    std::optional<snapshot> pending;  // guarded by resultLock: a result not yet delivered
};

/// Why the file at szPath (UTF-8) cannot be loaded, or empty when it looks loadable: its
/// path is longer than 255 bytes, it does not exist, it is a folder, not a regular file, or
/// cannot be read.
std::string SettingsFileProblem(const std::string& szPath);
/// Why a Load of szPath failed: SettingsFileProblem, or "it cannot be opened".
std::string WhyNotLoaded(const std::string& szPath);

/// The texts of the settings group. szShownPath is the path as the front end shows it.
std::string LoadRefusedText(const std::string& szShownPath, const std::string& szWhy);
std::string LoadBusyText();
std::string LoadingText(const std::string& szShownPath);
std::string NoFileText();
std::string FileText(const std::string& szShownPath);
std::string LoadedText(int nDefined);
std::string SettingsHelpText();
/// The title of the file chooser, and the patterns of the configuration files it offers.
std::string ChooseFileTitle();
std::string ConfigFilePatterns();

}  // namespace Tamberon
