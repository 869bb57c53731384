#pragma once

#include "gui/Twips.h"

#include <QPushButton>
#include <QWidget>

#include <algorithm>

// Placing a control at its design position, in twips, the way the window's header and its
// first two tabs place theirs.
namespace orvex::gui::placement {

inline void atHint(QWidget* w, const Twips& tw, int left, int top)
{
    w->setGeometry(QRect(tw.px(left, top), w->sizeHint()));
}

// A button at least as big as designed, larger when its caption needs it. Returns the
// pixel column right of it.
inline int button(QPushButton* b, const Twips& tw, int leftPx, int top, int width, int height)
{
    const QSize hint = b->sizeHint();
    b->setGeometry(leftPx, tw.px(top), std::max(tw.px(width), hint.width()),
                   std::max(tw.px(height), hint.height()));
    return b->geometry().right() + 1;
}

inline void sized(QWidget* w, QPoint at, QSize size)
{
    w->setGeometry(QRect(at, size.expandedTo(QSize(0, 0))));
}

} // namespace orvex::gui::placement
