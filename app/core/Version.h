// Version.h - the utility's version, as the About box, --version and the packages show it.
//
// Thread-safety: a constant.
#pragma once

namespace Tamberon {

/// The version the About box and --version show.
inline constexpr const char* kVersion = "1.0";

}  // namespace Tamberon
