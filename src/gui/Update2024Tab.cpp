#include "gui/Update2024Tab.h"

#include "gui/AnnexImportEntry.h"
#include "gui/ElidedLabel.h"
#include "gui/JobHost.h"
#include "gui/NamedWidgets.h"
#include "platform/ProgramFolder.h"
#include "review/ReviewRun.h"
#include "tools/PackageRates.h"
#include "tools/TableBackup.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTextCursor>

namespace orvex::gui {

namespace {
const QString kCopySuffix = tools::kDefaultCopySuffix;
const QString kTestSuffix = tools::kTestCopySuffix;

QLineEdit* textBox(const char* name, const QString& text)
{
    return named<QLineEdit>(name, text);
}
} // namespace

Update2024Tab::Update2024Tab(QWidget* window, JobHost& host, ScanTabs& scan)
    : m_window(window), m_host(host), m_scan(scan)
{
    build();
    m_annexImport = new AnnexImportEntry(this, host);
    fixColumnWidths();

    connect(m_chkTest, &QCheckBox::clicked, this, &Update2024Tab::onTestTableClicked);
    connect(m_optVer2, &QRadioButton::clicked, this, &Update2024Tab::onVersion2Clicked);
    connect(m_cmdOpenReport, &QPushButton::clicked, this, &Update2024Tab::onOpenReportClicked);
    connect(m_cmdBackUPTables, &QPushButton::clicked, this, &Update2024Tab::onBackupClicked);
    connect(m_cmdProcess, &QPushButton::clicked, this, &Update2024Tab::onProcessClicked);
    connect(m_cmdApply, &QPushButton::clicked, this, &Update2024Tab::onApplyClicked);
    connect(m_cmdUndoApply, &QPushButton::clicked, this, &Update2024Tab::onUndoApplyClicked);
    connect(m_cmdUpdateMedPackage, &QPushButton::clicked, this, &Update2024Tab::updateMedPackage);
    connect(m_cmdCreateNewPackage, &QPushButton::clicked, this, [this] { createNewPackage(false); });
    connect(m_cmdCreateNewPackageProc, &QPushButton::clicked, this, [this] { createNewPackage(true); });
    refreshApplyButtons();
    // The page of the last run, when the output folder holds one: it can be opened before
    // its run is applied, as "Apply to database…" can.
    setReviewPage(review::reviewPagePath(ProgramFolder::outputFolder()));
}

void Update2024Tab::build()
{
    auto* grid = new QGridLayout(this);

    m_cmdBackUPTables =
        named<QPushButton>("cmdBackUPTables", QStringLiteral("Step1. Create table copies on"));
    m_txtCopySuffix = textBox("txtCopySuffix", kCopySuffix);
    m_chkTest = named<QCheckBox>("chkTest", QStringLiteral("Test Table"));
    m_optVer2 = named<QRadioButton>("optVer2", QStringLiteral("Version 2"));
    m_chkVerB = named<QCheckBox>("chkVerB", QStringLiteral("Philhealth Ver B."));
    grid->addWidget(m_cmdBackUPTables, 0, 0);
    grid->addWidget(m_txtCopySuffix, 0, 1);
    grid->addWidget(m_chkTest, 0, 2);
    grid->addWidget(m_optVer2, 0, 3);
    grid->addWidget(m_chkVerB, 0, 4);

    m_cmdProcess = named<QPushButton>("cmdProcess", idleProcessCaption());
    m_txtFileName = textBox("txtFileName", QStringLiteral("ICD PH 2024"));
    grid->addWidget(m_cmdProcess, 1, 0);
    grid->addWidget(m_txtFileName, 1, 1);
    grid->addWidget(named<QLabel>("Label5", QStringLiteral("previous rates as of")), 1, 2);
    m_cboYear = named<QComboBox>("cboYear");
    m_cboYear->setEditable(true);
    m_cboYear->setEditText(QStringLiteral("2023"));
    grid->addWidget(m_cboYear, 1, 3);
    grid->addWidget(textBox("txtSuffix", QStringLiteral("_2023")), 1, 4);
    m_chkUpdateDesc = named<QCheckBox>("chkUpdateDesc", QStringLiteral("Update Descriptions"));
    grid->addWidget(m_chkUpdateDesc, 1, 5);
    m_cmdOpenReport = named<QPushButton>("cmdOpenReport", QStringLiteral("Open report"));
    m_cmdOpenReport->setEnabled(false);
    m_cmdApply = named<QPushButton>("cmdApply", QStringLiteral("Apply to database…"));
    m_cmdApply->setEnabled(false); // until a run record is there
    m_cmdUndoApply = named<QPushButton>("cmdUndoApply", QStringLiteral("Undo last apply"));
    m_cmdUndoApply->setEnabled(false); // until an apply wrote its undo file
    // The review of a run, its apply and the way back, at the end of Step 2's row and below.
    auto* reviewButtons = new QHBoxLayout;
    reviewButtons->addWidget(m_cmdOpenReport);
    reviewButtons->addWidget(m_cmdApply);
    grid->addLayout(reviewButtons, 1, 6, Qt::AlignLeft);
    grid->addWidget(m_cmdUndoApply, 2, 6, Qt::AlignRight);

    m_cmdUpdateMedPackage = named<QPushButton>(
        "cmdUpdateMedPackage", QStringLiteral("Update MedPackage by%: (generates script only) "));
    grid->addWidget(m_cmdUpdateMedPackage, 2, 0);
    m_txtUpdateMedPackage = textBox("txtUpdateMedPackage", QStringLiteral("30"));
    grid->addWidget(m_txtUpdateMedPackage, 2, 1);
    // The box holds the digits after the decimal point: "5" means +50 %, not +5 %.
    auto* factor = named<ElidedLabel>("lblUpdateMedPackageFactor");
    grid->addWidget(factor, 2, 2);
    auto showFactor = [percent = m_txtUpdateMedPackage, factor] {
        factor->setText(tools::rateFactorCaption(percent->text()));
    };
    connect(m_txtUpdateMedPackage, &QLineEdit::textChanged, factor, showFactor);
    showFactor();

    m_cmdCreateNewPackage =
        named<QPushButton>("cmdCreateNewPackage", QStringLiteral("Create new package for ICD:"));
    grid->addWidget(m_cmdCreateNewPackage, 3, 0);
    m_txtICDSplit = textBox("txtICDSplit", QString());
    grid->addWidget(m_txtICDSplit, 3, 1);
    grid->addWidget(textBox("Text1", QStringLiteral("O15.2  N83.1 Q03.8  P56.0 P56.9 ")), 3, 2, 1, 3);

    m_cmdCreateNewPackageProc =
        named<QPushButton>("cmdCreateNewPackageProc", QStringLiteral("Create new package for RVSID:"));
    grid->addWidget(m_cmdCreateNewPackageProc, 4, 0);
    m_txtRVSSplit = textBox("txtRVSSplit", QString());
    grid->addWidget(m_txtRVSSplit, 4, 1);
    grid->addWidget(textBox("Text2", QStringLiteral("77401")), 4, 2);

    // The tool writes the log box and every Step 2 run records what it holds: nobody types
    // into it, and Tab moves on to the next control.
    m_txtLog = named<QPlainTextEdit>("txtLog");
    m_txtLog->setReadOnly(true);
    m_txtLog->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_txtLog->setTabChangesFocus(true);
    m_txtLog->setLineWrapMode(QPlainTextEdit::NoWrap); // both scroll bars
    m_txtLog->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_txtLog->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    grid->addWidget(m_txtLog, 5, 0, 1, 7);
    grid->setRowStretch(5, 1);
    grid->setColumnStretch(6, 1);
}

// Each control keeps the width its caption needs now, when no job runs: a caption that
// turns into "Stop" keeps its column, and the status texts (which ask for no room) are cut
// rather than pushing the controls aside. The layout then has the same needs whatever the
// texts say, so it places every control where it was, also in a window too narrow for all.
void Update2024Tab::fixColumnWidths()
{
    const QLayout* grid = layout();
    for (int i = 0; i < grid->count(); ++i) {
        QWidget* control = grid->itemAt(i)->widget();
        if (control && control->sizePolicy().horizontalPolicy() != QSizePolicy::Ignored)
            control->setMinimumWidth(control->sizeHint().width());
    }
}

QString Update2024Tab::idleProcessCaption()
{
    return QStringLiteral("Step 2. Create update scripts");
}

QString Update2024Tab::testSuffix() const
{
    return m_txtCopySuffix->toolTip();
}

// What starts a job of this tab, or is read by one when it starts.
void Update2024Tab::setJobRunning(bool running)
{
    for (QWidget* control : std::initializer_list<QWidget*>{
             m_cmdBackUPTables, m_txtCopySuffix, m_chkTest, m_optVer2, m_chkVerB, m_cmdProcess, m_txtFileName,
             m_chkUpdateDesc, m_cmdUpdateMedPackage, m_txtUpdateMedPackage, m_cboYear, m_cmdCreateNewPackage,
             m_txtICDSplit, m_cmdCreateNewPackageProc, m_txtRVSSplit, m_annexImport->button(), m_cmdApply,
             m_cmdUndoApply})
        control->setEnabled(!running);
    if (!running)
        refreshApplyButtons(); // only where there is something to apply
}

void Update2024Tab::applyProgress(const jobs::JobProgress& batch)
{
    if (batch.logLines.isEmpty())
        return;
    // The log box gets each line as its old text, a line break and the line.
    QTextCursor cursor(m_txtLog->document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(QLatin1Char('\n') + batch.logLines.join(QLatin1Char('\n')));
}

// The copies are named after the suffix; the tool-tip carries the suffix that aims the
// update scripts at the test copies.
void Update2024Tab::onTestTableClicked()
{
    const bool test = m_chkTest->isChecked();
    m_txtCopySuffix->setText(test ? kTestSuffix : kCopySuffix);
    m_txtCopySuffix->setToolTip(test ? kTestSuffix : QString());
}

void Update2024Tab::onVersion2Clicked()
{
    m_txtFileName->setText(QStringLiteral("ICD PH 2024 v2"));
    m_txtCopySuffix->setText(tools::kVersion2CopySuffix);
}

void Update2024Tab::setReviewPage(const QString& path)
{
    m_reviewPage = path;
    m_cmdOpenReport->setEnabled(!path.isEmpty() && QFileInfo::exists(path));
}

void Update2024Tab::onOpenReportClicked()
{
    const QString page = m_reviewPage;
    m_host.services().open(page, this, [this, page](const QString& reason) {
        m_host.services().error(
            this,
            WindowServices::withReason(QStringLiteral("No program could be started to show \"%1\". Open it "
                                                      "in a web browser.")
                                           .arg(QDir::toNativeSeparators(page)),
                                       reason));
    });
}

} // namespace orvex::gui
