#include "change/TableRef.h"

#include <QRegularExpression>

#include <array>

namespace orvex::change {

namespace {

struct Named
{
    Table table;
    const char* name;
    const char* database;
    const char* keyColumn;
};

// Longest first: "tbMedPackage_NEW" is not tbMedPackage with the suffix "_NEW".
constexpr std::array kTables = {
    Named{Table::NewStylePackages, "tbMedPackage_NEW", "Medicare", "Code"},
    Named{Table::MedicalCaseRates, "tbMed_MedicalCaseRates", "Medicare", "ICDCode"},
    Named{Table::Procedures, "tbMed_Procedures", "Medicare", "RVSCODE"},
    Named{Table::Packages, "tbMedPackage", "Medicare", "PackageID"},
    Named{Table::IcdDiagMain, "tbICDdiagMain", "Build_FILE", "CODE"},
};

const Named& named(Table table)
{
    for (const Named& n : kTables) {
        if (n.table == table)
            return n;
    }
    return kTables.back(); // every table is listed
}

} // namespace

QString TableRef::name() const
{
    return QLatin1String(named(table).name) + suffix;
}

QString TableRef::database() const
{
    return QLatin1String(named(table).database);
}

QString TableRef::scriptName() const
{
    if (table == Table::IcdDiagMain)
        return QStringLiteral("dbo.") + name();
    return QStringLiteral("[Medicare].[dbo].[%1]").arg(name());
}

QString TableRef::keyColumn() const
{
    return QLatin1String(named(table).keyColumn);
}

bool TableRef::isSuffix(const QString& suffix)
{
    static const QRegularExpression form(QStringLiteral("^[A-Za-z0-9_]{0,100}$"));
    return form.match(suffix).hasMatch();
}

std::optional<TableRef> TableRef::fromName(const QString& name)
{
    for (const Named& n : kTables) {
        const QLatin1String base(n.name);
        if (!name.startsWith(base))
            continue;
        const QString suffix = name.mid(base.size());
        // Only the package and case-rate tables have copies; none of them is named alike.
        const bool copied = n.table != Table::IcdDiagMain && n.table != Table::NewStylePackages;
        if ((suffix.isEmpty() || copied) && isSuffix(suffix))
            return TableRef{n.table, suffix};
        return std::nullopt;
    }
    return std::nullopt;
}

} // namespace orvex::change
