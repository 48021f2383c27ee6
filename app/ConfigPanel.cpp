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
    pFileLabel = new QLabel(tr("No file loaded."), this);
    pFileLabel->setTextFormat(Qt::PlainText);
    pFileLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    pFileLabel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    pReload = new QLabel(this);
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
    pTable->setToolTip(tr("Double-click or press F2 on a value to change it."));
    auto* pTableLabel = new QLabel(tr("Settin&gs:"), this);
    pTableLabel->setBuddy(pTable);
    pMessage = new CMessageLine(this);

    auto* pLayout = new QGridLayout(this);
    pLayout->addWidget(pFileLabel, 0, 0, 1, 2);
    pLayout->addWidget(pLoad, 0, 2);
    pLayout->addWidget(pTableLabel, 1, 0);
    pLayout->addWidget(pReload, 1, 1, 1, 2, Qt::AlignRight);
    pLayout->addWidget(pTable, 2, 0, 1, 3);
    pLayout->addWidget(pMessage, 3, 0, 1, 3);
    pLayout->setColumnStretch(1, 1);
    pLayout->setRowStretch(2, 1);

    connect(pLoad, &QPushButton::clicked, this, &CConfigPanel::ChooseFile);
    connect(pModel, &CSettingsModel::Reloaded, this, &CConfigPanel::ShowReload);
    pPoll = new QTimer(this);
    pPoll->setInterval(250);
    connect(pPoll, &QTimer::timeout, this, [this] { pModel->Refresh(); });
    pPoll->start();
    ShowReload();
}

bool CConfigPanel::Load(const QString& szPath) {
    QString szAbsolute = QFileInfo(szPath).absoluteFilePath();
    QByteArray path = QFile::encodeName(szAbsolute);
    if (!ConfigLoad(path.constData())) {
        pMessage->ShowError(
            tr("Could not load %1: %2.")
                .arg(QDir::toNativeSeparators(szAbsolute), WhyUnreadable(szAbsolute)));
        return false;
    }
    szFile = szAbsolute;
    pFileLabel->setText(tr("File: %1").arg(QDir::toNativeSeparators(szAbsolute)));
    pFileLabel->setToolTip(QDir::toNativeSeparators(szAbsolute));
    pModel->Refresh(/*bForce=*/true);
    pMessage->ShowInfo(tr("Loaded; reloaded whenever the file changes."));
    emit FileLoaded(szAbsolute);
    return true;
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
        pReload->setText(tr("Not loaded yet"));
        return;
    }
    pReload->setText(tr("Last reload %1, loads seen: %2")
                         .arg(pModel->LastLoadSeen().toString(QStringLiteral("HH:mm:ss")))
                         .arg(pModel->LoadsSeen()));
}
