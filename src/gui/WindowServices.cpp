#include "gui/WindowServices.h"

#include "db/SignIn.h"
#include "platform/ProgramFolder.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QLineEdit>

namespace orvex::gui {

QString WindowServices::title()
{
    return QStringLiteral("Kestra Orvex");
}

QMessageBox::StandardButton WindowServices::show(const MessageBox& box) const
{
    if (showMessageBox)
        return showMessageBox(box);
    QMessageBox shown(box.icon, box.caption, box.text, box.buttons, box.parent);
    shown.setDefaultButton(box.defaultButton);
    return static_cast<QMessageBox::StandardButton>(shown.exec());
}

void WindowServices::information(QWidget* parent, const QString& text) const
{
    show({parent, QMessageBox::NoIcon, title(), text});
}

void WindowServices::error(QWidget* parent, const QString& text) const
{
    show({parent, QMessageBox::Warning, title(), text});
}

void WindowServices::applicationError(QWidget* parent, const QString& text) const
{
    show({parent, QMessageBox::Warning, QStringLiteral("Application Error"), text});
}

QMessageBox::StandardButton WindowServices::question(QWidget* parent, const QString& text,
                                                     QMessageBox::StandardButtons buttons,
                                                     QMessageBox::StandardButton defaultButton) const
{
    return show({parent, QMessageBox::Question, title(), text, buttons, defaultButton});
}

void WindowServices::open(const QString& path, QObject* context, const NotOpened& notOpened) const
{
    if (openOnDesktop)
        openOnDesktop(path, notOpened);
    else
        gui::openOnDesktop(path, desktopLauncher, context, notOpened); // the tool does not wait for it
}

QString WindowServices::withReason(const QString& text, const QString& reason)
{
    return reason.isEmpty() ? text : text + QStringLiteral("\n\nThe desktop said: ") + reason;
}

void WindowServices::openOrShowPath(QWidget* parent, const QString& path) const
{
    open(path, parent, [services = *this, parent, path](const QString& reason) {
        services.information(
            parent, withReason(QStringLiteral("No program could be started to show \"%1\". Open it from "
                                              "the folder:\n%2")
                                   .arg(QFileInfo(path).fileName(),
                                        QDir::toNativeSeparators(QFileInfo(path).absolutePath())),
                               reason));
    });
}

QString WindowServices::pdfToImport(QWidget* parent) const
{
    if (choosePdf)
        return choosePdf(parent);
    return QFileDialog::getOpenFileName(parent, QStringLiteral("Import annex"), ProgramFolder::path(),
                                        QStringLiteral("PDF files (*.pdf)"));
}

std::optional<QString> WindowServices::centralPassword(QWidget* parent, const QString& server) const
{
    if (askCentralPassword)
        return askCentralPassword(parent, server);
    bool ok = false;
    const QString password = QInputDialog::getText(
        parent, title(), QStringLiteral("Password for the central update server %1:").arg(server),
        QLineEdit::Password, QString(), &ok);
    return ok ? std::optional(password) : std::nullopt;
}

std::unique_ptr<db::SignInSettings> WindowServices::signInSettings() const
{
    return settingsFile.isEmpty() ? std::make_unique<db::SignInSettings>()
                                  : std::make_unique<db::SignInSettings>(settingsFile);
}

} // namespace orvex::gui
