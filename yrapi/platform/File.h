// File.h - the file system checks the library needs beyond the standard library's.
// Thread-safety: every function may be called from any thread at any time.
#pragma once

namespace YRAPI::platform {

/// True when szPath names an existing file that this process could rename within its folder
/// now: the folder may be written to (it is not read-only and its permissions let this process
/// add and remove names), and on Windows no other program holds the file open without
/// sharing its deletion. A check made before a series of renames that only makes sense if the
/// last one works; a rename may still fail for a reason the check cannot see. False for a null
/// or empty path, and when the testing::Fault::FileRename refusal is armed.
bool CanRenameFile(const char* szPath);

}  // namespace YRAPI::platform
