#pragma once

#include <QRectF>

class QImage;

namespace orvex::annex {

// How sharply a page is drawn to tell seen text from unseen: at 96 dots per inch every
// character of the 2024 annexes shows ink, the smallest full stop included.
constexpr double kInkDotsPerInch = 96;

// Whether the drawn page shows ink inside `box` (in points): its pixels are not all of one
// shade. Text drawn invisibly (render mode 3), in the colour of what lies beneath it, or
// off the page shows none.
bool showsInk(const QImage& page, const QRectF& box);

} // namespace orvex::annex
