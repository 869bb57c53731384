#include "gui/WindowLook.h"

#include <QTabWidget>

namespace orvex::gui {

QFont windowFont()
{
    QFont font(QStringLiteral("Tahoma"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(9.75);
    return font;
}

void setTabHeight(QTabWidget* tabs, int heightPx)
{
    tabs->setStyleSheet(QStringLiteral("QTabBar::tab { height: %1px; }").arg(heightPx));
}

} // namespace orvex::gui
