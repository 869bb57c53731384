#pragma once

#include <QDateTime>
#include <QString>
#include <QVariantMap>

#include <vector>

namespace orvex::apply {

// One row an apply changed, and how to take the change back.
struct UndoStep
{
    enum class Action {
        Restore, // put `before` back into the row
        Remove   // delete the row the apply inserted
    };
    Action action = Action::Restore;
    QString table;      // "tbMedPackage" (or a year's copy), "tbMed_MedicalCaseRates",
                        // "tbMed_Procedures" or "tbICDdiagMain"
    QString keyColumn;  // "PackageID", "ICDCode", "RVSCODE" or "CODE"
    QString key;        // the row's key value
    QString packageId;  // a removed case rate: the package it was inserted with
    QVariantMap before; // Restore: the values the row held before the apply (NULL kept)
    QVariantMap after;  // what the apply left in the row; the undo checks the row still holds it

    bool operator==(const UndoStep&) const = default;
};

// An undo file: T-SQL an administrator can read and run on SQL Server, followed by the same
// steps as data in comment lines, which orvex-cli undo reads. No stored text can start a
// line of the file, or open or end a comment.
struct UndoRecord
{
    QString runId;               // the applied run
    QString database;            // as ConnectionSettings::describe() names it
    QString user;                // who applied it
    QDateTime appliedAt;         // the apply's time
    QString counts;              // "3 new codes, 2 rate changes, 0 description changes"
    std::vector<UndoStep> steps; // in the order the apply made them; undone in reverse

    int restoredRows() const;
    int removedRows() const;
    bool operator==(const UndoRecord&) const = default;
};

// tbMedPackage, or tbMedPackage followed by ASCII letters, digits and underscores only (the
// package rate script's "tbMedPackage2023"): a name safe to place in a statement.
bool isPackageTable(const QString& table);

QByteArray undoFileText(const UndoRecord& record);
// Throws orvex::Error naming the file when it is missing, holds no undo data or is damaged.
UndoRecord readUndoFile(const QString& path);

// "undo 2024-02-14 093000.sql" in `outputFolder`, with " (2)", " (3)" ... when taken.
QString newUndoFilePath(const QString& outputFolder, const QDateTime& when);
// The marker an undone file leaves beside it: "undo 2024-02-14 093000.done".
QString undoneMarkerPath(const QString& undoFile);

} // namespace orvex::apply
