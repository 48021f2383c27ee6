// LogSession.h - CLogSession, what the log group does apart from its widgets: it checks the
// fields (folder, file name, maximum size), opens the process's log in the folder (_Open of
// the log's table, after trying to write the file, since the writer reports nothing when it
// cannot) and closes it again, says in the group's words what happened, reports a folder that
// went while the log is open, and reads the log file's newest lines for the view, keeping the
// reader's place (CLogTailReader).
//
// Thread-safety: one controlling thread (the GUI thread): the log's _Open and _Close want one,
// and the session is used by one thread only. Ownership: a log the session opened is closed
// by its destructor, so that the log's writer never outlives the group that started it.
#pragma once

#include "LogTailReader.h"

#include <cstdint>
#include <string>

namespace Tamberon {

/// The log group's fields, as typed.
struct log_settings {
    std::string szFolder;    // UTF-8; blanks around it are trimmed
    std::string szFileName;  // a plain file name; blanks around it are trimmed
    int nLevel = 4;          // the trace level, 1 to 9
    std::string szMaxSize;   // the size in bytes at which the file is rotated
};

/// A line for the group's status line.
struct log_message {
    enum class Field { None, Folder, FileName, MaxSize };
    bool bError = false;
    std::string szText;          // empty: nothing to show
    Field eField = Field::None;  // the field to fix, for an error
};

/// What a look at the log gave: a new status (when it changed) and the view's lines.
struct log_refresh {
    bool bNewStatus = false;
    log_message status;
    tail_update lines;
};

class CLogSession {
  public:
    /// The longest path of the log file, in bytes: the log keeps its name in 256 bytes.
    static constexpr std::size_t kPathMax = 255;
    /// The newest bytes a fresh read of the file takes: enough for a screenful of lines.
    static constexpr std::int64_t kTailBytes = 32 * 1024;
    static constexpr int kDefaultLevel = 4;
    static constexpr const char* kDefaultFileName = "tamberon.log";
    static constexpr const char* kDefaultMaxSize = "1048576";
    /// How often a front end looks at the file while the log is open, in ms.
    static constexpr unsigned kRefreshMs = 500;

    CLogSession() = default;
    ~CLogSession();
    CLogSession(const CLogSession&) = delete;
    CLogSession& operator=(const CLogSession&) = delete;

    /// The log file's path from the folder and file name fields (trimmed), joined by the
    /// platform's separator.
    static std::string LogFilePath(const std::string& szFolder, const std::string& szFileName);

    /// Checks the fields and opens the log; *pMessage says what happened (an error names the
    /// field to fix). False when they are bad, the folder has gone, the file cannot be
    /// written, or the log is open already (with no message).
    bool Open(const log_settings& settings, log_message* pMessage);

    /// Closes the log opened here, writing what is queued; false when none is open.
    bool Close(log_message* pMessage);

    bool IsOpen() const { return bOpen; }
    /// The file whose lines the view shows (the one opened last); empty before.
    const std::string& ShownFile() const { return reader.File(); }

    /// One look: while open, whether the folder went or came back; then the file's new lines.
    log_refresh Refresh();

    /// Writes szText to the log at nLevel (through the process's log, as every line goes).
    static void WriteLine(int nLevel, const std::string& szText);

    /// The status when the folder field names no folder as the chooser opens (it starts
    /// without it), and once a folder was chosen.
    static std::string ChooserStartsWithoutText(const std::string& szProblem);
    static std::string FolderChosenText(const std::string& szFolder);

  private:
    std::string OpenText() const;

    bool bOpen = false;
    std::string szOpenFolder;  // the open log's folder
    bool bFolderGone = false;
    CLogTailReader reader{kTailBytes};
};

}  // namespace Tamberon
