// The controls of the main window, each under its own name, with its caption and default.
#include "gui/ClickableLabel.h"
#include "gui/FrmIcd.h"
#include "gui/NamedWidgets.h"
#include "gui/OnlineUpdateTab.h"
#include "gui/ReportListView.h"
#include "gui/ToolsTab.h"
#include "gui/Update2024Tab.h"

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
QPushButton* button(const char* name, const QString& caption, QWidget* parent = nullptr)
{
    return named<QPushButton>(name, caption, parent);
}

QLabel* label(const char* name, const QString& caption, QWidget* parent = nullptr)
{
    return named<QLabel>(name, caption, parent);
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
    m_toolsTab = new ToolsTab;
    m_chkFixFormat = m_toolsTab->chkFixFormat();
    m_onlineUpdateTab = new OnlineUpdateTab;
    m_update2024Tab = new Update2024Tab;
    m_tabs->addTab(m_toolsTab, QStringLiteral("Tools"));
    m_tabs->addTab(m_onlineUpdateTab, QStringLiteral("Online Update"));
    m_tabs->addTab(m_update2024Tab, QStringLiteral("Update 2024"));
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

} // namespace orvex::gui
