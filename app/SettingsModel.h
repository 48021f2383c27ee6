// SettingsModel.h - CSettingsModel, a two-column table model (name, value) over a configuration
// table. Refresh, called by a GUI timer, copies the table when its load count has changed and
// applies the difference (a reload only changes values and adds names, so rows never move and
// an open editor stays where it is). Editing a value sets it in the table.
//
// Thread-safety: GUI thread only. The table is read through CopySettings, which takes and
// releases the table's lock inside the call: no library lock is held while the model signals
// the views. Ownership: the table outlives the model (the process-wide one always does).
#pragma once

#include <QAbstractTableModel>
#include <QDateTime>

#include <string>
#include <utility>
#include <vector>

class CConfigFileThread;

class CSettingsModel : public QAbstractTableModel {
    Q_OBJECT

  public:
    CSettingsModel(CConfigFileThread& table, QObject* pParent);

    /// Copies the table when a load happened since the last look, or when bForce; true when
    /// a load was seen.
    bool Refresh(bool bForce = false);

    /// When the latest load was seen (invalid before the first); loads seen so far.
    QDateTime LastLoadSeen() const { return lastLoad; }
    int LoadsSeen() const { return nLoadsSeen; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int nRole = Qt::DisplayRole) const override;
    QVariant headerData(int nSection, Qt::Orientation orientation,
                        int nRole = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value,
                 int nRole = Qt::EditRole) override;

  signals:
    /// The table was reloaded (a load was seen by Refresh).
    void Reloaded();

  private:
    CConfigFileThread& table;
    std::vector<std::pair<std::string, std::string>> rows;
    unsigned nLoadCount = 0;  // the table's load count at the last copy
    int nLoadsSeen = 0;
    QDateTime lastLoad;
};
