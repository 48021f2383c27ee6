// IconView.h - how the utility draws its icon: IconOrigin, the centring rule, and CIconView,
// a widget that shows one icon centred by that rule at a size the style gives.
//
// Thread-safety: GUI thread only. Ownership: a CIconView belongs to its Qt parent.
#pragma once

#include <QIcon>
#include <QPoint>
#include <QSize>
#include <QStyle>
#include <QWidget>

/// Where an icon of size icon goes to sit centred in an area of size area: at
/// x = (width - icon width + 1) / 2, y = (height - icon height + 1) / 2, so that an odd
/// difference puts the extra pixel before the icon.
QPoint IconOrigin(QSize area, QSize icon);

/// Paints one icon centred by IconOrigin, at the size the style's metric gives it.
class CIconView : public QWidget {
  public:
    CIconView(const QIcon& icon, QStyle::PixelMetric nSizeMetric, QWidget* pParent);

    /// The icon's side in pixels, as the style gives it.
    int IconExtent() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

  protected:
    void paintEvent(QPaintEvent* pEvent) override;

  private:
    QIcon icon;
    QStyle::PixelMetric nSizeMetric;
};
