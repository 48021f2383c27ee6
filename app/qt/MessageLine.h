// MessageLine.h - CMessageLine, a status line of the main dialog: what an action did, or why
// it was refused (shown as an error). It never asks for more room than it was given: the
// text wraps anywhere (a long URL or path has no word boundary to wrap at) over a fixed
// number of lines, and what does not fit ends in "..."; the whole text is in its tooltip and
// its accessible name. Its height is reserved from the start, so that a message appearing
// does not move the rest of the layout.
//
// Thread-safety: GUI thread only. Ownership: belongs to its Qt parent.
#pragma once

#include <QLabel>

class CMessageLine : public QLabel {
    Q_OBJECT

  public:
    /// A line of nLines text lines (at least 1).
    explicit CMessageLine(QWidget* pParent, int nLines = 2);

    void ShowInfo(const QString& szText);
    void ShowError(const QString& szText);

    /// True while the line shows an error.
    bool IsError() const { return bError; }

    /// True when the text does not fit and is cut short on screen.
    bool IsElided() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* pEvent) override;

  private:
    /// Lays the text out in the width; the lines on show and whether some were cut.
    QStringList Lines(int nWidth, bool* pbElided) const;

    int nLines;
    bool bError = false;
};
