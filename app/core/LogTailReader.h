// LogTailReader.h - CLogTailReader, the file side of a view of a growing log file's newest
// lines: it looks at the file's size and time, reads only the bytes its CLogTail plans (the
// new ones, or the newest tail afresh) and hands back what the view does with them: nothing,
// replace its lines, append new ones, or say that the file cannot be read.
//
// Thread-safety: none; one object per view, used by one thread. A look reads at most the
// tail's size, so it is quick enough for a GUI thread's timer.
#pragma once

#include "LogTail.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace Tamberon {

/// What a view does after a look.
struct tail_update {
    enum class Kind {
        None,        // nothing new: the view stays as it is
        Afresh,      // szText replaces the lines on show
        Append,      // szText (whole lines, without the last line break) is appended
        Unreadable,  // szText, a note that the file cannot be read, replaces the lines on show
    };
    Kind eKind = Kind::None;
    std::string szText;
};

class CLogTailReader {
  public:
    /// nTailBytes: how many of the newest bytes a fresh read takes.
    explicit CLogTailReader(std::int64_t nTailBytes) : tail(nTailBytes) {}

    /// Looks at szPath (UTF-8) from now on, reading it afresh at the next look.
    void SetFile(const std::string& szPath);
    /// The file looked at; empty before SetFile.
    const std::string& File() const { return szPath; }

    /// Looks at the file once. When it cannot be read: Unreadable, or with bQuietFailure None
    /// (the lines on show stay, for a caller that says why elsewhere).
    tail_update Read(bool bQuietFailure = false);

    /// The next look reads afresh.
    void Forget();

  private:
    CLogTail tail;
    std::string szPath;
    std::optional<std::filesystem::file_time_type> shownModified;  // of the last look's read
};

}  // namespace Tamberon
