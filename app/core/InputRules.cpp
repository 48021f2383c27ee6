// InputRules.cpp - the URL and folder checks.
#include "InputRules.h"

#include <cctype>
#include <charconv>
#include <string_view>
#include <system_error>

namespace Tamberon {
namespace {

std::string Quoted(const std::string& szText) { return "\"" + szText + "\""; }

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(text[i])) != prefix[i]) return false;
    }
    return true;
}

}  // namespace

std::filesystem::path PathFromUtf8(const std::string& szPath) {
    return std::filesystem::path(std::u8string(szPath.begin(), szPath.end()));
}

std::string UrlProblem(const std::string& szUrl) {
    if (szUrl.empty()) return "URL is empty: enter an http:// or https:// address.";
    for (char c : szUrl) {
        if (c == ' ' || c == '\t') {
            return "URL: " + Quoted(szUrl) + " holds a space; write a space in a URL as %20.";
        }
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
            return "URL: " + Quoted(szUrl) + " holds a control character.";
        }
    }
    std::string_view url = szUrl;
    std::size_t nSchemeEnd = 0;
    if (StartsWithNoCase(url, "http://")) {
        nSchemeEnd = 7;
    } else if (StartsWithNoCase(url, "https://")) {
        nSchemeEnd = 8;
    } else {
        return "URL: " + Quoted(szUrl) + " is not an http:// or https:// address.";
    }
    std::string_view authority = url.substr(nSchemeEnd);
    authority = authority.substr(0, authority.find_first_of("/?#"));
    std::size_t nAt = authority.rfind('@');
    if (nAt != std::string_view::npos) authority.remove_prefix(nAt + 1);
    std::string_view host = authority;
    if (host.starts_with('[')) {
        std::size_t nClose = host.find(']');
        host = nClose == std::string_view::npos ? std::string_view() : host.substr(1, nClose - 1);
    } else {
        host = host.substr(0, host.find(':'));
    }
    if (host.empty()) return "URL: " + Quoted(szUrl) + " has no host name.";
    return {};
}

std::string FolderProblem(const std::string& szFolder) {
    if (szFolder.empty()) return "Folder is empty: type one or choose one.";
    std::error_code error;
    std::filesystem::file_status status = std::filesystem::status(PathFromUtf8(szFolder), error);
    if (std::filesystem::is_directory(status)) return {};
    if (std::filesystem::is_regular_file(status)) {
        return "Folder: " + szFolder + " is a file, not a folder.";
    }
    if (std::filesystem::exists(status)) return "Folder: " + szFolder + " is not a folder.";
    return "The folder " + szFolder + " does not exist (any more).";
}

std::string TrimBlanks(const std::string& szText) {
    const char* const kBlanks = " \t\r\n\v\f";
    std::size_t nFirst = szText.find_first_not_of(kBlanks);
    if (nFirst == std::string::npos) return {};
    return szText.substr(nFirst, szText.find_last_not_of(kBlanks) - nFirst + 1);
}

std::string LogFolderGoneText(const std::string& szFolder) {
    return "The folder " + szFolder +
           " is gone: log lines are lost until it is back or the log is closed.";
}

}  // namespace Tamberon
