#include "gui/KeyboardUse.h"

#include <QGridLayout>
#include <QPushButton>
#include <QWidget>

#include <algorithm>
#include <tuple>

namespace orvex::gui {

namespace {
void collect(const QLayout* layout, QList<QWidget*>& order);

void collectItem(QLayoutItem* item, QList<QWidget*>& order)
{
    if (QWidget* widget = item->widget()) {
        if (widget->focusPolicy() & Qt::TabFocus)
            order.append(widget);
        else if (widget->layout()) // a frame or group of controls
            collect(widget->layout(), order);
    } else if (const QLayout* inner = item->layout()) {
        collect(inner, order);
    }
}

void collect(const QLayout* layout, QList<QWidget*>& order)
{
    struct Cell
    {
        int row, column, index;
    };
    QList<Cell> cells;
    const auto* grid = qobject_cast<const QGridLayout*>(layout);
    for (int i = 0; i < layout->count(); ++i) {
        int row = 0, column = i, rowSpan = 0, columnSpan = 0;
        if (grid)
            grid->getItemPosition(i, &row, &column, &rowSpan, &columnSpan);
        cells.append({row, column, i});
    }
    std::stable_sort(cells.begin(), cells.end(), [](const Cell& a, const Cell& b) {
        return std::tie(a.row, a.column) < std::tie(b.row, b.column);
    });
    for (const Cell& cell : std::as_const(cells))
        collectItem(layout->itemAt(cell.index), order);
}
} // namespace

void chainFocus(const QList<QWidget*>& widgets)
{
    for (qsizetype i = 1; i < widgets.size(); ++i)
        QWidget::setTabOrder(widgets[i - 1], widgets[i]);
}

QList<QWidget*> focusOrderOf(const QLayout* layout)
{
    QList<QWidget*> order;
    if (layout)
        collect(layout, order);
    return order;
}

void pressButtonsOnReturn(QWidget* window)
{
    // Outside dialogs Qt presses a focused button only on Space; an auto-default button
    // takes Return and Enter too.
    for (QPushButton* button : window->findChildren<QPushButton*>())
        button->setAutoDefault(true);
}

} // namespace orvex::gui
