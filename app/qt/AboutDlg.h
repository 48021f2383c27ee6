// AboutDlg.h - CAboutDlg, the About box (dialog resource 100): the application icon at the
// left, the line "Tamberon Version 1.0" beside it and a default OK button at the right.
// Enter and Esc close it, as a dialog's defaults do; it has no handlers of its own.
//
// Thread-safety: GUI thread only. Ownership: built on the caller's stack and run with exec().
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

class CAboutDlg : public QDialog {
    Q_OBJECT

  public:
    explicit CAboutDlg(QWidget* pParent = nullptr);

    QLabel* VersionLabel() const { return pVersion; }
    QPushButton* OkButton() const { return pOk; }

  private:
    QLabel* pVersion;
    QPushButton* pOk;
};
