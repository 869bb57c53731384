#include "gui/IcdCodeSearch.h"

#include "Error.h"
#include "gui/FrmIcdSearch.h"
#include "gui/WindowServices.h"

namespace orvex::gui {

namespace {

// The search dialog; it reads the codes on a connection of its own, off the window's thread.
class IcdCodeSearchDialog final : public IcdCodeSearch
{
public:
    IcdCodeSearchDialog(db::ConnectionSettings connection, QWidget* parent)
        : m_connection(std::move(connection)), m_parent(parent)
    {
    }

    bool ValidateICDCode(QString& code, const QString& kind) override
    {
        (void)kind; // only diagnoses are searched
        FrmIcdSearch dialog(m_connection, m_parent);
        dialog.setWindowModality(Qt::ApplicationModal);
        if (dialog.exec() != QDialog::Accepted) {
            if (!dialog.failure().isEmpty())
                throw Error(dialog.failure());
            return false;
        }
        m_chosen = dialog.chosen();
        code = m_chosen.code;
        return true;
    }

    QString clsICD() const override { return m_chosen.code + QStringLiteral(" - ") + m_chosen.description; }

private:
    db::ConnectionSettings m_connection;
    QWidget* m_parent;
    bridges::IcdCode m_chosen;
};

} // namespace

std::unique_ptr<IcdCodeSearch> makeIcdCodeSearch(const db::ConnectionSettings& connection, QWidget* parent)
{
    return std::make_unique<IcdCodeSearchDialog>(connection, parent);
}

void viewIcdCodeSearch(QWidget* mainWindow, const WindowServices& services,
                       const IcdCodeSearchFactory& factory)
{
    QString failure;
    try {
        std::unique_ptr<IcdCodeSearch> search = factory ? factory() : nullptr;
        if (!search)
            throw Error(QStringLiteral("The ICD code search is not available."));
        QString code;
        if (search->ValidateICDCode(code, QStringLiteral("Diagnosis")))
            services.information(mainWindow, search->clsICD());
        return;
    } catch (const Error& e) {
        failure = e.message();
    }
    services.error(mainWindow, failure);
}

} // namespace orvex::gui
