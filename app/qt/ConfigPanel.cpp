// ConfigPanel.cpp - CConfigPanel.
#include "ConfigPanel.h"

#include "MessageLine.h"
#include "SettingsModel.h"
#include "core/SettingsView.h"

#include <yrapi/text/ConfigFileThread.h>

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

QString Qs(const std::string& szText) { return QString::fromStdString(szText); }

// A path as the panel shows it.
std::string Shown(const QString& szPath) { return QDir::toNativeSeparators(szPath).toStdString(); }

}  // namespace

CConfigPanel::CConfigPanel(QWidget* pParent) : QGroupBox(tr("Configuration"), pParent) {
    pModel = new CSettingsModel(YRAPI::GetConfigFileThread(), this);
    pFileLabel = new CMessageLine(this, 1);
    pFileLabel->ShowInfo(Qs(Tamberon::NoFileText()));
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
    pTable->setToolTip(Qs(Tamberon::SettingsHelpText()));
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
    std::string szWhy = Tamberon::SettingsFileProblem(szAbsolute.toStdString());
    if (!szWhy.empty()) {
        pMessage->ShowError(Qs(Tamberon::LoadRefusedText(Shown(szAbsolute), szWhy)));
        return false;
    }
    if (!pModel->Load(szAbsolute)) {
        pMessage->ShowError(Qs(Tamberon::LoadBusyText()));
        return false;
    }
    pMessage->ShowInfo(Qs(Tamberon::LoadingText(Shown(szAbsolute))));
    return true;
}

void CConfigPanel::OnLoadEnded(bool bLoaded, const QString& szPath) {
    if (!bLoaded) {
        pMessage->ShowError(Qs(Tamberon::LoadRefusedText(
            Shown(szPath), Tamberon::WhyNotLoaded(szPath.toStdString()))));
        return;
    }
    szFile = szPath;
    pFileLabel->ShowInfo(Qs(Tamberon::FileText(Shown(szPath))));
    pMessage->ShowInfo(Qs(Tamberon::LoadedText(pModel->DefinedCount())));
    pPoll->start();
    ShowReload();
    emit FileLoaded(szPath);
}

void CConfigPanel::ChooseFile() {
    QString szStart = szFile.isEmpty() ? QDir::homePath() : QFileInfo(szFile).absolutePath();
    QString szPath = QFileDialog::getOpenFileName(
        this, Qs(Tamberon::ChooseFileTitle()), szStart,
        tr("Configuration files (%1);;All files (*)").arg(Qs(Tamberon::ConfigFilePatterns())));
    if (!szPath.isEmpty()) Load(szPath);
}

void CConfigPanel::ShowReload() { pReload->ShowInfo(Qs(pModel->View().ReloadText())); }
