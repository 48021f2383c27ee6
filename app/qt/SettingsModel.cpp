// SettingsModel.cpp - CSettingsModel.
#include "SettingsModel.h"

#include "core/SettingsFile.h"

#include <yrapi/text/ConfigFileThread.h>

#include <QFile>
#include <QGuiApplication>
#include <QMetaObject>
#include <QPalette>

CSettingsModel::CSettingsModel(CConfigFileThread& table, QObject* pParent)
    : QAbstractTableModel(pParent), table(table), nLoadCount(table.GetLoadCount()) {
    rows = table.CopySettings();
    definedRows.assign(rows.size(), 0);
}

CSettingsModel::~CSettingsModel() {
    if (worker.joinable()) worker.join();
}

CSettingsModel::snapshot CSettingsModel::TakeSnapshot(CConfigFileThread& table,
                                                      const std::string& szFileUtf8) {
    snapshot result;
    // The count first: a load that ends after it is seen again by the next look.
    result.nLoadCount = table.GetLoadCount();
    result.rows = table.CopySettings();
    if (!szFileUtf8.empty()) result.defined = Tamberon::NamesDefinedByFile(szFileUtf8);
    return result;
}

void CSettingsModel::StartJob(std::function<snapshot()> pfnJob) {
    if (worker.joinable()) worker.join();  // it has handed over its snapshot
    bJobRunning = true;
    emit BusyChanged(true);
    worker = std::thread([this, pfnJob = std::move(pfnJob)] {
        snapshot result = pfnJob();
        // The destructor joins this thread, so the model is alive here; a snapshot not yet
        // delivered when the model goes is dropped with it.
        QMetaObject::invokeMethod(
            this, [this, result = std::move(result)]() mutable { Apply(std::move(result)); },
            Qt::QueuedConnection);
    });
}

bool CSettingsModel::Refresh(bool bForce) {
    unsigned nCount = table.GetLoadCount();
    bool bLoaded = nCount != nLoadCount;
    if (!bLoaded && !bForce) return false;
    if (bJobRunning) {
        bRefreshPending = true;
        return bLoaded;
    }
    nLoadCount = nCount;  // seen: the next look does not start another snapshot for it
    std::string szFileUtf8 = szFile.toStdString();
    CConfigFileThread* pTable = &table;
    StartJob([pTable, szFileUtf8, bLoaded] {
        snapshot result = TakeSnapshot(*pTable, szFileUtf8);
        result.bLoadSeen = bLoaded;
        return result;
    });
    return bLoaded;
}

bool CSettingsModel::Load(const QString& szPath) {
    if (bJobRunning) return false;
    QByteArray path = QFile::encodeName(szPath);
    std::string szFileUtf8 = szPath.toStdString();
    CConfigFileThread* pTable = &table;
    StartJob([pTable, path, szFileUtf8, szPath] {
        if (!pTable->Load(path.constData())) {
            snapshot failed;
            failed.bLoadFailed = true;
            failed.nLoadCount = pTable->GetLoadCount();
            failed.szLoadedFile = szPath;
            return failed;
        }
        snapshot result = TakeSnapshot(*pTable, szFileUtf8);
        result.bLoadSeen = true;
        result.szLoadedFile = szPath;
        return result;
    });
    return true;
}

void CSettingsModel::Apply(snapshot result) {
    bJobRunning = false;
    if (result.bLoadFailed) {
        emit BusyChanged(false);
        emit LoadEnded(false, result.szLoadedFile);
        return;
    }
    nLoadCount = result.nLoadCount;
    if (!result.szLoadedFile.isEmpty()) szFile = result.szLoadedFile;
    bool bMarks = !szFile.isEmpty();
    auto isDefined = [&](const std::string& szName) -> char {
        return bMarks && result.defined.count(szName) != 0 ? 1 : 0;
    };
    // Names are only ever added, at the end; values and marks may change anywhere. One
    // dataChanged per run of changed rows.
    std::size_t nCommon = std::min(result.rows.size(), rows.size());
    std::size_t nRunStart = SIZE_MAX;
    auto endRun = [&](std::size_t nEnd) {
        if (nRunStart == SIZE_MAX) return;
        emit dataChanged(index(static_cast<int>(nRunStart), 0),
                         index(static_cast<int>(nEnd) - 1, 1));
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
        beginInsertRows({}, static_cast<int>(rows.size()),
                        static_cast<int>(result.rows.size()) - 1);
        for (std::size_t i = rows.size(); i < result.rows.size(); ++i) {
            definedRows.push_back(isDefined(result.rows[i].first));
            rows.push_back(std::move(result.rows[i]));
        }
        endInsertRows();
    }
    nDefined = 0;
    for (char bDefined : definedRows) nDefined += bDefined;
    if (result.bLoadSeen) {
        ++nLoadsSeen;
        lastLoad = QDateTime::currentDateTime();
    }
    emit BusyChanged(false);
    if (!result.szLoadedFile.isEmpty()) emit LoadEnded(true, result.szLoadedFile);
    if (result.bLoadSeen) emit Reloaded();
    if (bRefreshPending) {
        bRefreshPending = false;
        Refresh(/*bForce=*/true);
    }
}

bool CSettingsModel::IsDefinedByFile(int nRow) const {
    return nRow >= 0 && nRow < static_cast<int>(definedRows.size()) &&
           definedRows[static_cast<std::size_t>(nRow)] != 0;
}

int CSettingsModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows.size());
}

int CSettingsModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : 2;
}

QVariant CSettingsModel::data(const QModelIndex& index, int nRole) const {
    if (!index.isValid() || index.row() >= static_cast<int>(rows.size())) return {};
    const auto& row = rows[static_cast<std::size_t>(index.row())];
    bool bKept = !szFile.isEmpty() && !IsDefinedByFile(index.row());
    switch (nRole) {
        case Qt::DisplayRole:
        case Qt::EditRole:
            return QString::fromUtf8(index.column() == 0 ? row.first : row.second);
        case Qt::ForegroundRole:
            if (!bKept) return {};
            return QGuiApplication::palette().color(QPalette::Disabled, QPalette::Text);
        case Qt::ToolTipRole:
            if (szFile.isEmpty()) return {};
            if (bKept) {
                return tr("Kept from before: %1 does not define %2 (a reload never removes a "
                          "name). Changing the value adds it to the file.")
                    .arg(szFile, QString::fromUtf8(row.first));
            }
            return tr("Defined in %1. Double-click or press F2 to change the value.").arg(szFile);
        default:
            return {};
    }
}

QVariant CSettingsModel::headerData(int nSection, Qt::Orientation orientation, int nRole) const {
    if (orientation != Qt::Horizontal || nRole != Qt::DisplayRole) return {};
    return nSection == 0 ? tr("Name") : tr("Value");
}

Qt::ItemFlags CSettingsModel::flags(const QModelIndex& index) const {
    Qt::ItemFlags nFlags = QAbstractTableModel::flags(index);
    if (index.isValid() && index.column() == 1) nFlags |= Qt::ItemIsEditable;
    return nFlags;
}

bool CSettingsModel::setData(const QModelIndex& index, const QVariant& value, int nRole) {
    if (!index.isValid() || index.column() != 1 || nRole != Qt::EditRole ||
        index.row() >= static_cast<int>(rows.size())) {
        return false;
    }
    auto& row = rows[static_cast<std::size_t>(index.row())];
    std::string szValue = value.toString().toStdString();
    QString szName = QString::fromUtf8(row.first);
    std::string szProblem = Tamberon::SettingValueProblem(szValue);
    if (!szProblem.empty()) {
        emit EditRefused(tr("%1 not changed: %2.").arg(szName, QString::fromStdString(szProblem)));
        return false;
    }
    bool bSaved = false;
    if (!szFile.isEmpty()) {
        std::string szWhy;
        if (!Tamberon::SaveSettingToFile(szFile.toStdString(), row.first, szValue, &szWhy)) {
            emit EditRefused(tr("%1 not changed: %2 could not be saved: %3.")
                                 .arg(szName, szFile, QString::fromStdString(szWhy)));
            return false;
        }
        bSaved = true;
        if (definedRows[static_cast<std::size_t>(index.row())] == 0) {
            definedRows[static_cast<std::size_t>(index.row())] = 1;
            ++nDefined;
        }
    }
    // The table shows the value at once; the reload that the save causes confirms it.
    table.SetString(row.first.c_str(), Tamberon::TrimmedValue(szValue).c_str());
    row.second = table.GetString(row.first.c_str(), "");  // what the table kept (cut at 511)
    emit dataChanged(this->index(index.row(), 0), index);
    emit EditDone(bSaved, bSaved ? tr("%1 saved to %2.").arg(szName, szFile)
                                 : tr("%1 set in the table only: no file is loaded.").arg(szName));
    return true;
}
