#pragma once

// Helpers of the window tests: the seams switched to their test side, finding controls by
// name, and waiting for a scan without a clock.
#include "gui/FrmIcd.h"
#include "gui/JobRunner.h"
#include "gui/WindowServices.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QCheckBox>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QQueue>
#include <QRadioButton>
#include <QSemaphore>
#include <QStringList>
#include <QTabWidget>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

#include <atomic>

namespace orvex::test {

// The window's services with fakes: message boxes recorded and answered at once (a queued
// answer or the box's default), the desktop opener recorded instead of run, the PDF and
// settings file a test chooses. Lives longer than the window it is handed to.
class GuiSeams
{
public:
    GuiSeams()
    {
        m_services.showMessageBox = [this](const gui::WindowServices::MessageBox& box) {
            m_shown.append(box.text);
            const QMessageBox::StandardButton answer =
                m_answers.isEmpty() ? box.defaultButton : m_answers.dequeue();
            if (onShown)
                onShown(box.text); // a test acts while a user would read the box
            return answer;
        };
        m_services.openOnDesktop = [this](const QString& path, const gui::NotOpened& notOpened) {
            openedFolders.append(path);
            if (!desktopOpens)
                notOpened(QString());
        };
        m_services.choosePdf = [this](QWidget*) { return pdf; };
        m_services.askCentralPassword = [](QWidget*, const QString& server) -> std::optional<QString> {
            ADD_FAILURE() << "asked the password of " << server.toStdString();
            return std::nullopt;
        };
    }
    GuiSeams(const GuiSeams&) = delete;
    GuiSeams& operator=(const GuiSeams&) = delete;

    const gui::WindowServices& services() const { return m_services; }
    void setSettingsFile(const QString& iniFile) { m_services.settingsFile = iniFile; }
    // Paths go to the desktop's real opener, run as `launcher` (on Linux) instead of xdg-open.
    void useDesktopLauncher(const QString& launcher)
    {
        m_services.openOnDesktop = {};
        m_services.desktopLauncher = launcher;
    }

    QStringList messages() const { return m_shown; } // every box since the last clearShown()
    void clearShown() { m_shown.clear(); }
    void queueAnswer(QMessageBox::StandardButton answer) { m_answers.enqueue(answer); }

    std::function<void(const QString&)> onShown; // called with the text of every box
    QStringList openedFolders;
    bool desktopOpens = true; // false: no file browser could be launched
    QString pdf;              // what the file dialog gives; empty: cancelled

private:
    gui::WindowServices m_services;
    QStringList m_shown;
    QQueue<QMessageBox::StandardButton> m_answers;
};

// A desktop launcher in `folder` that behaves as xdg-open does: it writes the path it was
// handed to "opened.txt", then says `complaint` on standard error and exits with `exitCode`.
inline QString writeDesktopLauncher(const QString& folder, int exitCode, const QByteArray& complaint = {})
{
    const QString path = folder + QStringLiteral("/launcher.sh");
    QFile script(path);
    if (!script.open(QIODevice::WriteOnly))
        ADD_FAILURE() << "cannot write " << path.toStdString();
    script.write("#!/bin/sh\nprintf '%s' \"$1\" > \"$(dirname \"$0\")/opened.txt\"\n");
    if (!complaint.isEmpty())
        script.write("echo \"" + complaint + "\" >&2\n");
    script.write("exit " + QByteArray::number(exitCode) + "\n");
    script.close();
    script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return path;
}

// The control `name` of `window`; a test failure when it is missing.
template <class T> T* control(const QWidget& window, const char* name)
{
    T* found = window.findChild<T*>(QLatin1String(name));
    if (!found)
        ADD_FAILURE() << "no control " << name << " of the expected kind";
    return found;
}

// The text a label, text box or button `name` of `window` shows.
inline QString shownText(const QWidget& window, const char* name)
{
    if (auto* label = window.findChild<QLabel*>(QLatin1String(name)))
        return label->text();
    if (auto* box = window.findChild<QLineEdit*>(QLatin1String(name)))
        return box->text();
    return control<QAbstractButton>(window, name)->text();
}

// A click where a user would click: the middle of a button or label, the indicator of a
// check box or option button (only its indicator and text take clicks).
inline void click(QWidget* widget)
{
    ASSERT_NE(widget, nullptr);
    if (qobject_cast<QCheckBox*>(widget) || qobject_cast<QRadioButton*>(widget))
        QTest::mouseClick(widget, Qt::LeftButton, {}, QPoint(6, widget->height() / 2));
    else
        QTest::mouseClick(widget, Qt::LeftButton);
}

// Lets queued work of the window run until `done` holds. Not a clock: the limit only
// keeps a broken build from hanging the test run.
template <class Predicate> bool processEventsUntil(Predicate done)
{
    QDeadlineTimer limit(std::chrono::minutes(4));
    while (!done()) {
        if (limit.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

inline bool waitForScanEnd(const gui::FrmIcd& window)
{
    return processEventsUntil([&window] { return !window.isJobRunning(); });
}

// The window's job, if one runs, to its end: a user waits for the list to load.
inline void waitForJobOf(const QWidget& control)
{
    if (const auto* window = dynamic_cast<const gui::FrmIcd*>(control.window())) {
        EXPECT_TRUE(waitForScanEnd(*window));
    }
}

// A click on a button that starts a short job (a list load), then the job's end.
inline void clickAndWait(QWidget* button)
{
    click(button);
    if (button)
        waitForJobOf(*button);
}

// Holds a running scan right after line `atLine` (of the phase named `phase`, or of any step
// when it is empty) until a stop (or close) has been asked for, so a test can act in the
// middle of a run without depending on its speed.
class HoldScanAtLine
{
public:
    HoldScanAtLine(const gui::FrmIcd& window, int atLine, const QString& phase = {})
        : m_runner(window.jobRunner())
    {
        m_runner->setStepHook([this, runner = m_runner, atLine, phase](const jobs::JobProgress& progress) {
            if (progress.linesDone != atLine || (!phase.isEmpty() && progress.text != phase))
                return;
            m_reached.release();
            while (!runner->stopRequested())
                QThread::msleep(1);
        });
    }
    ~HoldScanAtLine() { m_runner->setStepHook({}); }

    // Processes events until the run is held at its line.
    bool waitUntilHeld()
    {
        return processEventsUntil([this] { return m_reached.tryAcquire(); });
    }

private:
    gui::JobRunner* m_runner;
    QSemaphore m_reached;
};

// What a user does to choose a source file: bring tab "ICD" to the front, click the row of
// lstSourceFiles, double-click it, and (unless `wait` is false) wait for the list to load.
// A row < 0 double-clicks below the rows.
inline void doubleClickSourceFile(const QWidget& window, int row, bool wait = true)
{
    auto* tabs = control<QTabWidget>(window, "SSTab1");
    auto* list = control<QAbstractItemView>(window, "lstSourceFiles");
    if (!tabs || !list)
        return;
    tabs->setCurrentIndex(0);
    QCoreApplication::processEvents();
    QPoint at(5, list->viewport()->height() - 5);
    if (row >= 0) {
        const QRect rect = list->visualRect(list->model()->index(row, 0));
        if (rect.isEmpty())
            ADD_FAILURE() << "row " << row << " of lstSourceFiles is not shown";
        at = QPoint(rect.left() + 4, rect.center().y());
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    }
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
    if (wait)
        waitForJobOf(window);
}

// Rows of a report-style list as (text, second column).
inline std::vector<reconcile::ResultRow> listRows(const QWidget& window, const char* name)
{
    std::vector<reconcile::ResultRow> rows;
    const auto* view = control<QAbstractItemView>(window, name);
    if (!view)
        return rows;
    const QAbstractItemModel* model = view->model();
    for (int r = 0; r < model->rowCount(); ++r)
        rows.push_back({model->index(r, 0).data().toString(),
                        model->columnCount() > 1 ? model->index(r, 1).data().toString() : QString()});
    return rows;
}

// Saves a picture of `widget` for the README into ORVEX_SCREENSHOT_DIR.
inline void saveScreenshot(QWidget* widget, const QString& name)
{
    QCoreApplication::processEvents();
    const QImage picture = widget->grab().toImage();
    ASSERT_FALSE(picture.isNull());
    const QString folder = qEnvironmentVariable("ORVEX_SCREENSHOT_DIR");
    EXPECT_TRUE(picture.save(QDir(folder).filePath(name), "PNG")) << name.toStdString();
}

} // namespace orvex::test

// Readable failure messages.
inline void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

namespace orvex::reconcile {
inline void PrintTo(const ResultRow& row, std::ostream* os)
{
    *os << '{' << row.text.toStdString() << " | " << row.second.toStdString() << '}';
}
} // namespace orvex::reconcile
