#pragma once

#include "sampledb/SampleSources.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariantList>

// The rows of the sample databases, derived from the public data by the rules of
// data/README.md. Pure functions: no database is touched here.
namespace orvex::sampledb {

struct TableRows
{
    QString table;
    QStringList columns;
    QList<QVariantList> rows; // values in the order of `columns`
};

QList<TableRows> buildFileTables(const Sources& sources); // Build_FILE.db
QList<TableRows> medicareTables(const Sources& sources);  // Medicare.db
QList<TableRows> centralTables(const Sources& sources);   // central.db

} // namespace orvex::sampledb
