#pragma once

#include <QStringList>

// The embedded (SQLite) form of the hospital databases: the one place their DDL lives.
// Text keys and descriptions use the collation "CI_AS" (db/CiAsCollation.h), so every
// connection that compares them must register it first.
namespace orvex::db::sqliteschema {

struct Schema
{
    QStringList tables;  // CREATE TABLE statements
    QStringList indexes; // CREATE INDEX statements, run after the rows are in
};

Schema buildFile(); // Build_FILE.db: the ICD-10 tables
Schema medicare();  // Medicare.db: packages and case rates (schema dbo implied)
Schema central();   // central.db: the central update server's Build_FILE (tbICDdiagMainUpdate)

} // namespace orvex::db::sqliteschema
