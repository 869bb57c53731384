#pragma once

#include "jobs/Job.h"

#include <QObject>
#include <QRect>

#include <array>

class QFrame;
class QLabel;
class QProgressBar;
class QPushButton;
class QWidget;

namespace orvex::gui {

class ClickableLabel;
class ElidedLabel;
class Twips;

// Which of the four result lists of tab "ICD" is shown.
enum class IcdView { NewCodes, SameCodeDescription, SameCodeDifDesc, SameDescDifCode };

// The fixed header of the main window above its tabs: the view labels with their counters
// and underlines, the source file, the buttons and the run's progress. Its controls are
// children of the window itself, at their design positions.
class WindowHeader : public QObject
{
    Q_OBJECT
public:
    explicit WindowHeader(QWidget* window);

    void place(const Twips& tw);

    QPushButton* cmdClose() const { return m_cmdClose; }
    QPushButton* cmdOpenFolder() const { return m_cmdOpenFolder; }
    QPushButton* cmdICDDLL() const { return m_cmdICDDLL; } // the ICD code search

    // Where the view labels and their counters are, in the window.
    QRect countersArea() const;

    void showUnderline(IcdView view);
    // "Source File: " and the name; the tool-tip gives the file's whole path.
    void setSourceFile(const QString& name, const QString& path);
    // A scan starts: its counters back to 0 and the progress bar over `lineCount` lines.
    void resetForScan(int lineCount);
    // The counters, the header's captions, the phase and the progress bar as a job reports them.
    void applyProgress(const jobs::JobProgress& batch);
    // No job runs: no phase is shown.
    void clearPhase();

signals:
    void viewChosen(orvex::gui::IcdView view);

private:
    struct ViewRow
    {
        ClickableLabel* label = nullptr;
        int left = 0, top = 0; // design position, twips
        QLabel* icdCounter = nullptr;
        QLabel* phCounter = nullptr;
        QFrame* underline = nullptr;
        int lineStart = 0, lineY = 0;
    };

    void build(QWidget* window);
    QLabel* counterLabel(jobs::Counter counter) const;

    QPushButton* m_cmdClose = nullptr;
    QPushButton* m_cmdOpenFolder = nullptr;
    QPushButton* m_cmdICDDLL = nullptr;
    ElidedLabel* m_lblSrc = nullptr;
    QLabel* m_label3 = nullptr;
    QLabel* m_label1 = nullptr;
    std::array<ViewRow, 5> m_viewRows;
    // lblnew, lblsame, lblDifDesc, lblDifCode, lblNewPH, lblsamePH, lblDifDescPH, lblNewRate
    std::array<QLabel*, 8> m_counters{};
    QLabel* m_lblCount = nullptr;
    QProgressBar* m_prgScan = nullptr;
    QLabel* m_lblPhase = nullptr;     // the running job's phase, which the progress bar counts
    std::array<QFrame*, 4> m_lines{}; // Line5 .. Line8
};

} // namespace orvex::gui
