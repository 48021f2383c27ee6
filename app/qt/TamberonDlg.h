// TamberonDlg.h - CTamberonDlg, the main dialog: the frame (title "Tamberon", the application
// icon, a window menu with Minimize, Close and About, every entry dispatched as a system
// command through OnSysCommand) around a compact console of the library's services: the host
// and its addresses, the configuration table, an HTTP fetch, the log and the timer service.
// Esc and the window's close button close it. The last configuration file, URL, log folder
// and the window's geometry are kept in QSettings; a restored geometry is clamped to the
// screen it lands on.
//
// Thread-safety: GUI thread only; service work arrives through queued signals or is read
// from atomics by GUI timers (see the panels). Ownership: built on the application object's
// stack and run with exec(); it owns its panels, menu and button through Qt parenthood.
#pragma once

#include <QDialog>

class CConfigPanel;
class CFetchPanel;
class CLogPanel;
class CTimerPanel;
class CWindowMenuButton;
class QLabel;
class QMenu;

/// window moved and shrunk (never below minimum) to lie within available.
QRect ClampToScreen(const QRect& window, const QRect& available, const QSize& minimum);

class CTamberonDlg : public QDialog {
    Q_OBJECT

  public:
    explicit CTamberonDlg(QWidget* pParent = nullptr);
    ~CTamberonDlg() override;

    /// One system command: an id whose low 16 bits, with the low four bits cleared, equal
    /// IDM_ABOUTBOX (ids 16 to 31) opens the About box modally; every other id goes to
    /// DefaultSysCommand.
    void OnSysCommand(unsigned nID);

    /// Opens the window menu under the window-menu button (also on Alt+Space).
    void ShowWindowMenu();

    /// Saves the settings as the dialog ends, however it ends.
    void done(int nResult) override;

    /// Swallows Alt+letter in fields and lists, so that the mnemonic of a disabled button
    /// never types its letter.
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;

    QMenu* WindowMenu() const { return pSysMenu; }
    CWindowMenuButton* WindowMenuButton() const { return pMenuButton; }
    CConfigPanel* ConfigPanel() const { return pConfig; }
    CFetchPanel* FetchPanel() const { return pFetch; }
    CLogPanel* LogPanel() const { return pLog; }
    CTimerPanel* TimerPanel() const { return pTimers; }

  protected:
    /// What the window does with a system command that is not the About box's: SC_MINIMIZE
    /// minimises the window, SC_CLOSE closes it, other ids do nothing.
    virtual void DefaultSysCommand(unsigned nID);

  private:
    void BuildWindowMenu();
    QWidget* BuildHostLine();
    void LoadSettings();
    void SaveSettings();

    CWindowMenuButton* pMenuButton;
    QMenu* pSysMenu;
    CConfigPanel* pConfig;
    CFetchPanel* pFetch;
    CLogPanel* pLog;
    CTimerPanel* pTimers;
};
