#pragma once

#include "db/SampleSources.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariantList>

// The rows of the sample databases, derived from the public data by the rules of
// data/README.md. Pure functions: no database is touched here.
namespace orvex::db::sample {

struct TableRows
{
    QString table;
    QStringList columns;
    QList<QVariantList> rows; // values in the order of `columns`
};

QList<TableRows> buildFileTables(const Sources& sources); // Build_FILE.db
QList<TableRows> medicareTables(const Sources& sources);  // Medicare.db
QList<TableRows> centralTables(const Sources& sources);   // central.db

// How a hospital description compares with the list's, the classes the update-script
// run tells apart (upper-cased equality, then blanks and apostrophes removed).
enum class Wording { Same, CaseOnly, BlanksOrApostrophes, Changed };
Wording compareWording(const QString& stored, const QString& listed);

} // namespace orvex::db::sample
