// PathText.h - a folder path as a status line shows it: long paths are cut after their first
// kShortLength characters and marked with "...".
//
// Thread-safety: pure functions, any thread.
#pragma once

#include <cstddef>
#include <string>

namespace Tamberon {

/// Paths longer than this many characters are shown cut.
inline constexpr std::size_t kShortLength = 35;

/// szPath (UTF-8) as shown: itself up to kShortLength characters, else its first kShortLength
/// characters and "...". Characters are counted as code points, so a cut never splits one.
std::string ShortenForDisplay(const std::string& szPath);

}  // namespace Tamberon
