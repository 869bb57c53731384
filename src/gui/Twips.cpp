#include "gui/Twips.h"

#include <QWidget>

namespace orvex::gui {

Twips Twips::of(const QWidget* widget)
{
    return Twips(widget ? widget->logicalDpiX() : 96.0);
}

} // namespace orvex::gui
