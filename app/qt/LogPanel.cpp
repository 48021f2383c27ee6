// LogPanel.cpp - CLogPanel.
#include "LogPanel.h"

#include "FolderDialog.h"
#include "InputCheck.h"
#include "MessageLine.h"
#include "Resources.h"
#include "core/InputRules.h"

#include <yrapi/log/LogInterface.h>

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTextCursor>
#include <QTimer>

#include <optional>
#include <string_view>

namespace {

constexpr int kPathMax = 255;  // the log keeps its file name in 256 bytes

}  // namespace

CLogPanel::CLogPanel(QWidget* pParent) : QGroupBox(tr("Log"), pParent) {
    pFolder = new QLineEdit(QDir::toNativeSeparators(QDir::tempPath()), this);
    auto* pFolderLabel = new QLabel(tr("Fol&der:"), this);
    pFolderLabel->setBuddy(pFolder);
    pChoose = new QPushButton(tr("Choose &Folder..."), this);
    pChoose->setAutoDefault(false);
    pFile = new QLineEdit(QStringLiteral("tamberon.log"), this);
    auto* pFileLabel = new QLabel(tr("File &name:"), this);
    pFileLabel->setBuddy(pFile);
    pLevel = new QComboBox(this);
    const char* const kLevels[] = {QT_TR_NOOP("1 - failures"),
                                   QT_TR_NOOP("2 - warnings"),
                                   QT_TR_NOOP("3"),
                                   QT_TR_NOOP("4 - routine"),
                                   QT_TR_NOOP("5 - details"),
                                   QT_TR_NOOP("6"),
                                   QT_TR_NOOP("7"),
                                   QT_TR_NOOP("8"),
                                   QT_TR_NOOP("9 - everything")};
    for (int i = 0; i < 9; ++i) pLevel->addItem(tr(kLevels[i]), i + 1);
    pLevel->setCurrentIndex(3);
    auto* pLevelLabel = new QLabel(tr("Le&vel:"), this);
    pLevelLabel->setBuddy(pLevel);
    pMaxSize = new QLineEdit(QStringLiteral("1048576"), this);
    // Room for the largest size, 2147483647, however narrow the window.
    int nDigitWidth = fontMetrics().horizontalAdvance(QLatin1Char('0'));
    pMaxSize->setMinimumWidth(nDigitWidth * 11);
    pMaxSize->setMaximumWidth(nDigitWidth * 13);
    auto* pMaxSizeLabel = new QLabel(tr("&Max size (bytes):"), this);
    pMaxSizeLabel->setBuddy(pMaxSize);
    pOpen = new QPushButton(tr("&Open Log"), this);
    pOpen->setAutoDefault(false);
    pClose = new QPushButton(tr("Clo&se Log"), this);
    pClose->setAutoDefault(false);
    pLines = new QPlainTextEdit(this);
    pLines->setReadOnly(true);
    pLines->setLineWrapMode(QPlainTextEdit::NoWrap);
    pLines->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    pLines->setPlaceholderText(tr("The newest lines of the log file show here."));
    pLines->setMinimumHeight(fontMetrics().height() * 5);
    pLines->setAccessibleName(tr("Newest log lines"));
    pMessage = new CMessageLine(this);

    // One row per line of fields: labels in the first column, the fields of a row in a row
    // of their own, so that each field gets the room its row leaves.
    auto* pLayout = new QGridLayout(this);
    pLayout->addWidget(pFolderLabel, 0, 0);
    auto* pFolderRow = new QHBoxLayout;
    pFolderRow->addWidget(pFolder, 1);
    pFolderRow->addWidget(pChoose);
    pLayout->addLayout(pFolderRow, 0, 1);
    pLayout->addWidget(pFileLabel, 1, 0);
    auto* pFileRow = new QHBoxLayout;
    pFileRow->addWidget(pFile, 1);
    pFileRow->addWidget(pLevelLabel);
    pFileRow->addWidget(pLevel);
    pLayout->addLayout(pFileRow, 1, 1);
    pLayout->addWidget(pMaxSizeLabel, 2, 0);
    auto* pSizeRow = new QHBoxLayout;
    pSizeRow->addWidget(pMaxSize);
    pSizeRow->addStretch(1);
    pSizeRow->addWidget(pOpen);
    pSizeRow->addWidget(pClose);
    pLayout->addLayout(pSizeRow, 2, 1);
    pLayout->addWidget(pLines, 3, 0, 1, 2);
    pLayout->addWidget(pMessage, 4, 0, 1, 2);
    pLayout->setColumnStretch(1, 1);
    pLayout->setRowStretch(3, 1);

    connect(pChoose, &QPushButton::clicked, this, &CLogPanel::ChooseFolder);
    connect(pOpen, &QPushButton::clicked, this, &CLogPanel::OpenLog);
    connect(pClose, &QPushButton::clicked, this, &CLogPanel::CloseLog);
    connect(pFile, &QLineEdit::returnPressed, this, [this] {
        if (!bOpen) OpenLog();
    });
    connect(pMaxSize, &QLineEdit::returnPressed, this, [this] {
        if (!bOpen) OpenLog();
    });
    pPoll = new QTimer(this);
    pPoll->setInterval(500);
    connect(pPoll, &QTimer::timeout, this, &CLogPanel::RefreshLines);
    UpdateButtons();
}

CLogPanel::~CLogPanel() {
    if (bOpen) YRAPI::GetLogApi()->_Close();
}

QString CLogPanel::LogFilePath() const {
    return QDir(pFolder->text().trimmed()).filePath(pFile->text().trimmed());
}

bool CLogPanel::OpenLog() {
    if (bOpen) return false;
    QString szFolder = pFolder->text().trimmed();
    std::string szProblem = Tamberon::FolderProblem(szFolder.toStdString());
    if (!szProblem.empty()) {
        pMessage->ShowError(QString::fromStdString(szProblem));
        pFolder->setFocus();
        return false;
    }
    QString szName = pFile->text().trimmed();
    if (szName.isEmpty() || szName.contains(QLatin1Char('/')) || szName == u"." ||
        szName == u"..") {
        pMessage->ShowError(tr("File name: enter a plain file name, such as tamberon.log."));
        pFile->setFocus();
        return false;
    }
    QString szError;
    std::optional<long long> nMaxSize =
        ReadNumber(pMaxSize->text(), 1024, 0x7FFFFFFF, tr("Max size"), &szError);
    if (!nMaxSize) {
        pMessage->ShowError(szError);
        pMaxSize->setFocus();
        return false;
    }
    QString szPath = LogFilePath();
    QByteArray path = QFile::encodeName(szPath);
    if (path.size() > kPathMax) {
        pMessage->ShowError(tr("The log file's path is longer than %1 bytes.").arg(kPathMax));
        return false;
    }
    // The writer reports nothing when it cannot write, so try it here first.
    QFile probe(szPath);
    if (!probe.open(QIODevice::Append | QIODevice::Text)) {
        pMessage->ShowError(tr("Cannot write %1: %2.").arg(szPath, probe.errorString()));
        return false;
    }
    probe.close();
    int nLevel = pLevel->currentData().toInt();
    YRAPI::GetLogApi()->_Open(path.constData(), nLevel, static_cast<int>(*nMaxSize));
    bOpen = true;
    YRAPI::CYRLogInterface::Log(4, "Tamberon: log opened at level %d, rotated at %lld bytes",
                                nLevel, *nMaxSize);
    szOpenFolder = szFolder;
    bFolderGone = false;
    szShownFile = szPath;
    ShowOpen();
    tail.Forget();
    pPoll->start();
    UpdateButtons();
    return true;
}

void CLogPanel::ShowOpen() {
    pMessage->ShowInfo(tr("Open: %1 (lines reach the file every 2 s).").arg(szShownFile));
}

void CLogPanel::CheckFolder() {
    bool bGone = !QFileInfo(szOpenFolder).isDir();
    if (bGone == bFolderGone) return;
    bFolderGone = bGone;
    if (bGone) {
        pMessage->ShowError(
            QString::fromStdString(Tamberon::LogFolderGoneText(szOpenFolder.toStdString())));
    } else {
        ShowOpen();
    }
}

bool CLogPanel::CloseLog() {
    if (!bOpen) return false;
    YRAPI::CYRLogInterface::Log(4, "Tamberon: log closed");
    YRAPI::GetLogApi()->_Close();
    bOpen = false;
    pMessage->ShowInfo(tr("Closed: %1.").arg(szShownFile));
    RefreshLines();
    pPoll->stop();
    UpdateButtons();
    return true;
}

void CLogPanel::RefreshLines() {
    if (szShownFile.isEmpty()) return;
    if (bOpen) CheckFolder();
    QFileInfo info(szShownFile);
    info.refresh();
    if (info.size() == tail.ShownSize() && info.lastModified() == shownModified) return;
    QFile file(szShownFile);
    if (!file.open(QIODevice::ReadOnly)) {
        if (bFolderGone) return;  // the lines read last stay; the message says why
        pLines->setPlainText(tr("(%1 cannot be read: %2)").arg(szShownFile, file.errorString()));
        tail.Forget();
        return;
    }
    shownModified = info.lastModified();
    qint64 nSize = file.size();
    // New lines are appended to those on show, so that the reader keeps their place (and
    // the view follows the end while it is at the end); the core's tail decides what to read.
    Tamberon::CLogTail::read_plan plan = tail.Plan(nSize);
    bool bAfresh = plan.bAfresh;
    file.seek(plan.nStart);
    QByteArray bytes = file.read(nSize - plan.nStart);
    std::optional<std::string_view> lines = tail.Take(
        std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())), plan);
    QString szText =
        lines ? QString::fromUtf8(lines->data(), static_cast<qsizetype>(lines->size())) : QString();
    QScrollBar* pVertical = pLines->verticalScrollBar();
    int nColumn = pLines->horizontalScrollBar()->value();
    bool bFollow = bAfresh || pVertical->value() >= pVertical->maximum();
    if (bAfresh) {
        pLines->setPlainText(szText);
    } else if (lines) {
        pLines->appendPlainText(szText);
    }
    pLines->horizontalScrollBar()->setValue(nColumn);
    if (bFollow) {
        // The scroll range grows once the view has laid the new lines out.
        QTimer::singleShot(0, pLines, [this, nColumn] {
            pLines->moveCursor(QTextCursor::End);
            pLines->ensureCursorVisible();
            pLines->horizontalScrollBar()->setValue(nColumn);
        });
    }
}

void CLogPanel::ChooseFolder() {
    QString szFolder = pFolder->text().trimmed();
    std::string szProblem = Tamberon::FolderProblem(szFolder.toStdString());
    if (!szFolder.isEmpty() && !szProblem.empty()) {
        pMessage->ShowError(
            tr("%1 The chooser starts without it.").arg(QString::fromStdString(szProblem)));
        szFolder.clear();
    }
    CFolderDialog dlg(szFolder, 0, this);
    if (dlg.DoModal() == IDOK) {
        pFolder->setText(dlg.GetFolderPath());
        pMessage->ShowInfo(tr("Folder: %1").arg(dlg.GetFolderPath()));
    }
}

void CLogPanel::UpdateButtons() {
    pOpen->setEnabled(!bOpen);
    pClose->setEnabled(bOpen);
    pFolder->setReadOnly(bOpen);
    pFile->setReadOnly(bOpen);
    pChoose->setEnabled(!bOpen);
    pLevel->setEnabled(!bOpen);
    pMaxSize->setReadOnly(bOpen);
}
