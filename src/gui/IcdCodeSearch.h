#pragma once

#include "db/Connection.h"

#include <QString>

#include <functional>
#include <memory>

class QWidget;

namespace orvex::gui {

class WindowServices;

// The seam to an ICD code search: a fresh instance per request; ValidateICDCode lets the
// user find and choose a code of the given kind ("Diagnosis") and says whether one was
// chosen; clsICD then gives the chosen code as text.
class IcdCodeSearch
{
public:
    virtual ~IcdCodeSearch() = default;
    // Throws orvex::Error when the search cannot run (database unreachable).
    virtual bool ValidateICDCode(QString& code, const QString& kind) = 0;
    virtual QString clsICD() const = 0;
};

using IcdCodeSearchFactory = std::function<std::unique_ptr<IcdCodeSearch>()>;

// Our own search: the dialog FrmIcdSearch over tbICDdiagMain, on a connection of its own.
std::unique_ptr<IcdCodeSearch> makeIcdCodeSearch(const db::ConnectionSettings& connection, QWidget* parent);

// "&View ICD DB": one search per click; a chosen code is shown in a message box, a
// failure's message likewise.
void viewIcdCodeSearch(QWidget* mainWindow, const WindowServices& services,
                       const IcdCodeSearchFactory& factory);

} // namespace orvex::gui
