// SettingsFile.cpp - reading names from, and saving one setting into, a configuration file.
#include "SettingsFile.h"

#include "InputRules.h"

#include <fstream>
#include <sstream>
#include <string_view>
#include <system_error>

namespace Tamberon {
namespace {

constexpr std::size_t kMaxLine = 2047;  // the part of a line that the parse reads
constexpr std::size_t kMaxName = 127;   // the part of a name that the table keeps

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Where one line defines a setting: its name, and the value's place within the line.
struct setting_line {
    std::string szName;  // cut to kMaxName
    std::size_t nValueBegin = 0;
    std::size_t nValueEnd = 0;
};

// Reads a line (without its line break) as the parse does; false when it defines nothing.
bool ParseLine(std::string_view line, setting_line* pSetting) {
    line = line.substr(0, kMaxLine);
    std::size_t nEnd = std::min(line.find("//"), line.find('#'));
    if (nEnd == std::string_view::npos) nEnd = line.size();
    std::size_t nBegin = 0;
    while (nBegin < nEnd && IsBlank(line[nBegin])) ++nBegin;
    while (nEnd > nBegin && IsBlank(line[nEnd - 1])) --nEnd;
    std::size_t nEq = line.substr(0, nEnd).find('=', nBegin);
    if (nEq == std::string_view::npos) return false;
    std::size_t nNameEnd = nEq;
    while (nNameEnd > nBegin && IsBlank(line[nNameEnd - 1])) --nNameEnd;
    if (nNameEnd == nBegin) return false;
    pSetting->szName = std::string(line.substr(nBegin, std::min(nNameEnd - nBegin, kMaxName)));
    std::size_t nValue = nEq + 1;
    while (nValue < nEnd && IsBlank(line[nValue])) ++nValue;
    pSetting->nValueBegin = nValue;
    pSetting->nValueEnd = nEnd;
    return true;
}

bool ReadWhole(const std::string& szPath, std::string* pszContent) {
    std::ifstream file(PathFromUtf8(szPath), std::ios::binary);
    if (!file) return false;
    std::ostringstream content;
    content << file.rdbuf();
    if (file.bad()) return false;
    *pszContent = std::move(content).str();
    return true;
}

std::string Trimmed(const std::string& szText) {
    std::size_t nBegin = 0, nEnd = szText.size();
    while (nBegin < nEnd && IsBlank(szText[nBegin])) ++nBegin;
    while (nEnd > nBegin && IsBlank(szText[nEnd - 1])) --nEnd;
    return szText.substr(nBegin, nEnd - nBegin);
}

}  // namespace

std::string SettingValueProblem(const std::string& szValue) {
    if (szValue.find('#') != std::string::npos || szValue.find("//") != std::string::npos) {
        return "a value cannot hold \"#\" or \"//\": in the file they start a comment";
    }
    if (szValue.find_first_of("\r\n") != std::string::npos) {
        return "a value cannot hold a line break";
    }
    return {};
}

std::string TrimmedValue(const std::string& szValue) {
    return Trimmed(szValue).substr(0, kMaxValueLength);
}

std::unordered_set<std::string> NamesDefinedByFile(const std::string& szPath) {
    std::unordered_set<std::string> names;
    std::string szContent;
    if (!ReadWhole(szPath, &szContent)) return names;
    std::string_view content = szContent;
    setting_line setting;
    while (!content.empty()) {
        std::size_t nBreak = content.find('\n');
        std::string_view line = content.substr(0, nBreak);
        content.remove_prefix(nBreak == std::string_view::npos ? content.size() : nBreak + 1);
        if (ParseLine(line, &setting)) names.insert(std::move(setting.szName));
    }
    return names;
}

bool SaveSettingToFile(const std::string& szPath, const std::string& szName,
                       const std::string& szValue, std::string* pszWhy) {
    std::string szProblem = SettingValueProblem(szValue);
    if (!szProblem.empty()) {
        *pszWhy = szProblem;
        return false;
    }
    std::string szNewValue = TrimmedValue(szValue);
    std::error_code error;
    std::filesystem::path path = PathFromUtf8(szPath);
    // Through a link, the file it names is the one to replace.
    std::filesystem::path target = std::filesystem::canonical(path, error);
    if (error) {
        *pszWhy = "the file cannot be found: " + error.message();
        return false;
    }
    std::string szContent;
    if (!ReadWhole(szPath, &szContent)) {
        *pszWhy = "the file cannot be read";
        return false;
    }

    // The last line that defines the name, as [begin, end) of the whole content.
    std::string szKey = szName.substr(0, kMaxName);
    std::size_t nLineBegin = 0, nFound = std::string::npos;
    setting_line found, setting;
    while (nLineBegin < szContent.size()) {
        std::size_t nBreak = szContent.find('\n', nLineBegin);
        std::size_t nLineEnd = nBreak == std::string::npos ? szContent.size() : nBreak;
        std::string_view line(szContent.data() + nLineBegin, nLineEnd - nLineBegin);
        if (ParseLine(line, &setting) && setting.szName == szKey) {
            nFound = nLineBegin;
            found = setting;
        }
        nLineBegin = nLineEnd + 1;
    }
    if (nFound != std::string::npos) {
        szContent.replace(nFound + found.nValueBegin, found.nValueEnd - found.nValueBegin,
                          szNewValue);
    } else {
        const char* szBreak = szContent.find("\r\n") != std::string::npos ? "\r\n" : "\n";
        if (!szContent.empty() && szContent.back() != '\n') szContent += szBreak;
        szContent += szName + "=" + szNewValue + szBreak;
    }

    std::filesystem::path temporary = target;
    temporary += ".saving~";
    {
        std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
        file.write(szContent.data(), static_cast<std::streamsize>(szContent.size()));
        file.close();
        if (!file) {
            *pszWhy = "the new file cannot be written in the file's folder";
            std::filesystem::remove(temporary, error);
            return false;
        }
    }
    std::filesystem::permissions(temporary, std::filesystem::status(target, error).permissions(),
                                 error);
    std::filesystem::rename(temporary, target, error);
    if (error) {
        *pszWhy = "the new file cannot replace the old one: " + error.message();
        std::filesystem::remove(temporary, error);
        return false;
    }
    return true;
}

}  // namespace Tamberon
