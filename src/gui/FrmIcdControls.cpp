// The controls of the main window, each under its own name, with its caption and default.
#include "gui/ClickableLabel.h"
#include "gui/FrmIcd.h"
#include "gui/ReportListView.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

namespace orvex::gui {

namespace {
const QString kNotInBuild = QStringLiteral("This tool is not in this build yet.");

template <class W, class... Args> W* named(const char* name, Args&&... args)
{
    auto* w = new W(std::forward<Args>(args)...);
    w->setObjectName(QLatin1String(name));
    return w;
}

QPushButton* button(const char* name, const QString& caption, QWidget* parent = nullptr)
{
    return named<QPushButton>(name, caption, parent);
}

QLabel* label(const char* name, const QString& caption, QWidget* parent = nullptr)
{
    return named<QLabel>(name, caption, parent);
}

QLineEdit* textBox(const char* name, const QString& text)
{
    return named<QLineEdit>(name, text);
}

// Controls of tools that a later build wires stay visible but cannot be used yet.
template <class W> W* notInBuild(W* widget)
{
    widget->setEnabled(false);
    widget->setToolTip(kNotInBuild);
    return widget;
}

QFrame* underline(const char* name, QWidget* parent)
{
    auto* line = named<QFrame>(name, parent);
    line->setAutoFillBackground(true);
    QPalette palette = line->palette();
    palette.setColor(QPalette::Window, QColor(78, 69, 243));
    line->setPalette(palette);
    line->hide();
    return line;
}
} // namespace

void FrmIcd::buildHeader()
{
    m_cmdClose = button("cmdClose", QStringLiteral("&Close"), this);
    m_cmdOpenFolder = button("cmdOpenFolder", QStringLiteral("Open &Output Folder"), this);
    m_cmdICDDLL = notInBuild(button("cmdICDDLL", QStringLiteral("&View ICD DB"), this));
    m_lblSrc = label("lblSrc", QStringLiteral("Select Source File"), this);
    m_label3 = label("Label3", QStringLiteral("Click on description below to see items..."), this);
    m_label1 = label("Label1", QStringLiteral("Philhealth"), this);

    auto counter = [this](const char* name) { return label(name, QStringLiteral("0"), this); };
    m_lblnew = counter("lblnew");
    m_lblsame = counter("lblsame");
    m_lblDifDesc = counter("lblDifDesc");
    m_lblDifCode = counter("lblDifCode");
    m_lblNewPH = counter("lblNewPH");
    m_lblsamePH = counter("lblsamePH");
    m_lblDifDescPH = counter("lblDifDescPH");
    m_lblNewRate = counter("lblNewRate");
    m_lblCount = counter("lblCount");

    m_prgScan = named<QProgressBar>("prgScan", this);
    m_prgScan->setRange(0, 1);
    m_prgScan->setValue(0);
    m_prgScan->setTextVisible(false);

    m_lines = {underline("Line5", this), underline("Line6", this), underline("Line7", this),
               underline("Line8", this)};

    auto viewLabel = [this](const char* name, const QString& caption) {
        auto* l = named<ClickableLabel>(name, caption, this);
        return l;
    };
    // View label, design position, counters, underline from (lineStart, lineY) to 3600.
    m_viewRows = {{
        {viewLabel("lblnewCode_3", QStringLiteral("New Codes:")), 2520, 600, m_lblnew, m_lblNewPH, m_lines[0],
         2520, 840},
        {viewLabel("lblSameDescription_0", QStringLiteral("Same Code and Description:")), 900, 960, m_lblsame,
         m_lblsamePH, m_lines[1], 630, 1245},
        {viewLabel("lbldifferentdesc_1", QStringLiteral("Same Code different Description:")), 405, 1335,
         m_lblDifDesc, m_lblDifDescPH, m_lines[2], 240, 1650},
        {viewLabel("lblDifferentCode_2", QStringLiteral("Same Description different Code:")), 405, 1695,
         m_lblDifCode, nullptr, m_lines[3], 240, 2040},
        {viewLabel("lblnewCode_0", QStringLiteral("New Rates")), 2520, 2065, nullptr, m_lblNewRate, nullptr,
         0, 0},
    }};
}

void FrmIcd::buildTabs()
{
    m_tabs = named<QTabWidget>("SSTab1", this);
    m_tabs->setUsesScrollButtons(false);
    m_tabs->addTab(buildIcdTab(), QStringLiteral("ICD"));
    m_tabs->addTab(buildPhTab(), QStringLiteral("PH ICD Case Rates"));
    m_tabs->addTab(buildToolsTab(), QStringLiteral("Tools"));
    m_tabs->addTab(buildOnlineTab(), QStringLiteral("Online Update"));
    m_tabs->addTab(buildUpdate2024Tab(), QStringLiteral("Update 2024"));
    m_tabs->setCurrentIndex(4); // the window opens with "Update 2024" in front
}

QWidget* FrmIcd::buildIcdTab()
{
    auto* page = new QWidget;
    m_frame1 = named<QGroupBox>("Frame1", page);
    m_label2 =
        label("Label2", QStringLiteral("Double-click ICD source file below then click Go Scan.->"), m_frame1);
    m_cmdScan = button("cmdScan", idleCaption(false), m_frame1);
    m_lstSourceFiles =
        new ReportListView(QStringLiteral("lstSourceFiles"), {QStringLiteral("Source Files")}, m_frame1);
    m_lstSourceFiles->viewport()->installEventFilter(this);

    m_icdLists = {
        new ReportListView(QStringLiteral("lsvNewCode"), {QStringLiteral("New Code")}, m_frame1),
        new ReportListView(QStringLiteral("lsvSameCodeDescription"),
                           {QStringLiteral("Same Code and Description"), QString(), QString()}, m_frame1),
        new ReportListView(
            QStringLiteral("lsvSameCodeDifDesc"),
            {QStringLiteral("Same Code different Description (DB)"), QStringLiteral("Source File")},
            m_frame1),
        new ReportListView(
            QStringLiteral("lsvSameDescDifCode"),
            {QStringLiteral("Same Description different Code (DB)"), QStringLiteral("Source File")},
            m_frame1),
    };
    return page;
}

QWidget* FrmIcd::buildPhTab()
{
    auto* page = new QWidget;
    m_frame2 = named<QGroupBox>("Frame2", page);
    m_label4 = label("Label4", QStringLiteral("Click Load Update then click Scan."), m_frame2);
    m_cmdLoadUpdate = button("cmdLoadUpdate", QStringLiteral("Load Update"), m_frame2);
    m_cmdScanPH = button("cmdScanPH", idleCaption(true), m_frame2);
    m_lblHeader = label("lblHeader", QStringLiteral("Header"), m_frame2);
    m_lblPackageID = label("lblPackageID", QString(), m_frame2);
    m_lsvNewCodePH =
        new ReportListView(QStringLiteral("lsvNewCodePH"), {QStringLiteral("New Code")}, m_frame2);
    m_lsvSameCodeDifDescPH = new ReportListView(
        QStringLiteral("lsvSameCodeDifDescPH"),
        {QStringLiteral("Same Code different Description (DB)"), QStringLiteral("Source File")}, m_frame2);
    return page;
}

QWidget* FrmIcd::buildToolsTab()
{
    auto* page = new QWidget;
    auto* grid = new QGridLayout(page);
    grid->addWidget(notInBuild(button("cmdCheckDuplicates", QStringLiteral("Check Duplicates"))), 0, 0);
    grid->addWidget(notInBuild(button("cmdDeleteDuplicates", QStringLiteral("Delete Duplicates"))), 0, 1);
    m_chkFixFormat = named<QCheckBox>("chkFixFormat", QStringLiteral("Fix Format 1"));
    grid->addWidget(m_chkFixFormat, 1, 0);
    const char* tableNames[] = {"cmdICD_0", "cmdICD_1", "cmdICD_2", "cmdICD_3"};
    const QString tableCaptions[] = {QStringLiteral("tbICDDiagMain"), QStringLiteral("tbIcdDiagChapter"),
                                     QStringLiteral("tbIcdDiagSubChapter"), QStringLiteral("tbIcdDiag3Code")};
    for (int i = 0; i < 4; ++i)
        grid->addWidget(notInBuild(button(tableNames[i], tableCaptions[i])), 2 + i, 0);
    grid->setColumnStretch(2, 1);
    grid->setRowStretch(6, 1);
    return page;
}

QWidget* FrmIcd::buildOnlineTab()
{
    auto* page = new QWidget;
    auto* grid = new QGridLayout(page);
    grid->addWidget(notInBuild(button("cmdCheckOnline", QStringLiteral("Check Online"))), 0, 0);
    grid->addWidget(notInBuild(button("cmdUpdateDB", QStringLiteral("Update DB"))), 0, 1);
    grid->addWidget(notInBuild(named<QTableWidget>("GridU")), 1, 0, 1, 3);
    grid->setColumnStretch(2, 1);
    grid->setRowStretch(1, 1);
    return page;
}

QWidget* FrmIcd::buildUpdate2024Tab()
{
    auto* page = new QWidget;
    auto* grid = new QGridLayout(page);

    grid->addWidget(notInBuild(button("cmdBackUPTables", QStringLiteral("Step1. Create table copies on"))), 0,
                    0);
    grid->addWidget(notInBuild(textBox("txtCopySuffix", QStringLiteral("_2_14_2024"))), 0, 1);
    grid->addWidget(notInBuild(named<QCheckBox>("chkTest", QStringLiteral("Test Table"))), 0, 2);
    grid->addWidget(notInBuild(named<QRadioButton>("optVer2", QStringLiteral("Version 2"))), 0, 3);
    grid->addWidget(notInBuild(named<QCheckBox>("chkVerB", QStringLiteral("Philhealth Ver B."))), 0, 4);

    grid->addWidget(notInBuild(button("cmdProcess", QStringLiteral("Step 2. Create update scripts"))), 1, 0);
    grid->addWidget(notInBuild(textBox("txtFileName", QStringLiteral("ICD PH 2024"))), 1, 1);
    grid->addWidget(label("Label5", QStringLiteral("previous rates as of")), 1, 2);
    auto* cboYear = named<QComboBox>("cboYear");
    cboYear->setEditable(true);
    cboYear->setEditText(QStringLiteral("2023"));
    grid->addWidget(notInBuild(cboYear), 1, 3);
    grid->addWidget(textBox("txtSuffix", QStringLiteral("_2023")), 1, 4);
    grid->addWidget(notInBuild(named<QCheckBox>("chkUpdateDesc", QStringLiteral("Update Descriptions"))), 1,
                    5);

    grid->addWidget(notInBuild(button("cmdUpdateMedPackage",
                                      QStringLiteral("Update MedPackage by%: (generates script only) "))),
                    2, 0);
    grid->addWidget(notInBuild(textBox("txtUpdateMedPackage", QStringLiteral("30"))), 2, 1);

    grid->addWidget(notInBuild(button("cmdCreateNewPackage", QStringLiteral("Create new package for ICD:"))),
                    3, 0);
    grid->addWidget(notInBuild(textBox("txtICDSplit", QString())), 3, 1);
    grid->addWidget(textBox("Text1", QStringLiteral("O15.2  N83.1 Q03.8  P56.0 P56.9 ")), 3, 2, 1, 3);

    grid->addWidget(
        notInBuild(button("cmdCreateNewPackageProc", QStringLiteral("Create new package for RVSID:"))), 4, 0);
    grid->addWidget(notInBuild(textBox("txtRVSSplit", QString())), 4, 1);
    grid->addWidget(textBox("Text2", QStringLiteral("77401")), 4, 2);

    auto* txtLog = named<QPlainTextEdit>("txtLog");
    txtLog->setLineWrapMode(QPlainTextEdit::NoWrap); // both scroll bars
    txtLog->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    txtLog->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    grid->addWidget(txtLog, 5, 0, 1, 7);
    grid->setRowStretch(5, 1);
    grid->setColumnStretch(6, 1);
    return page;
}

} // namespace orvex::gui
