// TempDir.cpp - test helpers.
#include "tests/support/TempDir.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace YRAPI::test {

CTempDir::CTempDir() {
#if defined(_WIN32)
    // No mkdtemp: a random name, retried until create_directory makes a new folder. The
    // folder is written with forward slashes, which Windows accepts, as File() joins names.
    std::random_device random;
    for (int nTry = 0; nTry < 100 && szPath.empty(); ++nTry) {
        auto path = std::filesystem::temp_directory_path() /
                    ("yrapi-test-" + std::to_string(random()) + std::to_string(random()));
        std::error_code ec;
        if (std::filesystem::create_directory(path, ec)) szPath = path.generic_string();
    }
    if (szPath.empty()) throw std::runtime_error("cannot create a temporary folder");
#else
    std::string pattern = (std::filesystem::temp_directory_path() / "yrapi-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    szPath = pattern;
#endif
}

CTempDir::~CTempDir() {
    std::error_code ec;
    std::filesystem::remove_all(szPath, ec);
}

std::string CTempDir::File(const std::string& name) const { return szPath + "/" + name; }

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

bool WriteFile(const std::string& path, const std::string& content) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
    return static_cast<bool>(out);
}

bool FileExists(const std::string& path) {
    std::error_code ec;
    return std::filesystem::exists(path, ec);
}

bool WaitUntil(const std::function<bool()>& pred, std::chrono::milliseconds timeout) {
    auto deadline = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < deadline) {
        if (pred()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return pred();
}

}  // namespace YRAPI::test
