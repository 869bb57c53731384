#include "gui/DesktopLauncher.h"

#include <QDesktopServices>
#include <QProcess>
#include <QUrl>

namespace orvex::gui {

#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
namespace {
// A desktop launcher that has a method opens the path quietly; what it prints on failure
// ("no method available for opening ...") is the reason the user is shown.
QString launcherReason(QProcess& process)
{
    return QString::fromLocal8Bit(process.readAllStandardError()).trimmed();
}
} // namespace
#endif

void openOnDesktop(const QString& path, const QString& launcher, QObject* context, const NotOpened& notOpened)
{
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    // QDesktopServices reports true as soon as xdg-open has started, whatever it finds; its
    // exit code is the only word on whether anything opened the path. No parent: the tool
    // must not end a viewer the launcher is still waiting on when it closes.
    auto* process = new QProcess;
    process->setProgram(launcher.isEmpty() ? QStringLiteral("xdg-open") : launcher);
    process->setArguments({path});
    process->setStandardOutputFile(QProcess::nullDevice());
    QObject::connect(process, &QProcess::finished, process, &QObject::deleteLater);
    QObject::connect(process, &QProcess::finished, context,
                     [process, notOpened](int exitCode, QProcess::ExitStatus status) {
                         if (status != QProcess::NormalExit || exitCode != 0)
                             notOpened(launcherReason(*process));
                     });
    // A launcher that never started sends no finished; a crash is reported by finished.
    QObject::connect(process, &QProcess::errorOccurred, process, [process](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            process->deleteLater();
    });
    QObject::connect(process, &QProcess::errorOccurred, context,
                     [process, notOpened](QProcess::ProcessError error) {
                         if (error == QProcess::FailedToStart)
                             notOpened(QStringLiteral("%1 could not be started.").arg(process->program()));
                     });
    process->start();
#else
    Q_UNUSED(launcher);
    Q_UNUSED(context);
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(path)))
        notOpened(QString());
#endif
}

} // namespace orvex::gui
