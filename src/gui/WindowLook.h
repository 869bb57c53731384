#pragma once

#include <QFont>

class QTabWidget;

namespace orvex::gui {

// The window's font: Tahoma 9.75 pt where it is installed, otherwise the closest sans-serif
// face at the same size (the style hint lets font matching pick one instead of a serif).
QFont windowFont();

// Every tab of the strip gets the same fixed height, in pixels.
void setTabHeight(QTabWidget* tabs, int heightPx);

} // namespace orvex::gui
