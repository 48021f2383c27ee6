// SysCommand.h - which window-menu commands open the About box. A system command id is 16
// bits wide and its low four bits are the system's own, so the About entry (16) answers to
// every id from 16 to 31 and to the same ids with higher bits set beyond the sixteenth.
//
// Thread-safety: a pure function, any thread.
#pragma once

#include "ResourceIds.h"

#include <cstdint>

namespace Tamberon {

/// True when the window-menu command nID opens the About box.
constexpr bool IsAboutCommand(unsigned long long nID) {
    return (static_cast<std::uint16_t>(nID) & 0xFFF0u) == IDM_ABOUTBOX;
}

}  // namespace Tamberon
