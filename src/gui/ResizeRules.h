#pragma once

#include <QSize>

namespace orvex::gui {

// The sizes that follow the window, in twips. Positions never change on resize.
struct FollowingSizes
{
    QSize tab;                 // SSTab1
    QSize frame1;              // Frame1 (tab "ICD")
    QSize frame2;              // Frame2 (tab "PH ICD Case Rates")
    int sourceFilesHeight = 0; // lstSourceFiles (its width stays)
    QSize icdLists;            // the four result lists of tab "ICD", all alike
    int newCodePHWidth = 0;    // lsvNewCodePH (its height stays)
    QSize sameCodeDifDescPH;   // lsvSameCodeDifDescPH
};

// The fixed positions the rules read, in twips.
struct FixedPositions
{
    int tabLeft = 120;
    int tabTop = 2400;
    int icdListLeft = 3000; // set at start-up
    int icdListTop = 720;
    int sameCodeDifDescPHTop = 3120;
};

// Margins between the window's inner area and the tab control. The rules were made for
// the whole window (400 wide, 1200 high, frame and title bar included); measured on the
// inner area they shrink by the frame (2 x 60) and by the title bar with the frame (405).
inline constexpr int kRightMarginTwips = 400 - 120;
inline constexpr int kBottomMarginTwips = 1200 - 405;

// One resize of a window whose inner area is `width` by `height` twips. Each step reads
// what the steps before it set; a step whose result would be negative is skipped and the
// next ones go on with the sizes as they stand.
FollowingSizes applyResizeRules(int width, int height, const FixedPositions& at, FollowingSizes sizes);

} // namespace orvex::gui
