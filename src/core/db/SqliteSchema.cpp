#include "db/SqliteSchema.h"

namespace orvex::db::sqliteschema {

// Column types follow what the tool relies on: PackageID is text of decimal digits
// (compared as text, converted to a 64-bit integer for "largest plus one"), amounts are
// numbers, Status and CaseType are integers. No unique constraints: the duplicate-code
// tool needs duplicate rows, and a rate list may hold one code twice.

Schema buildFile()
{
    return {
        {
            QStringLiteral("CREATE TABLE tbICDdiagMain ("
                           "CODE TEXT COLLATE CI_AS, "
                           "Description TEXT COLLATE CI_AS, "
                           "ALLOWASPRIMARY INTEGER DEFAULT 1, "
                           "CODEWITHOUTDOT TEXT COLLATE CI_AS, "
                           "CHAPTERCODE TEXT COLLATE CI_AS, "
                           "SUBCHAPTERCODE TEXT COLLATE CI_AS, "
                           "CODELEVEL INTEGER, "
                           "ISVALID INTEGER)"),
            QStringLiteral("CREATE TABLE tbIcdDiagChapter ("
                           "code TEXT COLLATE CI_AS, "
                           "Description TEXT COLLATE CI_AS)"),
            QStringLiteral("CREATE TABLE tbIcdDiagSubChapter ("
                           "code TEXT COLLATE CI_AS, "
                           "Description TEXT COLLATE CI_AS, "
                           "FIRSTCODE TEXT COLLATE CI_AS, "
                           "LASTCODE TEXT COLLATE CI_AS, "
                           "CHAPTERCODE TEXT COLLATE CI_AS)"),
            QStringLiteral("CREATE TABLE tbIcdDiag3Code ("
                           "code TEXT COLLATE CI_AS, "
                           "Description TEXT COLLATE CI_AS, "
                           "CHAPTERCODE TEXT COLLATE CI_AS, "
                           "SUBCHAPTERCODE TEXT COLLATE CI_AS)"),
        },
        {
            QStringLiteral("CREATE INDEX IX_tbICDdiagMain_CODE ON tbICDdiagMain (CODE)"),
            QStringLiteral("CREATE INDEX IX_tbICDdiagMain_Description ON tbICDdiagMain (Description)"),
            QStringLiteral("CREATE INDEX IX_tbIcdDiag3Code_code ON tbIcdDiag3Code (code)"),
        },
    };
}

Schema medicare()
{
    return {
        {
            QStringLiteral("CREATE TABLE tbMedPackage ("
                           "PackageID TEXT NOT NULL, "
                           "Package TEXT COLLATE CI_AS, "
                           "Amount REAL, "
                           "PF REAL, "
                           "MedRoomBoard REAL, "
                           "MedDrugs REAL, "
                           "MedOthers REAL, "
                           "MedOR REAL, "
                           "Status INTEGER, "
                           "CaseType INTEGER, "
                           "Shortcut TEXT COLLATE CI_AS, "
                           "IsAllowSlashing INTEGER, "
                           "Type INTEGER, "
                           "isZBenefit INTEGER, "
                           "isAllowSecondCR INTEGER, "
                           "HCIPercentage REAL, "
                           "PFPercentage REAL, "
                           "CaseRatePercentage REAL, "
                           "isACR INTEGER, "
                           "canMultiple INTEGER)"),
            QStringLiteral("CREATE TABLE tbMedPackage_NEW ("
                           "PackageID TEXT, "
                           "Code TEXT COLLATE CI_AS, "
                           "Package TEXT COLLATE CI_AS, "
                           "Amount REAL, "
                           "PF REAL, "
                           "MedRoomBoard REAL, "
                           "Status INTEGER)"),
            QStringLiteral("CREATE TABLE tbMed_MedicalCaseRates ("
                           "ICDCode TEXT COLLATE CI_AS, "
                           "Description TEXT COLLATE CI_AS, "
                           "CaseType INTEGER, "
                           "PackageID TEXT, "
                           "Status INTEGER)"),
            QStringLiteral("CREATE TABLE tbMed_Procedures ("
                           "RVSCODE TEXT COLLATE CI_AS, "
                           "Description TEXT COLLATE CI_AS, "
                           "PackageID TEXT, "
                           "Status INTEGER)"),
        },
        {
            QStringLiteral("CREATE INDEX IX_tbMedPackage_PackageID ON tbMedPackage (PackageID)"),
            QStringLiteral("CREATE INDEX IX_tbMedPackage_Package ON tbMedPackage (Package)"),
            QStringLiteral("CREATE INDEX IX_tbMedPackage_NEW_Code ON tbMedPackage_NEW (Code)"),
            QStringLiteral(
                "CREATE INDEX IX_tbMed_MedicalCaseRates_ICDCode ON tbMed_MedicalCaseRates (ICDCode)"),
            QStringLiteral(
                "CREATE INDEX IX_tbMed_MedicalCaseRates_PackageID ON tbMed_MedicalCaseRates (PackageID)"),
            QStringLiteral("CREATE INDEX IX_tbMed_Procedures_RVSCODE ON tbMed_Procedures (RVSCODE)"),
            QStringLiteral("CREATE INDEX IX_tbMed_Procedures_PackageID ON tbMed_Procedures (PackageID)"),
        },
    };
}

Schema central()
{
    // Read whole and by position: first the code, second the description, sixth the
    // allow-as-primary flag.
    return {
        {
            QStringLiteral("CREATE TABLE tbICDdiagMainUpdate ("
                           "CODE TEXT COLLATE CI_AS, "
                           "Description TEXT COLLATE CI_AS, "
                           "SOURCE TEXT, "
                           "CHANGETYPE TEXT, "
                           "LISTLINE INTEGER, "
                           "ALLOWASPRIMARY INTEGER)"),
        },
        {},
    };
}

} // namespace orvex::db::sqliteschema
