// WindowMenuButton.h - CWindowMenuButton, the button at a dialog's top-left corner that shows
// the application icon and opens the dialog's window menu (Linux window managers keep the
// real window menu to themselves).
//
// Thread-safety: GUI thread only. Ownership: belongs to its Qt parent; the menu it opens
// belongs to the dialog.
#pragma once

#include <QAbstractButton>
#include <QIcon>

class CWindowMenuButton : public QAbstractButton {
  public:
    CWindowMenuButton(const QIcon& icon, QWidget* pParent);

    QSize sizeHint() const override;

  protected:
    /// The small icon (the style's PM_SmallIconSize) centred by IconOrigin; a frame while
    /// the button is pressed, hovered or has the focus.
    void paintEvent(QPaintEvent* pEvent) override;
};
