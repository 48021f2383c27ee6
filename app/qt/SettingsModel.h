// SettingsModel.h - CSettingsModel, a two-column table model (name, value) over a configuration
// table and the file last loaded into it. The table only ever adds names (a reload never
// removes one), so the model marks which names the current file defines; the others are kept
// from earlier files or lines, shown greyed with a tooltip that says so.
//
// Reading: Refresh, called by a GUI timer, sees the table's load count change and starts a
// snapshot on a thread of the model's own (a copy of the table under its lock, and the names
// the file defines); the GUI thread only applies the difference when the snapshot arrives,
// so a table of 60,000 names never stops the event loop. Load does the same after loading a
// file into the table on that thread. Rows never move: names are added at the end, and an
// open editor stays where it is.
//
// Editing a value writes it to the file (SettingsFile.h) and sets it in the table; the reload
// that the save causes then shows the file's value. A value the file cannot hold is refused
// with the reason (EditRefused).
//
// Thread-safety: the model's members are called on the GUI thread. Its worker touches only
// the table (thread-safe), its own copies of the request and the result it posts to the
// model's thread; the destructor waits for it. Ownership: the table outlives the model (the
// process-wide one always does).
#pragma once

#include <QAbstractTableModel>
#include <QDateTime>

#include <functional>
#include <string>
#include <thread>
#include <unordered_set>
#include <utility>
#include <vector>

class CConfigFileThread;

class CSettingsModel : public QAbstractTableModel {
    Q_OBJECT

  public:
    /// A model with a copy of the table as it is now.
    CSettingsModel(CConfigFileThread& table, QObject* pParent);
    ~CSettingsModel() override;

    /// Starts a snapshot when a load happened since the last look, or when bForce; true
    /// when a load was seen. The rows change when the snapshot arrives (Reloaded).
    bool Refresh(bool bForce = false);

    /// Loads szPath (UTF-8) into the table off the GUI thread and makes it the model's file;
    /// LoadEnded tells the outcome. False (nothing started) while a load runs.
    bool Load(const QString& szPath);

    /// True while a load or a snapshot runs.
    bool IsBusy() const { return bJobRunning; }

    /// The file whose names are marked as defined (empty: none).
    const QString& File() const { return szFile; }

    /// When the latest load was seen (invalid before the first); loads seen so far.
    QDateTime LastLoadSeen() const { return lastLoad; }
    int LoadsSeen() const { return nLoadsSeen; }

    /// Whether the current file defines the name in nRow.
    bool IsDefinedByFile(int nRow) const;

    /// How many names the current file defines.
    int DefinedCount() const { return nDefined; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int nRole = Qt::DisplayRole) const override;
    QVariant headerData(int nSection, Qt::Orientation orientation,
                        int nRole = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value,
                 int nRole = Qt::EditRole) override;

  signals:
    /// A snapshot after a load was applied.
    void Reloaded();
    /// A snapshot or load started (bBusy) or ended.
    void BusyChanged(bool bBusy);
    /// Load ended: bLoaded, or not (the file could not be read).
    void LoadEnded(bool bLoaded, const QString& szPath);
    /// An edit was saved to the file (bSaved) or kept in the table only (no file); szText says so.
    void EditDone(bool bSaved, const QString& szText);
    /// An edit was refused; szWhy says why.
    void EditRefused(const QString& szWhy);

  private:
    struct snapshot {
        std::vector<std::pair<std::string, std::string>> rows;
        std::unordered_set<std::string> defined;
        unsigned nLoadCount = 0;
        bool bLoadSeen = false;    // the snapshot follows a load
        bool bLoadFailed = false;  // a Load's file could not be read (nothing else is set)
        QString szLoadedFile;      // a Load's file, when it was read
    };

    // Runs pfnJob on the worker, then hands its snapshot to Apply on the model's thread.
    void StartJob(std::function<snapshot()> pfnJob);
    void Apply(snapshot result);
    // On the worker: the table's state and the names szFileUtf8 defines.
    static snapshot TakeSnapshot(CConfigFileThread& table, const std::string& szFileUtf8);

    CConfigFileThread& table;
    std::vector<std::pair<std::string, std::string>> rows;
    std::vector<char> definedRows;  // per row: the current file defines the name
    int nDefined = 0;
    QString szFile;
    unsigned nLoadCount = 0;  // the table's load count at the last snapshot
    int nLoadsSeen = 0;
    QDateTime lastLoad;
    std::thread worker;            // the latest job's thread; joined before the next one
    bool bJobRunning = false;      // from StartJob until its Apply
    bool bRefreshPending = false;  // a refresh was asked for while a job ran
};
