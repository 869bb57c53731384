#include "support/ConnectionFixtures.h"

#include "db/CiAsCollation.h"

#include <QDir>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <gtest/gtest.h>

#include <atomic>

namespace orvex::test {

void runOnSqliteFile(const QString& path, const QStringList& statements, bool withCiAs)
{
    static std::atomic<int> counter{0};
    const QString name = QStringLiteral("orvex-test-writer-%1").arg(++counter);
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        if (!db.open()) {
            ADD_FAILURE() << "cannot open " << path.toStdString();
        } else {
            if (withCiAs)
                db::registerCiAsCollation(db);
            for (const QString& sql : statements) {
                QSqlQuery q(db);
                if (!q.exec(sql))
                    ADD_FAILURE() << sql.toStdString() << ": " << q.lastError().text().toStdString();
            }
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(name);
}

void writeSmallDatabases(const QString& folder, const QString& keyCollation)
{
    QDir().mkpath(folder);
    const QString c = keyCollation.isEmpty() ? QString() : QStringLiteral(" collate ") + keyCollation;
    const bool ciAs = keyCollation == QLatin1String("CI_AS");
    runOnSqliteFile(QDir(folder).filePath(QStringLiteral("Build_FILE.db")),
                    {
                        QStringLiteral("create table tbICDdiagMain (CODE text%1, Description text%1, "
                                       "ALLOWASPRIMARY integer)")
                            .arg(c),
                        QStringLiteral("create index ixIcdCode on tbICDdiagMain (CODE)"),
                        QStringLiteral("create index ixIcdDescription on tbICDdiagMain (Description)"),
                        QStringLiteral("insert into tbICDdiagMain values "
                                       "('A00.0', 'Cholera due to Vibrio cholerae 01, biovar cholerae', 1), "
                                       "('B99 ', 'Other infectious diseases', 1), "
                                       "('É01', 'École fever', 0), "
                                       "('D50', 'Iron deficiency anaemia', 1), "
                                       "('d50', 'iron deficiency anaemia ', 1), "
                                       "('C10', 'Malignant neoplasm', NULL)"),
                    },
                    ciAs);
    runOnSqliteFile(
        QDir(folder).filePath(QStringLiteral("Medicare.db")),
        {
            QStringLiteral("create table tbMedPackage (PackageID text, Code text, Package text%1, "
                           "Amount real, PF real, MedRoomBoard real, Status integer, CaseType integer)")
                .arg(c),
            QStringLiteral("create index ixPackageName on tbMedPackage (Package)"),
            QStringLiteral("insert into tbMedPackage values "
                           "('101', 'P1', 'Cholera', 9000, 2700, 6300, 1, 1), "
                           "('102', 'P2', 'CHOLERA ', 9500, 2850, 6650, 1, 1), "
                           "('103', 'P3', 'Anémie', 7000, 2100, 4900, 1, 1)"),
            QStringLiteral("create table tbMed_MedicalCaseRates (ICDCode text%1, Description text%1, "
                           "CaseType integer, PackageID text, Status integer)")
                .arg(c),
            QStringLiteral("create index ixCaseRateCode on tbMed_MedicalCaseRates (ICDCode)"),
            QStringLiteral("insert into tbMed_MedicalCaseRates values "
                           "('a00.0', 'Cholera', 1, '101', 1), "
                           "('A00.0 ', 'Cholera (again)', 1, '102', 1), "
                           "('D50', 'Iron deficiency anaemia', 1, '103', 1)"),
            QStringLiteral("create table tbMed_Procedures (RVSCODE text%1, Description text%1, "
                           "PackageID text, Status integer)")
                .arg(c),
            QStringLiteral("create table tbMedPackage_NEW (PackageID text, Code text, Package text%1, "
                           "Amount real, PF real, MedRoomBoard real, Status integer)")
                .arg(c),
        },
        ciAs);
}

} // namespace orvex::test
