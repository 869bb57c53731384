#include <QApplication>
#include <QMessageBox>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("orvex"));
    QApplication::setOrganizationName(QStringLiteral("Kestra"));
    QMessageBox::information(nullptr, QStringLiteral("Kestra Orvex"),
                             QStringLiteral("The window is not in this build yet; use orvex-cli."));
    return 0;
}
