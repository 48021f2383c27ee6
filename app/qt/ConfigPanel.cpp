// ConfigPanel.cpp - CConfigPanel.
#include "ConfigPanel.h"

#include "MessageLine.h"
#include "SettingsModel.h"

#include <yrapi/text/ConfigFileThread.h>

#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QTimer>

namespace {

// Why a file that ConfigLoad refused cannot be read, in words.
QString WhyUnreadable(const QString& szPath) {
    QFileInfo info(szPath);
    if (QFile::encodeName(szPath).size() > 255) {
        return QCoreApplication::translate("Tamberon", "its path is longer than 255 bytes");
    }
    if (!info.exists()) return QCoreApplication::translate("Tamberon", "there is no such file");
    if (info.isDir()) return QCoreApplication::translate("Tamberon", "it is a folder");
    if (!info.isFile()) return QCoreApplication::translate("Tamberon", "it is not a regular file");
    if (!info.isReadable()) {
        return QCoreApplication::translate("Tamberon", "no permission to read it");
    }
    return QCoreApplication::translate("Tamberon", "it cannot be opened");
}

}  // namespace

CConfigPanel::CConfigPanel(QWidget* pParent) : QGroupBox(tr("Configuration"), pParent) {
    pModel = new CSettingsModel(YRAPI::GetConfigFileThread(), this);
    pFileLabel = new CMessageLine(this, 1);
    pFileLabel->ShowInfo(tr("No file loaded."));
    pReload = new CMessageLine(this, 1);
    pBusy = new QProgressBar(this);
    pBusy->setRange(0, 0);  // a moving bar: how long a load takes is not known
    pBusy->setTextVisible(false);
    pBusy->setMaximumHeight(fontMetrics().height() * 3 / 4);
    pBusy->setAccessibleName(tr("Loading"));
    QSizePolicy busyPolicy = pBusy->sizePolicy();
    busyPolicy.setRetainSizeWhenHidden(true);
    pBusy->setSizePolicy(busyPolicy);
    pBusy->setVisible(false);
    pLoad = new QPushButton(tr("&Load..."), this);
    pLoad->setAutoDefault(false);
    pTable = new QTableView(this);
    pTable->setModel(pModel);
    pTable->verticalHeader()->hide();
    pTable->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    pTable->horizontalHeader()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    pTable->horizontalHeader()->setStretchLastSection(true);
    pTable->setSelectionBehavior(QAbstractItemView::SelectItems);
    pTable->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                            QAbstractItemView::AnyKeyPressed);
    pTable->setMinimumHeight(fontMetrics().height() * 6);
    // Tab leaves the table; the arrow keys move between its cells.
    pTable->setTabKeyNavigation(false);
    pTable->setAccessibleName(tr("Settings"));
    pTable->setToolTip(
        tr("Double-click or press F2 on a value to change it; it is saved to "
           "the file. Greyed names are kept from before: the file does not "
           "define them."));
    auto* pTableLabel = new QLabel(tr("Settin&gs:"), this);
    pTableLabel->setBuddy(pTable);
    pMessage = new CMessageLine(this);

    auto* pLayout = new QGridLayout(this);
    pLayout->addWidget(pFileLabel, 0, 0, 1, 2);
    pLayout->addWidget(pLoad, 0, 2);
    pLayout->addWidget(pTableLabel, 1, 0);
    pLayout->addWidget(pBusy, 1, 1);
    pLayout->addWidget(pReload, 1, 1, 1, 2);
    pLayout->addWidget(pTable, 2, 0, 1, 3);
    pLayout->addWidget(pMessage, 3, 0, 1, 3);
    pLayout->setColumnStretch(1, 1);
    pLayout->setRowStretch(2, 1);

    connect(pLoad, &QPushButton::clicked, this, &CConfigPanel::ChooseFile);
    connect(pModel, &CSettingsModel::Reloaded, this, [this] {
        // The names column fits the names that came (a view does not look again by itself).
        pTable->resizeColumnToContents(0);
        ShowReload();
    });
    connect(pModel, &CSettingsModel::LoadEnded, this, &CConfigPanel::OnLoadEnded);
    connect(pModel, &CSettingsModel::BusyChanged, this, [this](bool bBusy) {
        pBusy->setVisible(bBusy);
        pReload->setVisible(!bBusy);
        pLoad->setEnabled(!bBusy);
    });
    connect(pModel, &CSettingsModel::EditDone, this,
            [this](bool, const QString& szText) { pMessage->ShowInfo(szText); });
    connect(pModel, &CSettingsModel::EditRefused, this,
            [this](const QString& szWhy) { pMessage->ShowError(szWhy); });
    // The table changes only by loads: it is looked at once a file has been loaded.
    pPoll = new QTimer(this);
    pPoll->setInterval(250);
    connect(pPoll, &QTimer::timeout, this, [this] { pModel->Refresh(); });
    ShowReload();
}

bool CConfigPanel::IsLoading() const { return pModel->IsBusy(); }

bool CConfigPanel::Load(const QString& szPath) {
    QString szAbsolute = QFileInfo(szPath).absoluteFilePath();
    QFileInfo info(szAbsolute);
    if (QFile::encodeName(szAbsolute).size() > 255 || !info.isFile() || !info.isReadable()) {
        pMessage->ShowError(
            tr("Could not load %1: %2.")
                .arg(QDir::toNativeSeparators(szAbsolute), WhyUnreadable(szAbsolute)));
        return false;
    }
    if (!pModel->Load(szAbsolute)) {
        pMessage->ShowError(tr("A load is still running; wait for it to end."));
        return false;
    }
    pMessage->ShowInfo(tr("Loading %1...").arg(QDir::toNativeSeparators(szAbsolute)));
    return true;
}

void CConfigPanel::OnLoadEnded(bool bLoaded, const QString& szPath) {
    if (!bLoaded) {
        pMessage->ShowError(tr("Could not load %1: %2.")
                                .arg(QDir::toNativeSeparators(szPath), WhyUnreadable(szPath)));
        return;
    }
    szFile = szPath;
    pFileLabel->ShowInfo(tr("File: %1").arg(QDir::toNativeSeparators(szPath)));
    pMessage->ShowInfo(
        tr("Loaded %1 names; reloaded whenever the file changes.").arg(pModel->DefinedCount()));
    pPoll->start();
    ShowReload();
    emit FileLoaded(szPath);
}

void CConfigPanel::ChooseFile() {
    QString szStart = szFile.isEmpty() ? QDir::homePath() : QFileInfo(szFile).absolutePath();
    QString szPath = QFileDialog::getOpenFileName(
        this, tr("Load Configuration File"), szStart,
        tr("Configuration files (*.conf *.cfg *.ini *.txt);;All files (*)"));
    if (!szPath.isEmpty()) Load(szPath);
}

void CConfigPanel::ShowReload() {
    if (!pModel->LastLoadSeen().isValid()) {
        pReload->ShowInfo(tr("Not loaded yet"));
        return;
    }
    QString szText = tr("Last reload %1, loads seen: %2")
                         .arg(pModel->LastLoadSeen().toString(QStringLiteral("HH:mm:ss")))
                         .arg(pModel->LoadsSeen());
    int nKept = pModel->File().isEmpty() ? 0 : pModel->rowCount() - pModel->DefinedCount();
    if (nKept > 0) szText += tr("; %1 kept from before").arg(nKept);
    pReload->ShowInfo(szText);
}
