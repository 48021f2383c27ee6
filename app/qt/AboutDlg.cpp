// AboutDlg.cpp - CAboutDlg.
#include "AboutDlg.h"

#include "IconView.h"
#include "Resources.h"

#include <QCoreApplication>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

CAboutDlg::CAboutDlg(QWidget* pParent) : QDialog(pParent) {
    const Tamberon::dialog_template* pTemplate = Tamberon::FindDialogTemplate(IDD_ABOUTBOX);
    setWindowTitle(QCoreApplication::translate("Tamberon", pTemplate->szTitle));
    setWindowIcon(Tamberon::LoadResIcon(IDR_MAINFRAME));

    auto* pIcon =
        new CIconView(Tamberon::LoadResIcon(IDR_MAINFRAME), QStyle::PM_LargeIconSize, this);
    pVersion = new QLabel(tr("Tamberon Version %1").arg(QLatin1String(Tamberon::kVersion)), this);
    pVersion->setTextInteractionFlags(Qt::TextSelectableByMouse);
    pOk = new QPushButton(tr("OK"), this);
    pOk->setDefault(true);
    connect(pOk, &QPushButton::clicked, this, &QDialog::accept);

    auto* pLayout = new QHBoxLayout(this);
    pLayout->addWidget(pIcon, 0, Qt::AlignTop);
    pLayout->addSpacing(6);
    // The text line sits level with the middle of the icon.
    pVersion->setMinimumHeight(pIcon->sizeHint().height());
    pVersion->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    pLayout->addWidget(pVersion, 1, Qt::AlignTop);
    pLayout->addWidget(pOk, 0, Qt::AlignTop);

    // The template's size in dialog units, in this font: the box grows with the desktop's font.
    QFontMetrics metrics(font());
    setMinimumSize(pTemplate->nWidthDlu * metrics.averageCharWidth() / 4,
                   pTemplate->nHeightDlu * metrics.height() / 8);
    pOk->setFocus();
}
