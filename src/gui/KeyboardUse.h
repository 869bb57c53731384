#pragma once

#include <QList>

class QLayout;
class QWidget;

namespace orvex::gui {

// Tab walks `widgets` in the given order (each one follows the one before it).
void chainFocus(const QList<QWidget*>& widgets);

// The controls Tab reaches under `layout`, in the order it shows them: a grid row by row
// and left to right, any other layout in its own order, nested layouts in their place.
QList<QWidget*> focusOrderOf(const QLayout* layout);

// Return and keypad Enter press every push button of `window` that has the focus, as
// Space does.
void pressButtonsOnReturn(QWidget* window);

} // namespace orvex::gui
