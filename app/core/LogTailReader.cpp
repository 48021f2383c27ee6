// LogTailReader.cpp - CLogTailReader.
#include "LogTailReader.h"

#include "InputRules.h"

#include <cerrno>
#include <cstdio>
#include <memory>
#include <system_error>

namespace Tamberon {
namespace {

struct file_closer {
    void operator()(std::FILE* pFile) const { std::fclose(pFile); }
};
using file_ptr = std::unique_ptr<std::FILE, file_closer>;

// Opens a file by its path in any script: the wide call on Windows, where the narrow one takes
// the system's code page.
file_ptr OpenForReading(const std::filesystem::path& path) {
#ifdef _WIN32
    return file_ptr(_wfopen(path.c_str(), L"rb"));
#else
    return file_ptr(std::fopen(path.c_str(), "rb"));
#endif
}

bool SeekTo(std::FILE* pFile, std::int64_t nOffset) {
#ifdef _WIN32
    return _fseeki64(pFile, nOffset, SEEK_SET) == 0;
#else
    return fseeko(pFile, static_cast<off_t>(nOffset), SEEK_SET) == 0;
#endif
}

}  // namespace

void CLogTailReader::SetFile(const std::string& szNewPath) {
    szPath = szNewPath;
    Forget();
}

void CLogTailReader::Forget() {
    tail.Forget();
    shownModified.reset();
}

tail_update CLogTailReader::Read(bool bQuietFailure) {
    if (szPath.empty()) return {};
    std::filesystem::path path = PathFromUtf8(szPath);
    std::error_code error;
    auto nStatSize = static_cast<std::int64_t>(std::filesystem::file_size(path, error));
    if (error) nStatSize = 0;
    std::optional<std::filesystem::file_time_type> modified;
    std::filesystem::file_time_type time = std::filesystem::last_write_time(path, error);
    if (!error) modified = time;
    if (nStatSize == tail.ShownSize() && modified == shownModified) return {};

    errno = 0;
    file_ptr pFile = OpenForReading(path);
    if (!pFile) {
        int nError = errno;
        if (bQuietFailure) return {};
        Forget();
        std::string szWhy = nError != 0 ? std::generic_category().message(nError)
                                        : std::string("it cannot be opened");
        return {tail_update::Kind::Unreadable, "(" + szPath + " cannot be read: " + szWhy + ")"};
    }
    shownModified = modified;
    // The size of the file as opened; the plan reads from its place to there.
    std::int64_t nSize = nStatSize;
    if (std::fseek(pFile.get(), 0, SEEK_END) == 0) {
#ifdef _WIN32
        nSize = _ftelli64(pFile.get());
#else
        nSize = static_cast<std::int64_t>(ftello(pFile.get()));
#endif
    }
    if (nSize < 0) nSize = nStatSize;
    CLogTail::read_plan plan = tail.Plan(nSize);
    std::string szBytes;
    if (nSize > plan.nStart && SeekTo(pFile.get(), plan.nStart)) {
        szBytes.resize(static_cast<std::size_t>(nSize - plan.nStart));
        szBytes.resize(std::fread(szBytes.data(), 1, szBytes.size(), pFile.get()));
    }
    std::optional<std::string_view> lines = tail.Take(szBytes, plan);
    if (plan.bAfresh) {
        return {tail_update::Kind::Afresh, lines ? std::string(*lines) : std::string()};
    }
    if (!lines) return {};
    return {tail_update::Kind::Append, std::string(*lines)};
}

}  // namespace Tamberon
