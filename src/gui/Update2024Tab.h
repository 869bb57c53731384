#pragma once

#include <QWidget>

class QCheckBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;

namespace orvex::gui {

class AnnexImportEntry;

// Tab "Update 2024": the yearly update (backup, update scripts), package cloning, the
// package-rate script and the log box txtLog. Each tool's wiring lives in a file of its own
// beside this one; the controls are found by objectName or through the accessors.
class Update2024Tab : public QWidget
{
    Q_OBJECT
public:
    explicit Update2024Tab(QWidget* parent = nullptr);

    QPushButton* cmdBackUPTables() const { return m_cmdBackUPTables; }
    QPushButton* cmdProcess() const { return m_cmdProcess; }
    QPushButton* cmdOpenReport() const { return m_cmdOpenReport; }
    QPushButton* cmdApply() const { return m_cmdApply; } // "Apply to database…"
    QPushButton* cmdUndoApply() const { return m_cmdUndoApply; }
    QLineEdit* txtCopySuffix() const { return m_txtCopySuffix; }
    QLineEdit* txtFileName() const { return m_txtFileName; }
    QCheckBox* chkTest() const { return m_chkTest; }
    QCheckBox* chkVerB() const { return m_chkVerB; }
    QCheckBox* chkUpdateDesc() const { return m_chkUpdateDesc; }
    QRadioButton* optVer2() const { return m_optVer2; }
    QPlainTextEdit* txtLog() const { return m_txtLog; }
    AnnexImportEntry* annexImport() const { return m_annexImport; } // "Import annex…"

    // "_TEST" while "Test Table" is checked, otherwise empty: the suffix of the tables the
    // update scripts address.
    QString testSuffix() const;
    static QString idleProcessCaption(); // of cmdProcess when no run is going

    // The review page "Open report" opens: the last update run's, or empty while a run goes
    // or when none was written. The button is enabled while the page is there.
    void setReviewPage(const QString& path);

private:
    void onTestTableClicked();
    void onVersion2Clicked();
    void onOpenReportClicked();

    QPushButton* m_cmdBackUPTables = nullptr;
    QPushButton* m_cmdProcess = nullptr;
    QPushButton* m_cmdOpenReport = nullptr;
    QPushButton* m_cmdApply = nullptr;
    QPushButton* m_cmdUndoApply = nullptr;
    QString m_reviewPage;
    QLineEdit* m_txtCopySuffix = nullptr;
    QLineEdit* m_txtFileName = nullptr;
    QCheckBox* m_chkTest = nullptr;
    QCheckBox* m_chkVerB = nullptr;
    QCheckBox* m_chkUpdateDesc = nullptr;
    QRadioButton* m_optVer2 = nullptr;
    QPlainTextEdit* m_txtLog = nullptr;
    AnnexImportEntry* m_annexImport = nullptr;
};

} // namespace orvex::gui
