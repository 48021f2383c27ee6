// LogPanel.h - CLogPanel, the main dialog's log group: the folder (typed, or chosen with the
// folder chooser), the file name, the trace level and the maximum size; Open and Close of the
// process's log; and the newest lines of the log file, read again whenever the file changes
// (the writer appends every 2 s) without moving the reader's place in them. While the log is
// open, a folder that has gone is reported: the writer drops lines until it is back.
//
// The checks, the log's _Open and _Close, the texts and the file reading are the core's
// (core/LogSession.h); the panel shows them.
//
// Thread-safety: GUI thread only. The log's _Open and _Close are called only from here, on
// the GUI thread, as the log wants one controlling thread. Ownership: belongs to its Qt
// parent; a log it opened is closed when it goes (the session's destructor), so that the
// log's writer never outlives the dialog that started it.
#pragma once

#include "core/LogSession.h"

#include <QGroupBox>

class CMessageLine;
class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTimer;

class CLogPanel : public QGroupBox {
    Q_OBJECT

  public:
    /// Lines of the file on show at most.
    static constexpr int kShownLines = 200;

    explicit CLogPanel(QWidget* pParent);
    ~CLogPanel() override;

    /// Checks the fields and opens the log; false (with a message) when they are bad, the
    /// folder has gone or the file cannot be written.
    bool OpenLog();

    /// Closes the log opened here (writing what is queued); false when none is open.
    bool CloseLog();

    bool IsOpen() const { return session.IsOpen(); }

    /// The full path of the log file the fields name.
    QString LogFilePath() const;

    /// Reads the file's newest lines into the view when the file has changed.
    void RefreshLines();

    /// Opens the folder chooser at the folder field's folder.
    void ChooseFolder();

    QLineEdit* FolderEdit() const { return pFolder; }
    QLineEdit* FileEdit() const { return pFile; }
    QComboBox* LevelBox() const { return pLevel; }
    QLineEdit* MaxSizeEdit() const { return pMaxSize; }
    QPlainTextEdit* LinesView() const { return pLines; }
    CMessageLine* Message() const { return pMessage; }

  private:
    void UpdateButtons();
    void ShowMessage(const Tamberon::log_message& message);

    QLineEdit* pFolder;
    QPushButton* pChoose;
    QLineEdit* pFile;
    QComboBox* pLevel;
    QLineEdit* pMaxSize;
    QPushButton* pOpen;
    QPushButton* pClose;
    QPlainTextEdit* pLines;
    CMessageLine* pMessage;
    QTimer* pPoll;
    Tamberon::CLogSession session;
};
