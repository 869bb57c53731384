#pragma once

#include <QDateTime>
#include <QString>
#include <QVariantMap>

#include <vector>

namespace orvex::apply {

// One row of a changed key as it was before the apply, or several rows that its identity
// cannot tell apart and that held the same values.
struct RowImage
{
    QVariant identity;  // the row's package name (packages) or PackageID (case rates); NULL kept
    QVariantMap before; // the values the apply overwrote
    int count = 1;      // rows with this identity

    bool operator==(const RowImage&) const = default;
};

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
    // Restore of a package or a case rate: every row of the key the apply changed, each put
    // back to its own values. Empty in files of earlier versions, which restore `before`
    // into every row of the key.
    std::vector<RowImage> rows;

    bool operator==(const UndoStep&) const = default;
};

// An undo file: T-SQL an administrator can read and run on SQL Server, followed by the same
// steps as data in comment lines, which orvex-cli undo reads, and a closing line that counts
// them, so that a cut file is refused. No stored text can start a line of the file, or open
// or end a comment.
struct UndoRecord
{
    QString runId;               // the applied run
    QString database;            // as ConnectionSettings::describe() names it
    QString user;                // who applied it
    QDateTime appliedAt;         // the apply's time
    QString counts;              // "3 new codes, 2 rate changes, 0 description changes"
    std::vector<UndoStep> steps; // in the order the apply made them; undone in reverse
    int version = 2;             // 1: written before row images and the closing line

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
// The identity column of a restored step's rows ("Package" or "PackageID"); "" for a table
// whose rows of a key the apply requires to agree (tbICDdiagMain).
QString identityColumn(const UndoStep& step);
// The SHA-256 of the file's bytes in hex: the apply logs it, and the undo runs only a file
// that an apply logged.
QString undoFileDigest(const QByteArray& text);
// The activity-log line an apply writes for its undo file, and the LIKE pattern that finds
// it whatever the file was named. `runId` holds no LIKE wildcard (checked by review::isRunId).
QString undoFileLogLine(const QString& runId, const QString& fileName, const QString& digest);
QString undoFileLogPattern(const QString& runId, const QString& digest);

// "undo 2024-02-14 093000.sql" in `outputFolder`, with " (2)", " (3)" ... when taken.
QString newUndoFilePath(const QString& outputFolder, const QDateTime& when);
// The marker an undone file leaves beside it: "undo 2024-02-14 093000.done".
QString undoneMarkerPath(const QString& undoFile);

} // namespace orvex::apply
