#include "gui/OnlineUpdateTab.h"

#include "gui/NamedWidgets.h"

#include <QGridLayout>
#include <QPushButton>
#include <QTableWidget>

namespace orvex::gui {

OnlineUpdateTab::OnlineUpdateTab(QWidget* parent) : QWidget(parent)
{
    auto* grid = new QGridLayout(this);
    grid->addWidget(notInBuild(named<QPushButton>("cmdCheckOnline", QStringLiteral("Check Online"))), 0, 0);
    grid->addWidget(notInBuild(named<QPushButton>("cmdUpdateDB", QStringLiteral("Update DB"))), 0, 1);
    grid->addWidget(notInBuild(named<QTableWidget>("GridU")), 1, 0, 1, 3);
    grid->setColumnStretch(2, 1);
    grid->setRowStretch(1, 1);
}

} // namespace orvex::gui
