// PathText.cpp - the shortened path.
#include "PathText.h"

namespace Tamberon {

std::string ShortenForDisplay(const std::string& szPath) {
    // A continuation byte (10xxxxxx) belongs to the character before it.
    std::size_t nCharacters = 0;
    for (std::size_t i = 0; i < szPath.size(); ++i) {
        if ((static_cast<unsigned char>(szPath[i]) & 0xC0) == 0x80) continue;
        if (nCharacters == kShortLength) return szPath.substr(0, i) + "...";
        ++nCharacters;
    }
    return szPath;
}

}  // namespace Tamberon
