// LogGroup.h - CLogGroup, the main dialog's log group (template IDD_LOG_GROUP): the folder
// (typed, or chosen with the folder chooser), the file name, the trace level and the maximum
// size; Open Log and Close Log of the process's log; and the newest lines of the log file in a
// read-only view, read again on a GUI timer while the log is open (the writer appends every
// 2 s) without moving the reader's place in them. While the log is open, a folder that has
// gone is reported. The checks, the log's _Open and _Close, the texts and the file reading are
// the core's CLogSession; the group shows them (errors in red). The level is a number field
// rather than a list: a combo box alone costs about 11 ms of the dialog's start under Wine.
//
// Thread-safety: GUI thread only; the log's _Open and _Close are called only from here.
// Ownership: a log the group opened is closed when its window goes, so that the log's writer
// never outlives the dialog that started it.
#pragma once

#include "GroupPane.h"
#include "GroupText.h"
#include "core/LogSession.h"

#include <string>

class CLogGroup : public CGroupPane {
  public:
    CLogGroup();
    ~CLogGroup() override;

    /// Checks the fields and opens the log; false (with a message) when they are bad, the
    /// folder has gone or the file cannot be written.
    bool OpenLog();
    /// Closes the log opened here (writing what is queued); false when none is open.
    bool CloseLog();
    bool IsOpen() const { return session.IsOpen(); }
    /// Looks at the log file once: its new lines into the view, the folder's state.
    void RefreshLines();
    /// Opens the folder chooser at the folder field's folder.
    void ChooseFolder();

    /// The log file's path that the fields name.
    std::string LogFilePath() const;
    bool IsMessageError() const { return message.IsError(); }

  protected:
    void OnInitDialog() override;
    INT_PTR OnMessage(UINT nMessage, WPARAM wParam, LPARAM lParam) override;

  private:
    void ShowMessage(const Tamberon::log_message& status);
    void UpdateControls();
    HWND Item(int nId) const { return GetDlgItem(hWnd, nId); }

    Tamberon::CLogSession session;
    CStatusLine message;
};
