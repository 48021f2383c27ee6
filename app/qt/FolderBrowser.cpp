// FolderBrowser.cpp - CFolderBrowser.
#include "FolderBrowser.h"

#include "FolderDialog.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>

CFolderBrowser::CFolderBrowser(const browse_info& info) : QDialog(info.pOwner), info(info) {
    setWindowTitle(tr("Browse for Folder"));
    pModel = new QFileSystemModel(this);
    pModel->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
    pModel->setReadOnly(true);
    pModel->setRootPath(QDir::rootPath());
    // Before the view's selection model exists: it moves the selection off removed rows in
    // its own handler of this signal, and the flag must be up by then.
    connect(pModel, &QAbstractItemModel::rowsAboutToBeRemoved, this, [this] { bRowsGoing = true; });
    connect(pModel, &QAbstractItemModel::rowsRemoved, this, [this] {
        bRowsGoing = false;
        CheckChosen();
    });

    pTitle = new QLabel(info.szTitle, this);
    pTitle->setWordWrap(true);
    pTree = new QTreeView(this);
    pTree->setModel(pModel);
    for (int nColumn = 1; nColumn < pModel->columnCount(); ++nColumn) pTree->hideColumn(nColumn);
    pTree->setHeaderHidden(true);
    pTree->setSortingEnabled(true);
    pTree->sortByColumn(0, Qt::AscendingOrder);
    pTree->setSelectionMode(QAbstractItemView::SingleSelection);
    pTitle->setBuddy(pTree);

    pStatus = new QLabel(this);
    pStatus->setTextFormat(Qt::PlainText);
    pStatus->setVisible((info.nFlags & BIF_STATUSTEXT) != 0);

    pButtons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    pButtons->button(QDialogButtonBox::Ok)->setEnabled(false);
    connect(pButtons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(pButtons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    // The selection, not the current item: a view that gets the focus makes its first item
    // current without selecting it, and that is no choice of the user's.
    connect(pTree->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        QModelIndex item = SelectedItem();
        // The model moving the selection off a folder that went away, or the browser clearing
        // it, is no choice of the user's: the chosen folder stays the one the user picked.
        if (bRowsGoing || bClearing) return;
        szChosen.clear();
        PathFromItem(item, &szChosen);
        bGone = false;
        pButtons->button(QDialogButtonBox::Ok)->setEnabled(item.isValid());
        Notify(BFFM_SELCHANGED, item);
    });

    auto* pLayout = new QVBoxLayout(this);
    pLayout->addWidget(pTitle);
    pLayout->addWidget(pTree, 1);
    pLayout->addWidget(pStatus);
    pLayout->addWidget(pButtons);
    // The model reads folders in the background and sorts them as they come, which moves the
    // rows: bring the selection back into view whenever they have moved.
    auto showSelection = [this] {
        QModelIndex item = SelectedItem();
        if (item.isValid()) pTree->scrollTo(item, QAbstractItemView::PositionAtCenter);
    };
    connect(pModel, &QFileSystemModel::directoryLoaded, this, showSelection);
    connect(pModel, &QAbstractItemModel::layoutChanged, this, showSelection);
    QFontMetrics metrics(font());
    resize(metrics.averageCharWidth() * 80, metrics.height() * 30);
}

CFolderBrowser::~CFolderBrowser() = default;

QModelIndex CFolderBrowser::Run() {
    if (exec() != QDialog::Accepted) return {};
    QModelIndex item = SelectedItem();
    if (item.isValid() && info.pszDisplayName != nullptr) {
        *info.pszDisplayName = pModel->fileName(item);
    }
    return item;
}

QModelIndex CFolderBrowser::SelectedItem() const {
    QModelIndexList selected = pTree->selectionModel()->selectedRows(0);
    return selected.isEmpty() ? QModelIndex() : selected.first();
}

bool CFolderBrowser::SetSelection(const QString& szPath) {
    if (szPath.isEmpty() || !QFileInfo(szPath).isDir()) return false;
    QModelIndex item = pModel->index(QDir::cleanPath(QFileInfo(szPath).absoluteFilePath()));
    if (!item.isValid()) return false;
    pTree->setCurrentIndex(item);
    pTree->scrollTo(item, QAbstractItemView::PositionAtCenter);
    return true;
}

void CFolderBrowser::SetStatusText(const QString& szText) { pStatus->setText(szText); }

bool CFolderBrowser::CheckChosen() {
    if (szChosen.isEmpty() || QFileInfo(szChosen).isDir()) return true;
    if (!bGone) {
        bGone = true;
        pButtons->button(QDialogButtonBox::Ok)->setEnabled(false);
        pStatus->setText(tr("Gone: %1. Select a folder that exists.")
                             .arg(CFolderDialog::ShortenForDisplay(szChosen)));
        // Nothing stays selected, so that choosing any folder, the neighbour the model moved
        // to included, is a change the browser sees.
        if (!bRowsGoing) {
            bClearing = true;
            pTree->selectionModel()->clearSelection();
            bClearing = false;
        }
    }
    return false;
}

void CFolderBrowser::accept() {
    // Only the folder the user chose, and only while it exists.
    QString szSelected;
    if (!CheckChosen() || !PathFromItem(SelectedItem(), &szSelected) || szSelected != szChosen) {
        if (!bGone) {
            pButtons->button(QDialogButtonBox::Ok)->setEnabled(false);
            pStatus->setText(tr("Select a folder that exists."));
        }
        return;
    }
    QDialog::accept();
}

bool CFolderBrowser::PathFromItem(const QModelIndex& item, QString* pszPath) const {
    if (!item.isValid() || item.model() != pModel) return false;
    QString szPath = pModel->filePath(item);
    QFileInfo fileInfo(szPath);
    // The model may still list a folder that has gone since it was read.
    if (szPath.isEmpty() || !fileInfo.isAbsolute() || !fileInfo.isDir()) return false;
    *pszPath = QDir::toNativeSeparators(fileInfo.absoluteFilePath());
    return true;
}

void CFolderBrowser::showEvent(QShowEvent* pEvent) {
    QDialog::showEvent(pEvent);
    if (!bInitialized) {
        bInitialized = true;
        pTree->setFocus();
        Notify(BFFM_INITIALIZED, {});
    }
}

void CFolderBrowser::Notify(unsigned nEvent, const QModelIndex& item) {
    if (info.pfnCallback != nullptr) info.pfnCallback(this, nEvent, item, info.pData);
}
