#pragma once

#include "gui/DesktopLauncher.h"

#include <QDateTime>
#include <QMessageBox>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

class QWidget;

namespace orvex::db {
class SignInSettings;
}

namespace orvex::gui {

// What the window asks of the desktop around it: message boxes, the file and password
// dialogs, the file browser, the saved settings, the clock. A default-made object is the
// real desktop; tests hand the window one whose functions are their fakes, so no test
// ever waits on a modal dialog or launches a program.
class WindowServices
{
public:
    struct MessageBox
    {
        QWidget* parent = nullptr;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QString caption;
        QString text;
        QMessageBox::StandardButtons buttons = QMessageBox::Ok;
        QMessageBox::StandardButton defaultButton = QMessageBox::Ok;
    };
    using MessageBoxShower = std::function<QMessageBox::StandardButton(const MessageBox& box)>;
    // Hands a file or folder to the desktop; calls `notOpened` (at once or later, from the
    // event loop) when nothing could open it.
    using DesktopOpener = std::function<void(const QString& path, const NotOpened& notOpened)>;
    using PdfChooser = std::function<QString(QWidget* parent)>; // empty: cancelled
    // The central server's password; empty optional: the user cancelled.
    using PasswordPrompt = std::function<std::optional<QString>(QWidget* parent, const QString& server)>;

    // Each one empty: the desktop's own.
    MessageBoxShower showMessageBox;
    DesktopOpener openOnDesktop;
    PdfChooser choosePdf;
    PasswordPrompt askCentralPassword;
    QString desktopLauncher;          // on Linux, the program handed a path to open; empty: xdg-open
    QString settingsFile;             // the saved sign-in and central-server profiles; empty: the user's
    std::function<QDateTime()> clock; // of the jobs the window runs

    static QString title(); // "Kestra Orvex", the caption of every box
    // `text`, followed by what the desktop's launcher said when there is anything.
    static QString withReason(const QString& text, const QString& reason);

    // A plain box with an OK button.
    void information(QWidget* parent, const QString& text) const;
    // The same with a warning icon, for errors a user can act on.
    void error(QWidget* parent, const QString& text) const;
    // A failure a run passed over, captioned "Application Error" (exclamation icon).
    void applicationError(QWidget* parent, const QString& text) const;
    // A question; returns the button chosen.
    QMessageBox::StandardButton question(QWidget* parent, const QString& text,
                                         QMessageBox::StandardButtons buttons,
                                         QMessageBox::StandardButton defaultButton) const;

    // `notOpened` runs unless `context` is gone by the time the failure is known.
    void open(const QString& path, QObject* context, const NotOpened& notOpened) const;
    // The same, with a box naming the file's path and the desktop's reason when it fails.
    void openOrShowPath(QWidget* parent, const QString& path) const;
    QString pdfToImport(QWidget* parent) const;
    std::optional<QString> centralPassword(QWidget* parent, const QString& server) const;
    std::unique_ptr<db::SignInSettings> signInSettings() const;

private:
    QMessageBox::StandardButton show(const MessageBox& box) const;
};

} // namespace orvex::gui
