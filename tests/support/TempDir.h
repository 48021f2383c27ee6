// TempDir.h - test helpers: a private temporary folder per test, file helpers, and a bounded
// wait for a condition.
#pragma once

#include <chrono>
#include <functional>
#include <string>

namespace YRAPI::test {

/// A fresh folder under the system's temporary folder, removed with its contents at the end.
class CTempDir {
  public:
    CTempDir();
    ~CTempDir();
    CTempDir(const CTempDir&) = delete;
    CTempDir& operator=(const CTempDir&) = delete;

    const std::string& Path() const { return szPath; }
    /// Path() + "/" + name.
    std::string File(const std::string& name) const;

  private:
    std::string szPath;
};

/// The whole content of a file; empty when it cannot be read.
std::string ReadFile(const std::string& path);

/// Writes (replaces) a file with the given content; false on failure.
bool WriteFile(const std::string& path, const std::string& content);

bool FileExists(const std::string& path);

/// Polls pred every few milliseconds until it holds or timeout passes; its last result.
bool WaitUntil(const std::function<bool()>& pred,
               std::chrono::milliseconds timeout = std::chrono::seconds(5));

}  // namespace YRAPI::test
