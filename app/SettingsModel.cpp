// SettingsModel.cpp - CSettingsModel.
#include "SettingsModel.h"

#include <yrapi/text/ConfigFileThread.h>

CSettingsModel::CSettingsModel(CConfigFileThread& table, QObject* pParent)
    : QAbstractTableModel(pParent), table(table), nLoadCount(table.GetLoadCount()) {
    rows = table.CopySettings();
}

bool CSettingsModel::Refresh(bool bForce) {
    unsigned nCount = table.GetLoadCount();
    bool bLoaded = nCount != nLoadCount;
    if (!bLoaded && !bForce) return false;
    nLoadCount = nCount;
    auto copy = table.CopySettings();
    // Names are only ever added, at the end; values may change anywhere.
    std::size_t nCommon = std::min(copy.size(), rows.size());
    for (std::size_t i = 0; i < nCommon; ++i) {
        if (rows[i] != copy[i]) {
            rows[i] = copy[i];
            QModelIndex first = index(static_cast<int>(i), 0);
            emit dataChanged(first, index(static_cast<int>(i), 1));
        }
    }
    if (copy.size() > rows.size()) {
        beginInsertRows({}, static_cast<int>(rows.size()), static_cast<int>(copy.size()) - 1);
        rows.insert(rows.end(), copy.begin() + static_cast<std::ptrdiff_t>(rows.size()),
                    copy.end());
        endInsertRows();
    }
    if (bLoaded) {
        ++nLoadsSeen;
        lastLoad = QDateTime::currentDateTime();
        emit Reloaded();
    }
    return bLoaded;
}

int CSettingsModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows.size());
}

int CSettingsModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : 2;
}

QVariant CSettingsModel::data(const QModelIndex& index, int nRole) const {
    if (!index.isValid() || index.row() >= static_cast<int>(rows.size())) return {};
    if (nRole != Qt::DisplayRole && nRole != Qt::EditRole) return {};
    const auto& row = rows[static_cast<std::size_t>(index.row())];
    return QString::fromUtf8(index.column() == 0 ? row.first : row.second);
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
    QByteArray text = value.toString().toUtf8();
    table.SetString(row.first.c_str(), text.constData());
    // Read back what the table stored (it cuts long values).
    row.second = table.GetString(row.first.c_str(), "");
    emit dataChanged(index, index);
    return true;
}
