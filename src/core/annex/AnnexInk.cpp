#include "annex/AnnexInk.h"

#include <QImage>

#include <algorithm>
#include <cmath>

namespace orvex::annex {

namespace {
// Shades closer than this are one shade: text a reader tells from its ground differs by more.
constexpr int kLeastContrast = 64;
} // namespace

bool showsInk(const QImage& page, const QRectF& box)
{
    const double scale = kInkDotsPerInch / 72;
    QRect pixels(QPoint(int(std::floor(box.left() * scale)), int(std::floor(box.top() * scale))),
                 QPoint(int(std::ceil(box.right() * scale)) - 1, int(std::ceil(box.bottom() * scale)) - 1));
    pixels = pixels.intersected(page.rect());
    if (pixels.isEmpty())
        return false;
    int lightest = 0, darkest = 255;
    for (int y = pixels.top(); y <= pixels.bottom(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(page.constScanLine(y));
        for (int x = pixels.left(); x <= pixels.right(); ++x) {
            const int shade = qGray(line[x]);
            lightest = std::max(lightest, shade);
            darkest = std::min(darkest, shade);
        }
        if (lightest - darkest >= kLeastContrast)
            return true;
    }
    return false;
}

} // namespace orvex::annex
