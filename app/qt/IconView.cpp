// IconView.cpp - the centring rule and CIconView.
#include "IconView.h"

#include <QPainter>

QPoint IconOrigin(QSize area, QSize icon) {
    return {(area.width() - icon.width() + 1) / 2, (area.height() - icon.height() + 1) / 2};
}

CIconView::CIconView(const QIcon& icon, QStyle::PixelMetric nSizeMetric, QWidget* pParent)
    : QWidget(pParent), icon(icon), nSizeMetric(nSizeMetric) {}

int CIconView::IconExtent() const { return style()->pixelMetric(nSizeMetric, nullptr, this); }

QSize CIconView::sizeHint() const {
    int nExtent = IconExtent();
    return {nExtent + 8, nExtent + 8};
}

void CIconView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QSize iconSize(IconExtent(), IconExtent());
    painter.drawPixmap(
        IconOrigin(size(), iconSize),
        icon.pixmap(iconSize, devicePixelRatioF(), isEnabled() ? QIcon::Normal : QIcon::Disabled));
}
