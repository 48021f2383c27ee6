// Resources.cpp - the resource table.
#include "Resources.h"

#include <QCoreApplication>
#include <QHash>
#include <QImage>
#include <QObject>
#include <QPixmap>
#include <QPointer>
#include <QResource>

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
    {IDS_ABOUTBOX, QT_TRANSLATE_NOOP("Tamberon", TAMBERON_ABOUT_MENU_TEXT), nullptr},
}};

struct icon_resource {
    unsigned nID;
    const char* szBaseName;  // ":/icons/<base>-<size>.rgba" for each size
};

constexpr std::array<icon_resource, 1> kIcons = {{{IDR_MAINFRAME, "tamberon"}}};
// The sizes a window and the About box draw; the large ones, which only the desktop's menus
// show (from the installed icon theme), stay out. Each size is kept as raw RGBA pixels, made
// from its PNG with "convert tamberon-<size>.png -depth 8 rgba:tamberon-<size>.rgba"
// (ImageMagick): the window shows them before its first paint, and raw pixels need neither an
// image reader nor a decoder (tests/app/ResourcesTest.cpp checks them against the PNGs).
constexpr std::array<int, 5> kIconSizes = {16, 24, 32, 48, 64};

struct dialog_resource {
    unsigned nID;
    dialog_template data;
};

constexpr std::array<dialog_resource, 1> kDialogs = {{
    {IDD_ABOUTBOX,
     {QT_TRANSLATE_NOOP("Tamberon", TAMBERON_ABOUT_TITLE), TAMBERON_ABOUT_WIDTH_DLU,
      TAMBERON_ABOUT_HEIGHT_DLU}},
}};

// The icons loaded so far, kept as long as the application: a QIcon shares its images, so a
// window that asks again gets them without decoding the files once more.
class CIconCache : public QObject {
  public:
    using QObject::QObject;
    QHash<unsigned, QIcon> icons;
};

CIconCache* IconCache() {
    // Cleared when the Qt application, its parent, goes.
    static QPointer<CIconCache> pCache;
    QCoreApplication* pApplication = QCoreApplication::instance();
    if (pApplication == nullptr) return nullptr;
    if (pCache == nullptr) pCache = new CIconCache(pApplication);
    return pCache;
}

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
    CIconCache* pCache = IconCache();
    if (pCache != nullptr && pCache->icons.contains(nID)) return pCache->icons.value(nID);
    for (const icon_resource& entry : kIcons) {
        if (entry.nID != nID) continue;
        QIcon icon;
        for (int nSize : kIconSizes) {
            QResource pixels(QStringLiteral(":/icons/%1-%2.rgba").arg(entry.szBaseName).arg(nSize));
            QByteArray data = pixels.uncompressedData();
            if (data.size() != qsizetype(nSize) * nSize * 4) continue;
            QImage image(reinterpret_cast<const uchar*>(data.constData()), nSize, nSize, nSize * 4,
                         QImage::Format_RGBA8888);
            icon.addPixmap(QPixmap::fromImage(image.copy()));
        }
        if (pCache != nullptr) pCache->icons.insert(nID, icon);
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
