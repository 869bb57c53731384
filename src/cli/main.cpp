#include "cli/CliContext.h"
#include "platform/PooledThreads.h"
#include "platform/PortableInstall.h"

#include <QCoreApplication>
#include <QTextStream>

#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("orvex"));
    QCoreApplication::setOrganizationName(QStringLiteral("Kestra"));
    orvex::keepSettingsBesideIfPortable();
    QTextStream out(stdout);
    QTextStream err(stderr);
    QStringList args = QCoreApplication::arguments();
    args.removeFirst();
    const int exitCode = orvex::cli::runCli(args, out, err);
    orvex::endPooledThreads();
    return exitCode;
}
