// MessageLine.h - CMessageLine, the one-line message under a group of the main dialog: what an
// action did, or why it was refused (shown as an error).
//
// Thread-safety: GUI thread only. Ownership: belongs to its Qt parent.
#pragma once

#include <QLabel>

class CMessageLine : public QLabel {
    Q_OBJECT

  public:
    explicit CMessageLine(QWidget* pParent);

    void ShowInfo(const QString& szText);
    void ShowError(const QString& szText);

    /// True while the line shows an error.
    bool IsError() const { return bError; }

  private:
    bool bError = false;
};
