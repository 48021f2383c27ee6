// WindowMenuButton.cpp - CWindowMenuButton.
#include "WindowMenuButton.h"

#include "IconView.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>
#include <QStyleOptionToolButton>

CWindowMenuButton::CWindowMenuButton(const QIcon& icon, QWidget* pParent)
    : QAbstractButton(pParent) {
    setIcon(icon);
    setFocusPolicy(Qt::TabFocus);
    setCursor(Qt::ArrowCursor);
    setAttribute(Qt::WA_Hover);
}

QSize CWindowMenuButton::sizeHint() const {
    int nExtent = style()->pixelMetric(QStyle::PM_SmallIconSize, nullptr, this);
    return {nExtent + 10, nExtent + 10};
}

void CWindowMenuButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (isDown() || underMouse()) {
        QStyleOptionToolButton option;
        option.initFrom(this);
        option.state |= QStyle::State_AutoRaise | QStyle::State_Raised;
        if (isDown()) option.state |= QStyle::State_Sunken;
        style()->drawPrimitive(QStyle::PE_PanelButtonTool, &option, &painter, this);
    }
    int nExtent = style()->pixelMetric(QStyle::PM_SmallIconSize, nullptr, this);
    QSize iconSize(nExtent, nExtent);
    painter.drawPixmap(IconOrigin(size(), iconSize), icon().pixmap(iconSize, devicePixelRatioF()));
    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = rect().adjusted(1, 1, -1, -1);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
    }
}
