// SettingsModel.cpp - CSettingsModel.
#include "SettingsModel.h"

#include <QGuiApplication>
#include <QMetaObject>
#include <QPalette>

CSettingsModel::CSettingsModel(CConfigFileThread& table, QObject* pParent)
    : QAbstractTableModel(pParent) {
    Tamberon::ISettingsViewSink& sink = *this;
    view = std::make_unique<Tamberon::CSettingsView>(table, sink, [this] {
        // On the view's worker: the model is alive (the view waits for the worker when the
        // model goes); a call still queued then is dropped with the model.
        QMetaObject::invokeMethod(
            this, [this] { view->Deliver(); }, Qt::QueuedConnection);
    });
}

CSettingsModel::~CSettingsModel() { view.reset(); }

bool CSettingsModel::Refresh(bool bForce) { return view->Refresh(bForce); }

bool CSettingsModel::Load(const QString& szPath) { return view->Load(szPath.toStdString()); }

QDateTime CSettingsModel::LastLoadSeen() const {
    auto lastLoad = view->LastLoadSeen();
    if (!lastLoad) return {};
    return QDateTime::fromMSecsSinceEpoch(
        std::chrono::duration_cast<std::chrono::milliseconds>(lastLoad->time_since_epoch())
            .count());
}

void CSettingsModel::OnBusyChanged(bool bBusy) { emit BusyChanged(bBusy); }

void CSettingsModel::OnRowsChanged(std::size_t nFirst, std::size_t nLast) {
    emit dataChanged(index(static_cast<int>(nFirst), 0), index(static_cast<int>(nLast), 1));
}

void CSettingsModel::OnRowsAdding(std::size_t nFirst, std::size_t nLast) {
    beginInsertRows({}, static_cast<int>(nFirst), static_cast<int>(nLast));
}

void CSettingsModel::OnRowsAdded() { endInsertRows(); }

void CSettingsModel::OnLoadEnded(bool bLoaded, const std::string& szPath) {
    emit LoadEnded(bLoaded, QString::fromStdString(szPath));
}

void CSettingsModel::OnReloaded() { emit Reloaded(); }

bool CSettingsModel::IsDefinedByFile(int nRow) const {
    return nRow >= 0 && view->IsDefinedByFile(static_cast<std::size_t>(nRow));
}

int CSettingsModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(view->RowCount());
}

int CSettingsModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : 2;
}

QVariant CSettingsModel::data(const QModelIndex& index, int nRole) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    auto nRow = static_cast<std::size_t>(index.row());
    switch (nRole) {
        case Qt::DisplayRole:
        case Qt::EditRole:
            return QString::fromStdString(index.column() == 0 ? view->Name(nRow)
                                                              : view->Value(nRow));
        case Qt::ForegroundRole:
            if (!view->IsKept(nRow)) return {};
            return QGuiApplication::palette().color(QPalette::Disabled, QPalette::Text);
        case Qt::ToolTipRole: {
            std::string szTip = view->RowTip(nRow);
            if (szTip.empty()) return {};
            return QString::fromStdString(szTip);
        }
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
        index.row() >= rowCount()) {
        return false;
    }
    Tamberon::settings_edit outcome =
        view->Edit(static_cast<std::size_t>(index.row()), value.toString().toStdString());
    if (!outcome.bChanged) {
        emit EditRefused(QString::fromStdString(outcome.szText));
        return false;
    }
    emit dataChanged(this->index(index.row(), 0), index);
    emit EditDone(outcome.bSaved, QString::fromStdString(outcome.szText));
    return true;
}
