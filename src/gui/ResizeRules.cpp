#include "gui/ResizeRules.h"

namespace orvex::gui {

namespace {
// A negative size cannot be applied: the step is skipped.
void setIfPossible(int& target, int value)
{
    if (value >= 0)
        target = value;
}

void setWidth(QSize& size, int value)
{
    int w = size.width();
    setIfPossible(w, value);
    size.setWidth(w);
}

void setHeight(QSize& size, int value)
{
    int h = size.height();
    setIfPossible(h, value);
    size.setHeight(h);
}
} // namespace

FollowingSizes applyResizeRules(int width, int height, const FixedPositions& at, FollowingSizes s)
{
    setWidth(s.tab, width - at.tabLeft - kRightMarginTwips);
    setHeight(s.tab, height - at.tabTop - kBottomMarginTwips);

    setWidth(s.frame1, s.tab.width() - 1800);
    setHeight(s.frame1, s.tab.height() - 800);
    setWidth(s.frame2, s.tab.width() - 1800);
    setHeight(s.frame2, s.tab.height() - 800);

    setIfPossible(s.sourceFilesHeight, s.frame1.height() - 800);

    // lsvNewCode's size; the other three lists of the tab take it as it is.
    setWidth(s.icdLists, s.frame1.width() - at.icdListLeft - 250);
    setHeight(s.icdLists, s.frame1.height() - at.icdListTop - 200);

    setIfPossible(s.newCodePHWidth, s.frame2.width() - 800);
    setWidth(s.sameCodeDifDescPH, s.frame2.width() - 800);
    setHeight(s.sameCodeDifDescPH, s.frame2.height() - at.sameCodeDifDescPHTop - 200);
    return s;
}

} // namespace orvex::gui
