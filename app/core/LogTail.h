// LogTail.h - where a view of a growing log file's newest lines is: which bytes to read at the
// next look, and which of them are whole new lines. New lines are appended to those on show,
// so a reader keeps their place; the file is read afresh at the first look, after a rotation
// (the file got smaller), or when more is new than the view keeps. A line still being
// written is taken at the next look. No file access: the front end reads the bytes.
//
// Thread-safety: none; one object per view, used by one thread.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace Tamberon {

class CLogTail {
  public:
    /// nTailBytes: how many of the newest bytes a fresh read takes.
    explicit CLogTail(std::int64_t nTailBytes) : nTailBytes(nTailBytes) {}

    /// What to read from a file of nSize bytes: from nStart to its end.
    struct read_plan {
        std::int64_t nStart;
        bool bAfresh;  // the lines on show are replaced, else the new ones appended
    };
    read_plan Plan(std::int64_t nSize) const;

    /// The whole lines among bytes (read as plan said), without the last line break, and
    /// the place kept for the next look. None when no line is complete yet.
    std::optional<std::string_view> Take(std::string_view bytes, const read_plan& plan);

    /// Bytes of the file already shown; -1 before the first look or after Forget.
    std::int64_t ShownSize() const { return nShownSize; }
    /// The next look reads afresh (another file, or one that could not be read).
    void Forget() { nShownSize = -1; }

  private:
    std::int64_t nTailBytes;
    std::int64_t nShownSize = -1;
};

}  // namespace Tamberon
