// LogPanel.cpp - CLogPanel.
#include "LogPanel.h"

#include "FolderDialog.h"
#include "MessageLine.h"
#include "Resources.h"
#include "core/InputRules.h"

#include <QComboBox>
#include <QDir>
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

CLogPanel::CLogPanel(QWidget* pParent) : QGroupBox(tr("Log"), pParent) {
    pFolder = new QLineEdit(QDir::toNativeSeparators(QDir::tempPath()), this);
    auto* pFolderLabel = new QLabel(tr("Fol&der:"), this);
    pFolderLabel->setBuddy(pFolder);
    pChoose = new QPushButton(tr("Choose &Folder..."), this);
    pChoose->setAutoDefault(false);
    pFile = new QLineEdit(QString::fromUtf8(Tamberon::CLogSession::kDefaultFileName), this);
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
    pLevel->setCurrentIndex(Tamberon::CLogSession::kDefaultLevel - 1);
    auto* pLevelLabel = new QLabel(tr("Le&vel:"), this);
    pLevelLabel->setBuddy(pLevel);
    pMaxSize = new QLineEdit(QString::fromUtf8(Tamberon::CLogSession::kDefaultMaxSize), this);
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
        if (!session.IsOpen()) OpenLog();
    });
    connect(pMaxSize, &QLineEdit::returnPressed, this, [this] {
        if (!session.IsOpen()) OpenLog();
    });
    pPoll = new QTimer(this);
    pPoll->setInterval(static_cast<int>(Tamberon::CLogSession::kRefreshMs));
    connect(pPoll, &QTimer::timeout, this, &CLogPanel::RefreshLines);
    UpdateButtons();
}

CLogPanel::~CLogPanel() = default;

QString CLogPanel::LogFilePath() const {
    return QString::fromStdString(Tamberon::CLogSession::LogFilePath(pFolder->text().toStdString(),
                                                                     pFile->text().toStdString()));
}

void CLogPanel::ShowMessage(const Tamberon::log_message& message) {
    if (message.szText.empty()) return;
    QString szText = QString::fromStdString(message.szText);
    if (message.bError) {
        pMessage->ShowError(szText);
    } else {
        pMessage->ShowInfo(szText);
    }
}

bool CLogPanel::OpenLog() {
    if (session.IsOpen()) return false;
    Tamberon::log_settings settings{pFolder->text().toStdString(), pFile->text().toStdString(),
                                    pLevel->currentData().toInt(), pMaxSize->text().toStdString()};
    Tamberon::log_message message;
    bool bOpened = session.Open(settings, &message);
    ShowMessage(message);
    if (!bOpened) {
        switch (message.eField) {
            case Tamberon::log_message::Field::Folder:
                pFolder->setFocus();
                break;
            case Tamberon::log_message::Field::FileName:
                pFile->setFocus();
                break;
            case Tamberon::log_message::Field::MaxSize:
                pMaxSize->setFocus();
                break;
            case Tamberon::log_message::Field::None:
                break;
        }
        return false;
    }
    pPoll->start();
    UpdateButtons();
    return true;
}

bool CLogPanel::CloseLog() {
    Tamberon::log_message message;
    if (!session.Close(&message)) return false;
    ShowMessage(message);
    RefreshLines();
    pPoll->stop();
    UpdateButtons();
    return true;
}

void CLogPanel::RefreshLines() {
    Tamberon::log_refresh refresh = session.Refresh();
    if (refresh.bNewStatus) ShowMessage(refresh.status);
    using Kind = Tamberon::tail_update::Kind;
    Kind eKind = refresh.lines.eKind;
    if (eKind == Kind::None) return;
    QString szText = QString::fromStdString(refresh.lines.szText);
    if (eKind == Kind::Unreadable) {
        pLines->setPlainText(szText);
        return;
    }
    // New lines are appended to those on show, so that the reader keeps their place (and
    // the view follows the end while it is at the end); the core decides what to read.
    bool bAfresh = eKind == Kind::Afresh;
    QScrollBar* pVertical = pLines->verticalScrollBar();
    int nColumn = pLines->horizontalScrollBar()->value();
    bool bFollow = bAfresh || pVertical->value() >= pVertical->maximum();
    if (bAfresh) {
        pLines->setPlainText(szText);
    } else {
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
            QString::fromStdString(Tamberon::CLogSession::ChooserStartsWithoutText(szProblem)));
        szFolder.clear();
    }
    CFolderDialog dlg(szFolder, 0, this);
    if (dlg.DoModal() == IDOK) {
        pFolder->setText(dlg.GetFolderPath());
        pMessage->ShowInfo(QString::fromStdString(
            Tamberon::CLogSession::FolderChosenText(dlg.GetFolderPath().toStdString())));
    }
}

void CLogPanel::UpdateButtons() {
    bool bOpen = session.IsOpen();
    pOpen->setEnabled(!bOpen);
    pClose->setEnabled(bOpen);
    pFolder->setReadOnly(bOpen);
    pFile->setReadOnly(bOpen);
    pChoose->setEnabled(!bOpen);
    pLevel->setEnabled(!bOpen);
    pMaxSize->setReadOnly(bOpen);
}
