// TxtParam.cpp - CTxtParam.
#include "yrapi/text/TxtParam.h"

#include "yrapi/text/TextConvert.h"
#include "yrapi/text/TextHelpers.h"

#include <cstring>
#include <memory>
#include <new>

namespace YRAPI {

CTxtParam::CTxtParam() = default;

CTxtParam::~CTxtParam() { Clear(); }

void CTxtParam::Clear() {
    int nCount = params.count.load();
    for (int i = 0; i < nCount; ++i) delete static_cast<txt_param_item*>(params.GetAt(i));
    params.count.store(0);
}

void CTxtParam::AddParam(const txt_param_item& item) {
    std::unique_ptr<txt_param_item> pItem(new (std::nothrow) txt_param_item(item));
    // A record the array refuses (its growth limit) is dropped, and so is one we could not
    // allocate: the line is lost and parsing goes on.
    if (pItem && params.Add(pItem.get()) >= 0) pItem.release();
}

void CTxtParam::Parse(const char* text) {
    Clear();
    const char* pPos = text != nullptr ? text : "";
    char szLine[2048];
    while (*pPos != '\0') {
        // The bounded copy keeps at most 2047 characters of the line but reports the whole
        // line's length, so an over-long line is cut and its rest skipped (see the header).
        pPos += CopyUntil(pPos, szLine, sizeof szLine, '\n');
        if (*pPos == '\n') ++pPos;

        if (char* pComment = std::strstr(szLine, "//")) *pComment = '\0';
        char* pEquals = std::strchr(szLine, '=');
        if (pEquals == nullptr) continue;
        // Only the CR of a CR-LF pair goes; a CR inside a line is ordinary text.
        std::size_t nLength = std::strlen(szLine);
        if (szLine[nLength - 1] == '\r') szLine[nLength - 1] = '\0';

        *pEquals = '\0';
        char* szName = szLine;
        char* szValue = pEquals + 1;
        TrimLeftSpaces(szName);
        TrimRightSpaces(szName);
        TrimLeftSpaces(szValue);
        TrimRightSpaces(szValue);

        txt_param_item item{};
        CopyText(item.szName, sizeof item.szName, szName);
        CopyText(item.szValue, sizeof item.szValue, szValue);
        AddParam(item);
    }
    bLoaded = true;
}

int CTxtParam::FindValue(const char* name, char* buf, int size) {
    int nCount = params.count.load();
    for (int i = 0; i < nCount; ++i) {
        auto* pItem = static_cast<const txt_param_item*>(params.GetAt(i));
        if (pItem == nullptr || std::strcmp(pItem->szName, name) != 0) continue;
        // A negative size would turn into a huge unsigned one: treat it as no room at all.
        CopyText(buf, size > 0 ? static_cast<unsigned>(size) : 0u, pItem->szValue);
        return 0;
    }
    return -1;
}

bool CTxtParam::GetString(const char* name, char* buf, int size) {
    if (!bLoaded || name == nullptr) return false;
    return FindValue(name, buf, size) == 0;
}

bool CTxtParam::GetInt(const char* name, int* value) {
    char szBuffer[256] = {};
    // 255 as the size, so at most 254 characters are looked at.
    if (!GetString(name, szBuffer, 255)) return false;
    if (value != nullptr) *value = detail::TextToInt(szBuffer);
    return true;
}

}  // namespace YRAPI
