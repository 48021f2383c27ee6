// MessageLine.cpp - CMessageLine.
#include "MessageLine.h"

#include <QPainter>
#include <QPalette>
#include <QTextLayout>

CMessageLine::CMessageLine(QWidget* pParent, int nLines)
    : QLabel(pParent), nLines(std::max(nLines, 1)) {
    setTextFormat(Qt::PlainText);
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
}

void CMessageLine::ShowInfo(const QString& szText) {
    bError = false;
    setPalette(QPalette());
    setText(szText);
    setToolTip(szText);
}

void CMessageLine::ShowError(const QString& szText) {
    bError = true;
    QPalette palette;
    palette.setColor(QPalette::WindowText, QColor(0xb0, 0x10, 0x10));
    setPalette(palette);
    setText(szText);
    setToolTip(szText);
}

QSize CMessageLine::sizeHint() const {
    QMargins margins = contentsMargins();
    return {fontMetrics().averageCharWidth() * 20 + margins.left() + margins.right(),
            fontMetrics().lineSpacing() * nLines + margins.top() + margins.bottom()};
}

QSize CMessageLine::minimumSizeHint() const { return sizeHint(); }

bool CMessageLine::IsElided() const {
    bool bElided = false;
    Lines(contentsRect().width(), &bElided);
    return bElided;
}

QStringList CMessageLine::Lines(int nWidth, bool* pbElided) const {
    QStringList lines;
    *pbElided = false;
    if (text().isEmpty() || nWidth <= 0) return lines;
    QString szText = text();
    szText.replace(QLatin1Char('\n'), QLatin1Char(' '));
    QTextLayout layout(szText, font());
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    int nStart = 0;
    while (lines.size() < nLines) {
        QTextLine line = layout.createLine();
        if (!line.isValid()) break;
        line.setLineWidth(nWidth);
        if (lines.size() == nLines - 1 && line.textStart() + line.textLength() < szText.size()) {
            // The last line on show takes the rest, cut with "...".
            lines << fontMetrics().elidedText(szText.mid(line.textStart()), Qt::ElideRight, nWidth);
            *pbElided = true;
            break;
        }
        lines << szText.mid(line.textStart(), line.textLength());
        nStart = line.textStart() + line.textLength();
    }
    layout.endLayout();
    if (!*pbElided && nStart < szText.size() && lines.size() == nLines) *pbElided = true;
    return lines;
}

void CMessageLine::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QRect area = contentsRect();
    bool bElided = false;
    QStringList lines = Lines(area.width(), &bElided);
    painter.setPen(
        palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
    int nY = area.top();
    int nAscent = fontMetrics().ascent();
    for (const QString& szLine : lines) {
        painter.drawText(area.left(), nY + nAscent, szLine);
        nY += fontMetrics().lineSpacing();
    }
}
