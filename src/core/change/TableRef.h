#pragma once

#include <QString>

#include <optional>

namespace orvex::change {

// The tables the tool writes.
enum class Table {
    IcdDiagMain,      // Build_FILE's tbICDdiagMain
    Packages,         // tbMedPackage, its test copy or a year's copy
    MedicalCaseRates, // tbMed_MedicalCaseRates, or its test copy
    Procedures,       // tbMed_Procedures, or its test copy
    NewStylePackages, // tbMedPackage_NEW
};

// One of them, with the suffix of a copy ("_TEST", a year's "2023"; "" for the live table).
// The suffix holds ASCII letters, digits and underscores only, so the name is safe in a
// statement; fromName() is the one way from a stored name back to a table.
struct TableRef
{
    Table table = Table::Packages;
    QString suffix;

    QString name() const;       // "tbMedPackage_TEST"
    QString database() const;   // "Build_FILE" or "Medicare"
    QString scriptName() const; // "[Medicare].[dbo].[tbMedPackage_TEST]", "dbo.tbICDdiagMain"
    // The column a change finds its rows by: "CODE", "PackageID", "ICDCode", "RVSCODE", "Code".
    QString keyColumn() const;

    // "tbMed_Procedures_TEST" and the like; nothing for a name the tool does not write.
    static std::optional<TableRef> fromName(const QString& name);
    static bool isSuffix(const QString& suffix);

    bool operator==(const TableRef&) const = default;
};

} // namespace orvex::change
