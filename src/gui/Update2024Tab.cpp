#include "gui/Update2024Tab.h"

#include "gui/AnnexImportEntry.h"
#include "gui/NamedWidgets.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

namespace orvex::gui {

namespace {
QLineEdit* textBox(const char* name, const QString& text)
{
    return named<QLineEdit>(name, text);
}
} // namespace

Update2024Tab::Update2024Tab(QWidget* parent) : QWidget(parent)
{
    auto* grid = new QGridLayout(this);

    m_cmdBackUPTables =
        notInBuild(named<QPushButton>("cmdBackUPTables", QStringLiteral("Step1. Create table copies on")));
    m_txtCopySuffix = notInBuild(textBox("txtCopySuffix", QStringLiteral("_2_14_2024")));
    m_chkTest = notInBuild(named<QCheckBox>("chkTest", QStringLiteral("Test Table")));
    m_optVer2 = notInBuild(named<QRadioButton>("optVer2", QStringLiteral("Version 2")));
    m_chkVerB = notInBuild(named<QCheckBox>("chkVerB", QStringLiteral("Philhealth Ver B.")));
    grid->addWidget(m_cmdBackUPTables, 0, 0);
    grid->addWidget(m_txtCopySuffix, 0, 1);
    grid->addWidget(m_chkTest, 0, 2);
    grid->addWidget(m_optVer2, 0, 3);
    grid->addWidget(m_chkVerB, 0, 4);

    m_cmdProcess =
        notInBuild(named<QPushButton>("cmdProcess", QStringLiteral("Step 2. Create update scripts")));
    m_txtFileName = notInBuild(textBox("txtFileName", QStringLiteral("ICD PH 2024")));
    grid->addWidget(m_cmdProcess, 1, 0);
    grid->addWidget(m_txtFileName, 1, 1);
    grid->addWidget(named<QLabel>("Label5", QStringLiteral("previous rates as of")), 1, 2);
    auto* cboYear = named<QComboBox>("cboYear");
    cboYear->setEditable(true);
    cboYear->setEditText(QStringLiteral("2023"));
    grid->addWidget(notInBuild(cboYear), 1, 3);
    grid->addWidget(textBox("txtSuffix", QStringLiteral("_2023")), 1, 4);
    m_chkUpdateDesc = notInBuild(named<QCheckBox>("chkUpdateDesc", QStringLiteral("Update Descriptions")));
    grid->addWidget(m_chkUpdateDesc, 1, 5);

    grid->addWidget(
        notInBuild(named<QPushButton>("cmdUpdateMedPackage",
                                      QStringLiteral("Update MedPackage by%: (generates script only) "))),
        2, 0);
    grid->addWidget(notInBuild(textBox("txtUpdateMedPackage", QStringLiteral("30"))), 2, 1);

    grid->addWidget(
        notInBuild(named<QPushButton>("cmdCreateNewPackage", QStringLiteral("Create new package for ICD:"))),
        3, 0);
    grid->addWidget(notInBuild(textBox("txtICDSplit", QString())), 3, 1);
    grid->addWidget(textBox("Text1", QStringLiteral("O15.2  N83.1 Q03.8  P56.0 P56.9 ")), 3, 2, 1, 3);

    grid->addWidget(notInBuild(named<QPushButton>("cmdCreateNewPackageProc",
                                                  QStringLiteral("Create new package for RVSID:"))),
                    4, 0);
    grid->addWidget(notInBuild(textBox("txtRVSSplit", QString())), 4, 1);
    grid->addWidget(textBox("Text2", QStringLiteral("77401")), 4, 2);

    m_txtLog = named<QPlainTextEdit>("txtLog");
    m_txtLog->setLineWrapMode(QPlainTextEdit::NoWrap); // both scroll bars
    m_txtLog->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_txtLog->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    grid->addWidget(m_txtLog, 5, 0, 1, 7);
    grid->setRowStretch(5, 1);
    grid->setColumnStretch(6, 1);

    m_annexImport = new AnnexImportEntry(this);
}

} // namespace orvex::gui
