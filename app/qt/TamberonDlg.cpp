// TamberonDlg.cpp - CTamberonDlg.
#include "TamberonDlg.h"

#include "AboutDlg.h"
#include "ConfigPanel.h"
#include "FetchPanel.h"
#include "LogPanel.h"
#include "MessageLine.h"
#include "Resources.h"
#include "TimerPanel.h"
#include "WindowMenuButton.h"
#include "core/SysCommand.h"

#include <yrapi/net/SocketStartup.h>

#include <QAbstractItemView>
#include <QAction>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QShortcut>
#include <QSysInfo>
#include <QVBoxLayout>

namespace {

// QSettings keys.
constexpr const char* kKeyGeometry = "window/geometry";
constexpr const char* kKeyConfigFile = "config/file";
constexpr const char* kKeyUrl = "fetch/url";
constexpr const char* kKeyTimeout = "fetch/timeout";
constexpr const char* kKeyLogFolder = "log/folder";
constexpr const char* kKeyLogFile = "log/file";

}  // namespace

CTamberonDlg::CTamberonDlg(QWidget* pParent) : QDialog(pParent) {
    setWindowTitle(tr("Tamberon"));
    // One icon with every size serves as both the large and the small window icon.
    QIcon icon = Tamberon::LoadResIcon(IDR_MAINFRAME);
    setWindowIcon(icon);
    setWindowFlag(Qt::WindowMinimizeButtonHint);
    setSizeGripEnabled(true);

    pMenuButton = new CWindowMenuButton(icon, this);
    pMenuButton->setToolTip(tr("Window menu (Alt+Space)"));
    pMenuButton->setAccessibleName(tr("Window menu"));
    pSysMenu = new QMenu(this);
    BuildWindowMenu();
    connect(pMenuButton, &QAbstractButton::pressed, this, &CTamberonDlg::ShowWindowMenu);
    auto* pAltSpace = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_Space), this);
    connect(pAltSpace, &QShortcut::activated, this, &CTamberonDlg::ShowWindowMenu);

    pConfig = new CConfigPanel(this);
    pFetch = new CFetchPanel(this);
    pLog = new CLogPanel(this);
    pTimers = new CTimerPanel(this);
    // A plain button: a standard Close button would look its icon up in the icon theme,
    // which costs more than building the rest of the dialog.
    auto* pClose = new QPushButton(tr("Close"), this);
    pClose->setAccessibleName(tr("Close Tamberon"));
    pClose->setAutoDefault(false);
    connect(pClose, &QPushButton::clicked, this, &QDialog::reject);

    auto* pTop = new QHBoxLayout;
    pTop->addWidget(pMenuButton);
    pTop->addWidget(BuildHostLine(), 1);
    auto* pGrid = new QGridLayout;
    pGrid->addWidget(pConfig, 0, 0);
    pGrid->addWidget(pFetch, 0, 1);
    pGrid->addWidget(pLog, 1, 0);
    pGrid->addWidget(pTimers, 1, 1);
    pGrid->setColumnStretch(0, 1);
    pGrid->setColumnStretch(1, 1);
    auto* pLayout = new QVBoxLayout(this);
    pLayout->addLayout(pTop);
    pLayout->addLayout(pGrid, 1);
    pLayout->addWidget(pClose, 0, Qt::AlignRight);

    connect(pConfig, &CConfigPanel::FileLoaded, this,
            [](const QString& szPath) { QSettings().setValue(kKeyConfigFile, szPath); });
    // An Alt+letter whose button is disabled must not type its letter into a field.
    for (QLineEdit* pEdit : findChildren<QLineEdit*>()) pEdit->installEventFilter(this);
    for (QAbstractItemView* pView : findChildren<QAbstractItemView*>()) {
        pView->installEventFilter(this);
    }
    LoadSettings();
}

QRect ClampToScreen(const QRect& window, const QRect& available, const QSize& minimum) {
    if (available.isEmpty()) return window;
    QSize size = window.size().boundedTo(available.size()).expandedTo(minimum);
    QPoint origin = window.topLeft();
    origin.setX(
        std::max(available.left(), std::min(origin.x(), available.right() + 1 - size.width())));
    origin.setY(
        std::max(available.top(), std::min(origin.y(), available.bottom() + 1 - size.height())));
    return {origin, size};
}

bool CTamberonDlg::eventFilter(QObject* pWatched, QEvent* pEvent) {
    if (pEvent->type() == QEvent::KeyPress) {
        auto* pKey = static_cast<QKeyEvent*>(pEvent);
        Qt::KeyboardModifiers modifiers = pKey->modifiers();
        // Alt alone (AltGr, which types characters, never arrives as Alt without Ctrl).
        if ((modifiers & Qt::AltModifier) && !(modifiers & Qt::ControlModifier) &&
            !pKey->text().isEmpty() && pKey->text().at(0).isPrint()) {
            return true;
        }
    }
    return QDialog::eventFilter(pWatched, pEvent);
}

CTamberonDlg::~CTamberonDlg() = default;

void CTamberonDlg::BuildWindowMenu() {
    auto addCommand = [this](const QString& szText, unsigned nID) {
        QAction* pAction = pSysMenu->addAction(szText);
        pAction->setData(nID);
        connect(pAction, &QAction::triggered, this, [this, nID] { OnSysCommand(nID); });
    };
    addCommand(tr("Mi&nimize"), SC_MINIMIZE);
    addCommand(tr("&Close"), SC_CLOSE);
    QString szAboutMenu = Tamberon::LoadResString(IDS_ABOUTBOX);
    if (!szAboutMenu.isEmpty()) {
        pSysMenu->addSeparator();
        addCommand(szAboutMenu, IDM_ABOUTBOX);
    }
}

QWidget* CTamberonDlg::BuildHostLine() {
    const YRAPI::CSocketStartup& sockets = YRAPI::GetSocketStartup();
    QStringList addresses;
    for (int i = 0; i < sockets.nAddrCount; ++i) {
        addresses << QString::fromLatin1(sockets.szAddrList[i]);
    }
    QString szAddresses = addresses.isEmpty() ? tr("none") : addresses.join(QStringLiteral(", "));
    auto* pHost = new CMessageLine(this, 1);
    pHost->ShowInfo(tr("Host: %1    IPv4: %2").arg(QSysInfo::machineHostName(), szAddresses));
    return pHost;
}

void CTamberonDlg::ShowWindowMenu() {
    pSysMenu->exec(pMenuButton->mapToGlobal(QPoint(0, pMenuButton->height())));
    pMenuButton->setDown(false);
}

void CTamberonDlg::OnSysCommand(unsigned nID) {
    if (Tamberon::IsAboutCommand(nID)) {
        CAboutDlg dlgAbout(this);
        dlgAbout.exec();
    } else {
        DefaultSysCommand(nID);
    }
}

void CTamberonDlg::DefaultSysCommand(unsigned nID) {
    switch (nID) {
        case SC_MINIMIZE:
            showMinimized();
            break;
        case SC_CLOSE:
            close();
            break;
        default:
            break;
    }
}

void CTamberonDlg::done(int nResult) {
    SaveSettings();
    QDialog::done(nResult);
}

void CTamberonDlg::LoadSettings() {
    QSettings settings;
    QScreen* pScreen = QGuiApplication::primaryScreen();
    if (restoreGeometry(settings.value(kKeyGeometry).toByteArray())) {
        // A window saved on a larger screen (or grown by an old version) fits this one.
        if (QScreen* pAt = QGuiApplication::screenAt(geometry().center())) pScreen = pAt;
        // (The minimum size costs a layout pass: asked for only when the window is too big.)
        QRect available = pScreen != nullptr ? pScreen->availableGeometry() : QRect();
        if (!available.isEmpty() && !available.contains(geometry())) {
            setGeometry(ClampToScreen(geometry(), available, minimumSizeHint()));
        }
    } else {
        QFontMetrics metrics(font());
        QRect window(QPoint(0, 0), QSize(metrics.averageCharWidth() * 150, metrics.height() * 44));
        if (pScreen != nullptr) {
            // Qt keeps the window at its minimum size, should the screen be smaller.
            window = ClampToScreen(window, pScreen->availableGeometry(), QSize());
        }
        resize(window.size());
    }
    QString szConfig = settings.value(kKeyConfigFile).toString();
    if (!szConfig.isEmpty()) pConfig->Load(szConfig);
    pFetch->UrlEdit()->setText(settings.value(kKeyUrl).toString());
    QString szTimeout = settings.value(kKeyTimeout).toString();
    if (!szTimeout.isEmpty()) pFetch->TimeoutEdit()->setText(szTimeout);
    QString szFolder = settings.value(kKeyLogFolder).toString();
    if (!szFolder.isEmpty()) pLog->FolderEdit()->setText(szFolder);
    QString szFile = settings.value(kKeyLogFile).toString();
    if (!szFile.isEmpty()) pLog->FileEdit()->setText(szFile);
}

void CTamberonDlg::SaveSettings() {
    QSettings settings;
    settings.setValue(kKeyGeometry, saveGeometry());
    settings.setValue(kKeyUrl, pFetch->UrlEdit()->text().trimmed());
    settings.setValue(kKeyTimeout, pFetch->TimeoutEdit()->text().trimmed());
    settings.setValue(kKeyLogFolder, pLog->FolderEdit()->text().trimmed());
    settings.setValue(kKeyLogFile, pLog->FileEdit()->text().trimmed());
}
