// SettingsModel.h - CSettingsModel, a two-column table model (name, value) over the core's
// settings view (core/SettingsView.h): a configuration table and the file last loaded into it.
// The view does the work (snapshots and loads off the GUI thread, the difference applied, the
// names the file defines, edits saved to the file, the texts); the model turns its reports
// into Qt's model signals and the view's notifications into queued calls on its own thread.
// Names kept from earlier files are shown greyed with a tooltip that says so.
//
// Thread-safety: the model's members are called on the GUI thread; the view's worker only
// queues a call to the model (dropped with the model). Ownership: the table outlives the
// model (the process-wide one always does); the model owns its view, which waits for its
// worker when it goes.
#pragma once

#include "core/SettingsView.h"

#include <QAbstractTableModel>
#include <QDateTime>

#include <memory>

class CConfigFileThread;

class CSettingsModel : public QAbstractTableModel, private Tamberon::ISettingsViewSink {
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
    bool IsBusy() const { return view->IsBusy(); }

    /// The file whose names are marked as defined (empty: none).
    QString File() const { return QString::fromStdString(view->File()); }

    /// When the latest load was seen (invalid before the first); loads seen so far.
    QDateTime LastLoadSeen() const;
    int LoadsSeen() const { return view->LoadsSeen(); }

    /// Whether the current file defines the name in nRow.
    bool IsDefinedByFile(int nRow) const;

    /// How many names the current file defines.
    int DefinedCount() const { return view->DefinedCount(); }

    /// The view under the model.
    const Tamberon::CSettingsView& View() const { return *view; }

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
    void OnBusyChanged(bool bBusy) override;
    void OnRowsChanged(std::size_t nFirst, std::size_t nLast) override;
    void OnRowsAdding(std::size_t nFirst, std::size_t nLast) override;
    void OnRowsAdded() override;
    void OnLoadEnded(bool bLoaded, const std::string& szPath) override;
    void OnReloaded() override;

    std::unique_ptr<Tamberon::CSettingsView> view;
};
