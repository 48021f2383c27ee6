// MessageLine.cpp - CMessageLine.
#include "MessageLine.h"

#include <QPalette>

CMessageLine::CMessageLine(QWidget* pParent) : QLabel(pParent) {
    setTextFormat(Qt::PlainText);
    setWordWrap(true);
    setTextInteractionFlags(Qt::TextSelectableByMouse);
}

void CMessageLine::ShowInfo(const QString& szText) {
    bError = false;
    setPalette(QPalette());
    setText(szText);
}

void CMessageLine::ShowError(const QString& szText) {
    bError = true;
    QPalette palette;
    palette.setColor(QPalette::WindowText, QColor(0xb0, 0x10, 0x10));
    setPalette(palette);
    setText(szText);
}
