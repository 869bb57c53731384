#include "gui/ToolsTab.h"

#include "gui/NamedWidgets.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QPushButton>

namespace orvex::gui {

ToolsTab::ToolsTab(QWidget* parent) : QWidget(parent)
{
    auto* grid = new QGridLayout(this);
    grid->addWidget(named<QPushButton>("cmdCheckDuplicates", QStringLiteral("Check Duplicates")), 0, 0);
    grid->addWidget(named<QPushButton>("cmdDeleteDuplicates", QStringLiteral("Delete Duplicates")), 0, 1);
    m_chkFixFormat = named<QCheckBox>("chkFixFormat", QStringLiteral("Fix Format 1"));
    grid->addWidget(m_chkFixFormat, 1, 0);
    const char* tableNames[] = {"cmdICD_0", "cmdICD_1", "cmdICD_2", "cmdICD_3"};
    const QString tableCaptions[] = {QStringLiteral("tbICDDiagMain"), QStringLiteral("tbIcdDiagChapter"),
                                     QStringLiteral("tbIcdDiagSubChapter"), QStringLiteral("tbIcdDiag3Code")};
    for (int i = 0; i < 4; ++i)
        grid->addWidget(notInBuild(named<QPushButton>(tableNames[i], tableCaptions[i])), 2 + i, 0);
    grid->setColumnStretch(2, 1);
    grid->setRowStretch(6, 1);
}

} // namespace orvex::gui
