#pragma once

#include <QMessageBox>
#include <QString>
#include <QStringList>

#include <functional>

class QWidget;

namespace orvex::gui {

// Every message box of the window goes through here. In test mode nothing is shown: the
// text is recorded and the next queued answer (or the box's default) is returned at once,
// so no test ever waits on a modal dialog.
class MessageBoxes
{
public:
    // A plain box with an OK button, captioned "Kestra Orvex".
    static void information(QWidget* parent, const QString& text);
    // The same with a warning icon, for errors a user can act on.
    static void error(QWidget* parent, const QString& text);
    // A failure a run passed over, captioned "Application Error" (exclamation icon).
    static void applicationError(QWidget* parent, const QString& text);
    // A question; returns the button chosen.
    static QMessageBox::StandardButton question(QWidget* parent, const QString& text,
                                                QMessageBox::StandardButtons buttons,
                                                QMessageBox::StandardButton defaultButton);

    // Test seam.
    static void setTestMode(bool on);
    static bool testMode();
    static void queueAnswer(QMessageBox::StandardButton answer);
    static QStringList shown(); // texts of every box since the last clearShown()
    static void clearShown();
    // Called with the text of every box as test mode answers it: a test acts while a user
    // would read the question.
    static void setShownHook(std::function<void(const QString&)> hook);

    static QString title();
};

} // namespace orvex::gui
