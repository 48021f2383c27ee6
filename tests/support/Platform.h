// Platform.h - test helpers about the system the tests run on.
// Thread-safety: every function may be called from any thread.
#pragma once

namespace YRAPI::test {

/// True when the program is a Windows program running under Wine.
bool RunningUnderWine();

}  // namespace YRAPI::test
