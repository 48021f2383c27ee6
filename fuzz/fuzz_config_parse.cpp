// fuzz_config_parse.cpp - CConfigFileThread::ParseFile on any file content (read through
// fmemopen), then lookups of names taken from it. Checks that stored names and values keep
// their limits and that texts handed out stay valid across a second parse.
#include "yrapi/text/ConfigFileThread.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

// No worker thread: one table per input, parsed by the fuzzer's own thread.
class CFuzzConfig : public CConfigFileThread {
  public:
    CFuzzConfig() : CConfigFileThread(/*dwPeriod=*/1000, /*bStartThread=*/false) {}
};

void Parse(CFuzzConfig& config, const std::uint8_t* data, std::size_t size) {
    // fmemopen refuses a zero-sized buffer; an empty file is a file with nothing to read.
    static char empty[1] = {0};
    void* pBuffer = size > 0 ? const_cast<std::uint8_t*>(data) : static_cast<void*>(empty);
    std::FILE* pFile = fmemopen(pBuffer, size > 0 ? size : 1, "r");
    if (pFile == nullptr) return;
    if (size == 0) std::fgetc(pFile);  // at its end
    if (!config.ParseFile(pFile)) __builtin_trap();
    std::fclose(pFile);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CFuzzConfig config;
    Parse(config, data, size);

    std::string text(reinterpret_cast<const char*>(data), size);
    std::string names[8];
    const char* values[8] = {};
    int nNames = 0;
    std::size_t nStart = 0;
    while (nNames < 8 && nStart < text.size()) {
        std::size_t nEquals = text.find('=', nStart);
        if (nEquals == std::string::npos) break;
        std::size_t nLineStart = text.find_last_of("\n", nEquals);
        nLineStart =
            nLineStart == std::string::npos || nLineStart < nStart ? nStart : nLineStart + 1;
        names[nNames] = text.substr(nLineStart, nEquals - nLineStart).c_str();
        const char* szValue = config.GetString(names[nNames].c_str(), nullptr);
        if (szValue != nullptr && std::strlen(szValue) > 511) __builtin_trap();
        if (config.HasKey(names[nNames].c_str()) != (szValue != nullptr)) __builtin_trap();
        config.GetInt(names[nNames].c_str(), 0);
        config.GetLong(names[nNames].c_str(), 0);
        values[nNames++] = szValue;
        nStart = nEquals + 1;
    }
    // A second parse of the same content changes nothing and frees nothing handed out.
    std::string before[8];
    for (int i = 0; i < nNames; ++i) before[i] = values[i] != nullptr ? values[i] : "";
    Parse(config, data, size);
    for (int i = 0; i < nNames; ++i) {
        if (values[i] != nullptr && before[i] != values[i]) __builtin_trap();
        if (values[i] != nullptr && config.GetString(names[i].c_str(), nullptr) != values[i]) {
            __builtin_trap();
        }
    }
    return 0;
}
