#include "gui/ResizeRules.h"

#include <gtest/gtest.h>

using namespace orvex::gui;

namespace {

FollowingSizes designSizes()
{
    FollowingSizes s;
    s.tab = {14295, 7935};
    s.frame1 = {15255, 4935};
    s.frame2 = {13575, 6975};
    s.sourceFilesHeight = 3495;
    s.icdLists = {10155, 3735};
    s.newCodePHWidth = 10155;
    s.sameCodeDifDescPH = {10155, 2295};
    return s;
}

} // namespace

TEST(ResizeRules, eachStepReadsTheSizesBeforeIt)
{
    const FixedPositions at;
    const int width = 19650, height = 12255;
    const FollowingSizes s = applyResizeRules(width, height, at, designSizes());

    const int tabWidth = width - at.tabLeft - kRightMarginTwips;
    const int tabHeight = height - at.tabTop - kBottomMarginTwips;
    EXPECT_EQ(s.tab, QSize(tabWidth, tabHeight));
    EXPECT_EQ(s.frame1, QSize(tabWidth - 1800, tabHeight - 800));
    EXPECT_EQ(s.frame2, QSize(tabWidth - 1800, tabHeight - 800));
    EXPECT_EQ(s.sourceFilesHeight, tabHeight - 800 - 800);
    EXPECT_EQ(s.icdLists,
              QSize(tabWidth - 1800 - at.icdListLeft - 250, tabHeight - 800 - at.icdListTop - 200));
    EXPECT_EQ(s.newCodePHWidth, tabWidth - 1800 - 800);
    EXPECT_EQ(s.sameCodeDifDescPH,
              QSize(tabWidth - 1800 - 800, tabHeight - 800 - at.sameCodeDifDescPHTop - 200));
}

TEST(ResizeRules, stepsThatWouldGoNegativeAreSkippedAndTheRestGoOn)
{
    const FixedPositions at;
    const FollowingSizes before = designSizes();
    // Wide enough for the tab control and its frames, far too low for any height.
    const int width = at.tabLeft + kRightMarginTwips + 1800 + 5000;
    const FollowingSizes s = applyResizeRules(width, 300, at, before);

    EXPECT_EQ(s.tab, QSize(1800 + 5000, before.tab.height()));
    // The heights below follow the tab control's kept height.
    const int frameHeight = before.tab.height() - 800;
    EXPECT_EQ(s.frame1, QSize(5000, frameHeight));
    EXPECT_EQ(s.frame2, QSize(5000, frameHeight));
    EXPECT_EQ(s.sourceFilesHeight, frameHeight - 800);
    EXPECT_EQ(s.icdLists, QSize(5000 - at.icdListLeft - 250, frameHeight - at.icdListTop - 200));
    EXPECT_EQ(s.newCodePHWidth, 5000 - 800);
}

TEST(ResizeRules, aTinyWindowKeepsTheTabControlsSizeAndNothingGoesNegative)
{
    const FollowingSizes before = designSizes();
    const FollowingSizes s = applyResizeRules(30, 20, FixedPositions{}, before);
    EXPECT_EQ(s.tab, before.tab);
    EXPECT_EQ(s.frame1.width(), before.tab.width() - 1800);
    EXPECT_GE(s.frame1.height(), 0);
    EXPECT_GE(s.icdLists.width(), 0);
    EXPECT_GE(s.icdLists.height(), 0);
    EXPECT_GE(s.sameCodeDifDescPH.height(), 0);
}
