#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>
#include <QtGlobal>

class QWidget;

namespace orvex::gui {

// Window lengths are kept in twips (1/1440 inch): 15 twips are one pixel at 96 dpi, and
// the logical DPI of the screen scales them.
class Twips
{
public:
    explicit Twips(qreal logicalDpi = 96.0) : m_dpi(logicalDpi > 0 ? logicalDpi : 96.0) {}
    static Twips of(const QWidget* widget);

    int px(int twips) const { return qRound(twips * m_dpi / 1440.0); }
    int twips(int px) const { return qRound(px * 1440.0 / m_dpi); }
    QPoint px(int left, int top) const { return {px(left), px(top)}; }
    QRect rect(int left, int top, int width, int height) const
    {
        return {px(left), px(top), px(width), px(height)};
    }
    qreal dpi() const { return m_dpi; }

private:
    qreal m_dpi;
};

} // namespace orvex::gui
