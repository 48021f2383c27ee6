// Resources.cpp - the resource table.
#include "Resources.h"

#include <QCoreApplication>

#include <array>

namespace Tamberon {
namespace {

struct string_resource {
    unsigned nID;
    const char* szText;
    const char* szOverride;  // set by the test seam; null for none
};

// Texts are translated in the "Tamberon" context, as the dialogs' own texts are.
std::array<string_resource, 1> gStrings = {{
    {IDS_ABOUTBOX, QT_TRANSLATE_NOOP("Tamberon", "&About Tamberon..."), nullptr},
}};

struct icon_resource {
    unsigned nID;
    const char* szBaseName;  // ":/icons/<base>-<size>.png" for each size
};

constexpr std::array<icon_resource, 1> kIcons = {{{IDR_MAINFRAME, "tamberon"}}};
constexpr std::array<int, 8> kIconSizes = {16, 22, 24, 32, 48, 64, 128, 256};

struct dialog_resource {
    unsigned nID;
    dialog_template data;
};

constexpr std::array<dialog_resource, 1> kDialogs = {{
    {IDD_ABOUTBOX, {QT_TRANSLATE_NOOP("Tamberon", "About Tamberon"), 235, 55}},
}};

}  // namespace

QString LoadResString(unsigned nID) {
    for (const string_resource& entry : gStrings) {
        if (entry.nID != nID) continue;
        if (entry.szOverride != nullptr) return QString::fromUtf8(entry.szOverride);
        return QCoreApplication::translate("Tamberon", entry.szText);
    }
    return {};
}

QIcon LoadResIcon(unsigned nID) {
    for (const icon_resource& entry : kIcons) {
        if (entry.nID != nID) continue;
        QIcon icon;
        for (int nSize : kIconSizes) {
            icon.addFile(QStringLiteral(":/icons/%1-%2.png").arg(entry.szBaseName).arg(nSize),
                         QSize(nSize, nSize));
        }
        return icon;
    }
    return {};
}

const dialog_template* FindDialogTemplate(unsigned nID) {
    for (const dialog_resource& entry : kDialogs) {
        if (entry.nID == nID) return &entry.data;
    }
    return nullptr;
}

namespace testing {

void OverrideString(unsigned nID, const char* szText) {
    for (string_resource& entry : gStrings) {
        if (entry.nID == nID) entry.szOverride = szText;
    }
}

}  // namespace testing
}  // namespace Tamberon
