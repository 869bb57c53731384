#pragma once

#include <QList>
#include <QString>

// The public data sets the sample databases are derived from (data/README.md), read
// from the copies built into the program (":/sampledata") or from a folder with the
// same layout.
namespace orvex::sampledb {

struct WhoChapter
{
    QString code; // "01" to "22"
    QString title;
};

struct WhoBlock
{
    QString firstCode, lastCode, chapter, title;
    QString code() const { return firstCode + QLatin1Char('-') + lastCode; } // "A00-A09"
};

struct WhoCode
{
    int level = 0;         // 3 or 4 characters
    bool terminal = false; // PLACE "T"
    QString chapter;
    QString block; // first code of the block ("A00")
    QString codeW; // with "-" for non-terminal categories, "*" for asterisk codes
    QString code;  // dotted ("A00.0")
    QString codeWithoutDot;
    QString title;
    bool isAsterisk() const { return codeW.endsWith(QLatin1Char('*')); }
};

// One line of a 2024 rate file: code|description|case rate|facility fee|professional fee.
struct RateLine
{
    int lineNumber = 0; // 1-based, in file order
    QString code, description;
    QString caseRate, facilityFee, professionalFee; // as printed ("11,700.00", "-")
};

struct LibraryRow // Konsulta ICD library: CODE|DESCRIPTION|LIBRARY_STATUS
{
    QString code, description;
};

struct Sources
{
    QList<WhoChapter> chapters;
    QList<WhoBlock> blocks;
    QList<WhoCode> codes;
    QList<RateLine> medical;    // ICD PH 2024.txt
    QList<RateLine> procedures; // ICD PH 2024_PROCEDURE.txt
    QList<LibraryRow> library;  // konsulta_lib_icd.txt
};

inline const QString kEmbeddedDataRoot = QStringLiteral(":/sampledata");

// Throws orvex::Error naming the file and line that cannot be read.
Sources loadSources(const QString& root = kEmbeddedDataRoot);

// A printed amount as a number: commas dropped, "-" and empty read 0.
double amountOf(const QString& printed);

} // namespace orvex::sampledb
