// The sample databases against the public data they are derived from. Expected values are
// computed here from the data files with the rules of data/README.md.
#include "Error.h"
#include "db/CiAsCollation.h"
#include "sampledb/SampleDatabases.h"
#include "support/TestPaths.h"
#include "text/Windows1252.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sqlite3.h>

#include <cmath>
#include <cstdlib>
#include <memory>

using namespace orvex;
using namespace orvex::test;

namespace {

// ---- the data files, read independently of the builder ----

QList<QStringList> records(const QString& relative, QChar separator, bool header)
{
    QStringList lines =
        cp1252::decode(readBytes(sourcePath(QStringLiteral("data/") + relative))).split(QLatin1Char('\n'));
    QList<QStringList> out;
    for (qsizetype i = header ? 1 : 0; i < lines.size(); ++i) {
        QString line = lines[i];
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        if (!line.isEmpty())
            out.append(line.split(separator));
    }
    return out;
}

QList<QStringList> whoCodes()
{
    return records(QStringLiteral("who-icd10-2010/codes.txt"), ';', true);
}
QList<QStringList> medicalList()
{
    return records(QStringLiteral("philhealth-caserates-2024/ICD PH 2024.txt"), '|', false);
}
QList<QStringList> procedureList()
{
    return records(QStringLiteral("philhealth-caserates-2024/ICD PH 2024_PROCEDURE.txt"), '|', false);
}

// The Medicare rules by 1-based line number n.
bool removed(int n)
{
    return n % 20 == 0;
}
bool hasPackage(int n)
{
    return removed(n) ? n % 100 == 40 : n % 1000 != 110;
}
bool zeroAmounts(int n)
{
    return n % 1000 == 130;
}
bool currentAmounts(int n)
{
    return n % 200 == 10 || n % 200 == 40;
}
constexpr int kMedicalBase = 100000;
constexpr int kProcedureBase = 200000;

double amount(QString printed)
{
    return printed == QLatin1String("-") ? 0.0 : printed.remove(',').toDouble();
}

double expectedAmount(int n, const QString& printed)
{
    if (zeroAmounts(n))
        return 0.0;
    if (currentAmounts(n))
        return amount(printed);
    return std::round(amount(printed) / 1.5);
}

int keptLines(int lineCount)
{
    return lineCount - lineCount / 20;
}
int linesWith(int lineCount, bool (*rule)(int))
{
    int count = 0;
    for (int n = 1; n <= lineCount; ++n)
        count += rule(n) ? 1 : 0;
    return count;
}

// How the update-script run sees a stored description: the file's loses its apostrophes,
// equal upper-cased is "same", equal without blanks and apostrophes is "nowhere".
enum class RunClass { Same, Nowhere, Changed };
RunClass runClass(QString stored, QString listed)
{
    listed.remove(QStringLiteral("''")).remove(QLatin1Char('\''));
    if (stored.toUpper() == listed.toUpper())
        return RunClass::Same;
    stored.remove(QLatin1Char(' ')).remove(QStringLiteral("''")).remove(QLatin1Char('\''));
    listed.remove(QLatin1Char(' '));
    return stored.toUpper() == listed.toUpper() ? RunClass::Nowhere : RunClass::Changed;
}

// ---- the built files ----

class OpenDatabase
{
public:
    explicit OpenDatabase(const QString& path)
    {
        static int counter = 0;
        m_name = QStringLiteral("sample-test-%1").arg(++counter);
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
        db.setDatabaseName(path);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        EXPECT_TRUE(db.open()) << path.toStdString();
        db::registerCiAsCollation(db);
    }
    OpenDatabase(const OpenDatabase&) = delete;
    OpenDatabase& operator=(const OpenDatabase&) = delete;
    ~OpenDatabase()
    {
        QSqlDatabase::database(m_name).close();
        QSqlDatabase::removeDatabase(m_name);
    }

    QList<QVariantList> rows(const QString& sql, const QVariantList& params = {}) const
    {
        QList<QVariantList> out;
        {
            QSqlQuery q(QSqlDatabase::database(m_name));
            q.setForwardOnly(true);
            EXPECT_TRUE(q.prepare(sql)) << q.lastError().text().toStdString();
            for (const QVariant& p : params)
                q.addBindValue(p);
            EXPECT_TRUE(q.exec()) << sql.toStdString() << ": " << q.lastError().text().toStdString();
            while (q.next()) {
                QVariantList row;
                for (int i = 0; i < q.record().count(); ++i)
                    row.append(q.value(i));
                out.append(row);
            }
        }
        return out;
    }
    QVariant scalar(const QString& sql, const QVariantList& params = {}) const
    {
        const auto r = rows(sql, params);
        return r.isEmpty() || r.first().isEmpty() ? QVariant() : r.first().first();
    }
    qint64 count(const QString& table) const
    {
        return scalar(QStringLiteral("SELECT COUNT(*) FROM ") + table).toLongLong();
    }

private:
    QString m_name;
};

class SampleDatabases : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_dir = std::make_unique<QTemporaryDir>();
        sampledb::buildSampleDatabases(s_dir->path(), false);
    }
    static void TearDownTestSuite() { s_dir.reset(); }

    static QString file(const QString& name) { return QDir(s_dir->path()).filePath(name); }
    static OpenDatabase buildFile() { return OpenDatabase(file(QStringLiteral("Build_FILE.db"))); }
    static OpenDatabase medicare() { return OpenDatabase(file(QStringLiteral("Medicare.db"))); }
    static OpenDatabase central() { return OpenDatabase(file(QStringLiteral("central.db"))); }

    static std::unique_ptr<QTemporaryDir> s_dir;
};
std::unique_ptr<QTemporaryDir> SampleDatabases::s_dir;

// The rows the documented duplicate rule adds: first 6 library codes that repeat in the
// library and are WHO codes; their distinct library descriptions other than the WHO title.
QList<QStringList> expectedDuplicates()
{
    QHash<QString, QString> who;
    for (const QStringList& c : whoCodes())
        who.insert(c[6], c[8]);
    const QList<QStringList> library =
        records(QStringLiteral("philhealth-konsulta-lib-icd/konsulta_lib_icd.txt"), '|', false);
    QHash<QString, int> occurrences;
    for (const QStringList& r : library)
        ++occurrences[r[0]];
    QStringList codes;
    for (const QStringList& r : library)
        if (codes.size() < 6 && occurrences[r[0]] > 1 && who.contains(r[0]) && !codes.contains(r[0]))
            codes.append(r[0]);
    QList<QStringList> rows;
    for (const QString& code : codes) {
        QSet<QString> seen{who[code]};
        for (const QStringList& r : library)
            if (r[0] == code && !seen.contains(r[1])) {
                seen.insert(r[1]);
                rows.append({code, r[1]});
            }
    }
    return rows;
}

} // namespace

TEST_F(SampleDatabases, icdTableHoldsEveryWhoCodeThenTheLibraryDuplicates)
{
    const OpenDatabase db = buildFile();
    const QList<QStringList> who = whoCodes();
    const QList<QStringList> duplicates = expectedDuplicates();
    ASSERT_FALSE(duplicates.isEmpty());

    // Codes on the medical list's lines n with n % 50 == 25 carry the list's wording.
    QHash<QString, QString> adopted;
    const QList<QStringList> medical =
        records(QStringLiteral("philhealth-caserates-2024/ICD PH 2024.txt"), '|', false);
    for (qsizetype n = 1; n <= medical.size(); ++n)
        if (n % 50 == 25)
            adopted.insert(medical[n - 1][0], medical[n - 1][1]);

    const auto rows =
        db.rows(QStringLiteral("SELECT CODE, Description, ALLOWASPRIMARY FROM tbICDdiagMain ORDER BY rowid"));
    ASSERT_EQ(rows.size(), who.size() + duplicates.size());
    int asterisks = 0;
    int adoptedRows = 0;
    for (qsizetype i = 0; i < who.size(); ++i) {
        const bool asterisk = who[i][5].endsWith('*');
        asterisks += asterisk ? 1 : 0;
        ASSERT_EQ(rows[i][0].toString(), who[i][6]);
        ASSERT_EQ(rows[i][1].toString(), adopted.value(who[i][6], who[i][8]));
        adoptedRows += adopted.contains(who[i][6]) ? 1 : 0;
        ASSERT_EQ(rows[i][2].toInt(), asterisk ? 0 : 1) << who[i][6].toStdString();
    }
    EXPECT_GT(asterisks, 0);
    EXPECT_GT(adoptedRows, 50);
    for (qsizetype i = 0; i < duplicates.size(); ++i) {
        EXPECT_EQ(rows[who.size() + i][0].toString(), duplicates[i][0]);
        EXPECT_EQ(rows[who.size() + i][1].toString(), duplicates[i][1]);
    }

    // Only the chosen codes repeat, and the duplicate tool's query finds exactly the surplus rows.
    QSet<QString> chosen;
    for (const QStringList& d : duplicates)
        chosen.insert(d[0]);
    const auto repeated =
        db.rows(QStringLiteral("SELECT CODE FROM tbICDdiagMain GROUP BY CODE HAVING COUNT(*) > 1"));
    EXPECT_EQ(repeated.size(), chosen.size());
    EXPECT_EQ(db.scalar(QStringLiteral(
                            "WITH CTE AS (SELECT code, ROW_NUMBER() OVER (PARTITION BY code ORDER BY code) "
                            "AS RN FROM tbICDdiagMain) SELECT COUNT(*) FROM CTE WHERE RN > 1"))
                  .toInt(),
              duplicates.size());
}

TEST_F(SampleDatabases, browseTablesHoldChaptersBlocksAndCategories)
{
    const OpenDatabase db = buildFile();
    const auto chapters = records(QStringLiteral("who-icd10-2010/chapters.txt"), ';', true);
    const auto blocks = records(QStringLiteral("who-icd10-2010/blocks.txt"), ';', true);
    int categories = 0;
    for (const QStringList& c : whoCodes())
        categories += c[0] == QLatin1String("3") ? 1 : 0;

    EXPECT_EQ(chapters.size(), 22);
    EXPECT_EQ(blocks.size(), 263);
    EXPECT_EQ(db.count(QStringLiteral("tbIcdDiagChapter")), chapters.size());
    EXPECT_EQ(db.count(QStringLiteral("tbIcdDiagSubChapter")), blocks.size());
    EXPECT_EQ(db.count(QStringLiteral("tbIcdDiag3Code")), categories);
    EXPECT_EQ(
        db.scalar(QStringLiteral("SELECT Description FROM tbIcdDiagChapter WHERE code = ?"), {chapters[0][0]})
            .toString(),
        chapters[0][1]);
    EXPECT_EQ(db.scalar(QStringLiteral("SELECT Description FROM tbIcdDiagSubChapter WHERE code = ?"),
                        {blocks[0][0] + "-" + blocks[0][1]})
                  .toString(),
              blocks[0][3]);
    EXPECT_EQ(
        db.scalar(QStringLiteral("SELECT Description FROM tbIcdDiag3Code WHERE code = 'A00'")).toString(),
        "Cholera");
}

TEST_F(SampleDatabases, textKeysCompareWithoutCaseAndTrailingBlanks)
{
    const OpenDatabase icd = buildFile();
    const QString sql = QStringLiteral("SELECT CODE, Description FROM tbICDdiagMain WHERE CODE = ?");
    for (const QString& key :
         {QStringLiteral("a00.0"), QStringLiteral("A00.0  "), QStringLiteral("a00.0 ")}) {
        const auto rows = icd.rows(sql, {key});
        ASSERT_EQ(rows.size(), 1) << key.toStdString();
        EXPECT_EQ(rows[0][0].toString(), "A00.0");
    }
    EXPECT_EQ(icd.rows(QStringLiteral("SELECT CODE FROM tbICDdiagMain WHERE Description = ?"),
                       {"CHOLERA, UNSPECIFIED "})
                  .size(),
              1);
    // The lookups use the indexes, which carry the collation.
    const auto plan = icd.rows(
        QStringLiteral("EXPLAIN QUERY PLAN SELECT CODE FROM tbICDdiagMain WHERE CODE = ?"), {"a00.0"});
    ASSERT_FALSE(plan.isEmpty());
    EXPECT_TRUE(plan.last().last().toString().contains("IX_tbICDdiagMain_CODE"));

    const OpenDatabase med = medicare();
    EXPECT_EQ(
        med.rows(QStringLiteral("SELECT ICDCode FROM tbMed_MedicalCaseRates WHERE ICDCode = ?"), {"a00.9 "})
            .size(),
        1);
    const auto nsd =
        med.rows(QStringLiteral("SELECT RVSCODE FROM tbMed_Procedures WHERE RVSCODE = ?"), {"nsd01"});
    ASSERT_EQ(nsd.size(), 1);
    EXPECT_EQ(nsd[0][0].toString(), "NSD01");
    // A package is found by the list's upper-case wording of a description stored in WHO case.
    EXPECT_EQ(med.rows(QStringLiteral("SELECT PackageID FROM tbMedPackage WHERE Package = ?"),
                       {"CHOLERA, UNSPECIFIED"})
                  .size(),
              1);
    EXPECT_EQ(med.rows(QStringLiteral("SELECT Code FROM tbMedPackage_NEW WHERE Code = ?"), {"a00.0"}).size(),
              1);
}

TEST_F(SampleDatabases, caseRateTablesHoldTheListsWithoutTheRemovedLines)
{
    const OpenDatabase db = medicare();
    const auto medical = medicalList();
    const auto procedures = procedureList();
    const int medicalKept = keptLines(medical.size());
    const int procedureKept = keptLines(procedures.size());
    const int orphans = linesWith(medical.size(), [](int n) { return !removed(n) && !hasPackage(n); }) +
                        linesWith(procedures.size(), [](int n) { return !removed(n) && !hasPackage(n); });
    const int packages = linesWith(medical.size(), hasPackage) + linesWith(procedures.size(), hasPackage);

    EXPECT_EQ(db.count(QStringLiteral("tbMed_MedicalCaseRates")), medicalKept);
    EXPECT_EQ(db.count(QStringLiteral("tbMed_Procedures")), procedureKept);
    EXPECT_EQ(db.count(QStringLiteral("tbMedPackage_NEW")), medicalKept + procedureKept);
    EXPECT_EQ(db.count(QStringLiteral("tbMedPackage")), packages);
    EXPECT_GT(orphans, 0);
    EXPECT_EQ(db.scalar(QStringLiteral("SELECT COUNT(*) FROM tbMed_MedicalCaseRates WHERE PackageID NOT IN "
                                       "(SELECT PackageID FROM tbMedPackage)"))
                      .toInt() +
                  db.scalar(QStringLiteral("SELECT COUNT(*) FROM tbMed_Procedures WHERE PackageID NOT IN "
                                           "(SELECT PackageID FROM tbMedPackage)"))
                      .toInt(),
              orphans);

    // Every case-rate row is the list line its PackageID names (code as listed, or without
    // its blank), with CaseType 1 and Status 1.
    const auto rows = db.rows(QStringLiteral(
        "SELECT ICDCode, PackageID, CaseType, Status FROM tbMed_MedicalCaseRates ORDER BY rowid"));
    int previous = 0;
    for (const QVariantList& r : rows) {
        const int n = r[1].toInt() - kMedicalBase;
        ASSERT_GT(n, previous);
        previous = n;
        ASSERT_FALSE(removed(n));
        const QString listed = medical[n - 1][0];
        EXPECT_TRUE(r[0].toString() == listed || r[0].toString() == QString(listed).remove(' '))
            << listed.toStdString();
        EXPECT_EQ(r[2].toInt(), 1);
        EXPECT_EQ(r[3].toInt(), 1);
    }

    // The codes the update adds are absent (unless the same code is also on a kept line).
    QSet<QString> keptCodes;
    for (int n = 1; n <= procedures.size(); ++n)
        if (!removed(n))
            keptCodes.insert(procedures[n - 1][0]);
    for (int n = 20; n <= procedures.size(); n += 20) {
        const QString code = procedures[n - 1][0];
        if (!keptCodes.contains(code)) {
            EXPECT_TRUE(
                db.rows(QStringLiteral("SELECT 1 FROM tbMed_Procedures WHERE RVSCODE = ?"), {code}).isEmpty())
                << code.toStdString();
        }
    }
    for (int n = 20; n <= medical.size(); n += 20) {
        const QString code = medical[n - 1][0];
        EXPECT_TRUE(db.rows(QStringLiteral("SELECT 1 FROM tbMed_MedicalCaseRates WHERE ICDCode = ?"), {code})
                        .isEmpty())
            << code.toStdString();
    }
}

TEST_F(SampleDatabases, packagesFollowTheAmountRules)
{
    const OpenDatabase db = medicare();
    const auto medical = medicalList();
    const auto procedures = procedureList();
    const auto rows = db.rows(
        QStringLiteral("SELECT PackageID, Amount, PF, MedRoomBoard, CaseType, Status, typeof(PackageID), "
                       "typeof(Amount), typeof(Status), typeof(CaseType) FROM tbMedPackage ORDER BY rowid"));
    qint64 previousId = 0;
    int zero = 0, current = 0, outlived = 0;
    for (const QVariantList& r : rows) {
        const QString id = r[0].toString();
        ASSERT_EQ(id.size(), 6);
        ASSERT_TRUE(QRegularExpression(QStringLiteral("^[0-9]+$")).match(id).hasMatch());
        EXPECT_GT(id.toLongLong(), previousId);
        previousId = id.toLongLong();
        EXPECT_EQ(r[6].toString(), "text");
        EXPECT_EQ(r[7].toString(), "real");
        EXPECT_EQ(r[8].toString(), "integer");
        EXPECT_EQ(r[9].toString(), "integer");

        const bool isMedical = id.toInt() < kProcedureBase;
        const int n = id.toInt() - (isMedical ? kMedicalBase : kProcedureBase);
        const QStringList& line = isMedical ? medical[n - 1] : procedures[n - 1];
        ASSERT_TRUE(hasPackage(n));
        EXPECT_DOUBLE_EQ(r[1].toDouble(), expectedAmount(n, line[2])) << id.toStdString();
        EXPECT_DOUBLE_EQ(r[2].toDouble(), expectedAmount(n, line[4])) << id.toStdString();
        EXPECT_DOUBLE_EQ(r[3].toDouble(), expectedAmount(n, line[3])) << id.toStdString();
        EXPECT_EQ(r[4].toInt(), isMedical ? 1 : 2);
        EXPECT_EQ(r[5].toInt(), 1);
        zero += r[1].toDouble() == 0.0 ? 1 : 0;
        current += currentAmounts(n) ? 1 : 0;
        outlived += removed(n) ? 1 : 0;
    }
    // Every class of the package comparison is present.
    EXPECT_EQ(zero, linesWith(medical.size(), zeroAmounts) + linesWith(procedures.size(), zeroAmounts));
    EXPECT_GT(zero, 0);
    EXPECT_GT(current, 0);
    EXPECT_GT(outlived, 0);
    EXPECT_GT(int(rows.size()) - zero - current, current);

    // Lines with a "-" fee keep a package: the run's zero-amount line occurs.
    EXPECT_FALSE(
        db.rows(QStringLiteral("SELECT PackageID FROM tbMedPackage WHERE PF = 0 AND Amount > 0")).isEmpty());
}

TEST_F(SampleDatabases, descriptionsDifferByTheDocumentedRules)
{
    const OpenDatabase db = medicare();
    QHash<QString, QString> who;
    for (const QStringList& c : whoCodes())
        who.insert(c[6], c[8]);

    struct Tally
    {
        int exact = 0, same = 0, nowhere = 0, changed = 0;
    };
    auto tally = [&](const QString& sql, const QList<QStringList>& list, int base, QStringList* whoWording) {
        Tally t;
        for (const QVariantList& r : db.rows(sql)) {
            const QStringList& line = list[r[1].toInt() - base - 1];
            const QString stored = r[0].toString();
            if (stored == line[1]) {
                ++t.exact;
                continue;
            }
            switch (runClass(stored, line[1])) {
            case RunClass::Same:
                ++t.same;
                break;
            case RunClass::Nowhere:
                ++t.nowhere;
                break;
            case RunClass::Changed:
                ++t.changed;
                if (whoWording && who.value(line[0]) == stored)
                    whoWording->append(line[0]);
                break;
            }
        }
        return t;
    };
    QStringList medicalWho;
    const Tally medical = tally(QStringLiteral("SELECT Description, PackageID FROM tbMed_MedicalCaseRates"),
                                medicalList(), kMedicalBase, &medicalWho);
    const Tally procedure = tally(QStringLiteral("SELECT Description, PackageID FROM tbMed_Procedures"),
                                  procedureList(), kProcedureBase, nullptr);

    // Medical: 5 letter-case and 3 apostrophe rows are "same", 5 blank rows "nowhere",
    // 5 rows carry the older WHO wording.
    EXPECT_EQ(medical.same, 5 + 3);
    EXPECT_EQ(medical.nowhere, 5);
    EXPECT_EQ(medical.changed, 5);
    EXPECT_EQ(medicalWho.size(), 5);
    EXPECT_EQ(procedure.same, 3);
    EXPECT_EQ(procedure.nowhere, 3);
    EXPECT_EQ(procedure.changed, 3);
    EXPECT_GT(medical.exact, 4000);
    EXPECT_GT(procedure.exact, 4000);

    // The new-style table carries the same codes and descriptions.
    EXPECT_EQ(
        db.scalar(QStringLiteral(
                      "SELECT COUNT(*) FROM tbMed_MedicalCaseRates c JOIN tbMedPackage_NEW n "
                      "ON n.PackageID = c.PackageID AND n.Code = c.ICDCode AND n.Package = c.Description"))
            .toInt(),
        db.count(QStringLiteral("tbMed_MedicalCaseRates")));
}

TEST_F(SampleDatabases, firstCodesWithABlankAreStoredWithoutIt)
{
    const OpenDatabase db = medicare();
    QStringList expected;
    const auto medical = medicalList();
    for (int n = 1; n <= medical.size() && expected.size() < 3; ++n)
        if (!removed(n) && medical[n - 1][0].contains(' '))
            expected.append(QString(medical[n - 1][0]).remove(' '));
    ASSERT_EQ(expected.size(), 3);
    for (const QString& code : expected) {
        EXPECT_EQ(
            db.rows(QStringLiteral("SELECT 1 FROM tbMed_MedicalCaseRates WHERE ICDCode = ?"), {code}).size(),
            1)
            << code.toStdString();
    }
    EXPECT_EQ(
        db.scalar(QStringLiteral("SELECT COUNT(*) FROM tbMed_MedicalCaseRates WHERE ICDCode LIKE '% %'"))
            .toInt(),
        [&] {
            int c = 0;
            for (int n = 1; n <= medical.size(); ++n)
                c += !removed(n) && medical[n - 1][0].contains(' ') ? 1 : 0;
            return c - 3;
        }());
}

TEST_F(SampleDatabases, centralUpdateTableHoldsNewCodesAndChangedWording)
{
    const OpenDatabase db = central();
    QHash<QString, QStringList> who;
    for (const QStringList& c : whoCodes())
        who.insert(c[6], c);
    int fresh = 0;
    for (const QStringList& line : medicalList())
        fresh += who.contains(line[0]) ? 0 : 1;

    // Read by position, as the online update does.
    const auto rows = db.rows(QStringLiteral("SELECT * FROM tbICDdiagMainUpdate"));
    ASSERT_EQ(rows.size(), fresh + 20 + 5);
    int added = 0, reworded = 0, caseOnly = 0;
    for (const QVariantList& r : rows) {
        ASSERT_EQ(r.size(), 6);
        const QString code = r[0].toString();
        const QString description = r[1].toString();
        const int allow = r[5].toInt();
        if (!who.contains(code)) {
            ++added;
            EXPECT_EQ(allow, code.endsWith('*') && !code.contains('+') ? 0 : 1) << code.toStdString();
        } else {
            const QString title = who[code][8];
            EXPECT_NE(description, title);
            (description.toUpper() == title.toUpper() ? caseOnly : reworded) += 1;
            EXPECT_EQ(allow, who[code][5].endsWith('*') ? 0 : 1);
        }
    }
    EXPECT_EQ(added, fresh);
    EXPECT_EQ(reworded, 20);
    EXPECT_EQ(caseOnly, 5);
}

TEST(SampleDatabaseFiles, presenceIsBuildFileOrMedicare)
{
    QTemporaryDir dir;
    EXPECT_FALSE(sampledb::embeddedDatabasesPresent(dir.path()));
    writeBytes(QDir(dir.path()).filePath("central.db"), "x");
    EXPECT_FALSE(sampledb::embeddedDatabasesPresent(dir.path()));
    writeBytes(QDir(dir.path()).filePath("Medicare.db"), "x");
    EXPECT_TRUE(sampledb::embeddedDatabasesPresent(dir.path()));
    EXPECT_EQ(sampledb::centralDatabasePath(dir.path()), QDir(dir.path()).filePath("central.db"));
}

TEST(SampleDatabaseFiles, refusesToOverwriteWithoutForceAndKeepsTheOldFilesWithIt)
{
    QTemporaryDir dir;
    const QString folder = dir.path() + "/db/sub"; // created on the way
    EXPECT_EQ(sampledb::buildSampleDatabases(folder, false).built, sampledb::sampleDatabaseFiles());
    EXPECT_TRUE(sampledb::embeddedDatabasesPresent(folder));

    // Existing files stay untouched without --force, and no message proposes it: the files
    // may hold applied changes and the activity log.
    try {
        sampledb::buildSampleDatabases(folder, false);
        ADD_FAILURE() << "no error";
    } catch (const Error& e) {
        EXPECT_TRUE(e.message().contains("nothing was changed")) << e.message().toStdString();
        EXPECT_FALSE(e.message().contains("--force")) << e.message().toStdString();
    }
    const QString buildFile = QDir(folder).filePath("Build_FILE.db");
    ASSERT_TRUE(QFile::remove(QDir(folder).filePath("Medicare.db")));
    writeBytes(buildFile, "not a database");
    try {
        sampledb::buildSampleDatabases(folder, false);
        ADD_FAILURE() << "built Medicare.db beside a Build_FILE.db of its own";
    } catch (const Error& e) {
        EXPECT_TRUE(e.message().contains("Build_FILE.db is in")) << e.message().toStdString();
        EXPECT_FALSE(e.message().contains("--force")) << e.message().toStdString();
    }
    EXPECT_EQ(readBytes(buildFile), "not a database");
    EXPECT_FALSE(QFileInfo::exists(QDir(folder).filePath("Medicare.db")));

    const QByteArray oldCentral = readBytes(QDir(folder).filePath("central.db"));
    const sampledb::SampleBuild forced = sampledb::buildSampleDatabases(folder, true);
    EXPECT_EQ(forced.built, sampledb::sampleDatabaseFiles());
    const auto counts = sampledb::countSampleTables(folder);
    ASSERT_FALSE(counts.isEmpty());
    EXPECT_EQ(counts.first().file, "Build_FILE.db");
    EXPECT_EQ(counts.first().table, "tbICDdiagMain");
    EXPECT_EQ(counts.first().rows, whoCodes().size() + expectedDuplicates().size());
    // Each old file beside its new one, named with the time of the build.
    ASSERT_EQ(forced.keptAside.size(), 2);
    const QRegularExpression kept(R"(/(Build_FILE|central)\.db\.\d{4}-\d\d-\d\d \d{6}\.bak$)");
    for (const QString& path : forced.keptAside)
        EXPECT_TRUE(kept.match(path).hasMatch()) << path.toStdString();
    EXPECT_TRUE(forced.keptAside[0].startsWith(buildFile + "."));
    EXPECT_EQ(readBytes(forced.keptAside[0]), "not a database");
    EXPECT_EQ(readBytes(forced.keptAside[1]), oldCentral);
    QStringList files = QDir(folder).entryList({"*.db"}, QDir::Files | QDir::Hidden);
    files.sort(Qt::CaseInsensitive);
    EXPECT_EQ(files.join(' '), "Build_FILE.db central.db Medicare.db");
    EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden).size(), 5);
}

TEST(SampleDatabaseFiles, aMissingCentralDatabaseIsBuiltAloneBesideTheOtherTwo)
{
    QTemporaryDir dir;
    sampledb::buildSampleDatabases(dir.path(), false);
    const QString buildFile = QDir(dir.path()).filePath("Build_FILE.db");
    const QString medicare = QDir(dir.path()).filePath("Medicare.db");
    writeBytes(buildFile, readBytes(buildFile) + "changed since"); // what applies and the log leave
    const QByteArray buildFileBytes = readBytes(buildFile);
    const QByteArray medicareBytes = readBytes(medicare);
    ASSERT_TRUE(QFile::remove(sampledb::centralDatabasePath(dir.path())));

    const sampledb::SampleBuild build = sampledb::buildSampleDatabases(dir.path(), false);
    EXPECT_EQ(build.built, QStringList{"central.db"});
    EXPECT_TRUE(build.keptAside.isEmpty());
    EXPECT_EQ(readBytes(buildFile), buildFileBytes);
    EXPECT_EQ(readBytes(medicare), medicareBytes);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 3);
    EXPECT_NO_THROW(sampledb::countSampleTables(dir.path()));

    // The hospital databases alone beside an existing central.db: built, central.db kept.
    const QByteArray centralBytes = readBytes(sampledb::centralDatabasePath(dir.path()));
    ASSERT_TRUE(QFile::remove(buildFile) && QFile::remove(medicare));
    EXPECT_EQ(sampledb::buildSampleDatabases(dir.path(), false).built,
              (QStringList{"Build_FILE.db", "Medicare.db"}));
    EXPECT_EQ(readBytes(sampledb::centralDatabasePath(dir.path())), centralBytes);
}

TEST(SampleDatabaseFiles, failureLeavesNothingHalfBuilt)
{
    QTemporaryDir dir;
    auto failAt = [](sampledb::SampleBuildStep failing, const QString& file) {
        return [=](sampledb::SampleBuildStep step, const QString& name) {
            if (step == failing && name == file)
                throw Error("injected failure");
        };
    };
    EXPECT_THROW(sampledb::buildSampleDatabases(dir.path(), false,
                                                failAt(sampledb::SampleBuildStep::Built, "Medicare.db")),
                 Error);
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).isEmpty());

    // With --force over existing files, a failure at any step keeps the old files as they
    // were, under their own names, and leaves no new or moved file behind.
    const QString buildFile = QDir(dir.path()).filePath("Build_FILE.db");
    const QString central = sampledb::centralDatabasePath(dir.path());
    for (const auto& [step, file] : {std::pair{sampledb::SampleBuildStep::Built, "Medicare.db"},
                                     std::pair{sampledb::SampleBuildStep::MovedAside, "central.db"},
                                     std::pair{sampledb::SampleBuildStep::Placed, "Medicare.db"}}) {
        writeBytes(buildFile, "old");
        writeBytes(central, "old central");
        try {
            sampledb::buildSampleDatabases(dir.path(), true, failAt(step, file));
            ADD_FAILURE() << "no error at " << file;
        } catch (const Error& e) {
            if (step != sampledb::SampleBuildStep::Built) {
                EXPECT_TRUE(e.message().contains("every file was put back")) << e.message().toStdString();
            }
        }
        QStringList files = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden);
        files.sort(Qt::CaseInsensitive);
        EXPECT_EQ(files, (QStringList{"Build_FILE.db", "central.db"})) << file;
        EXPECT_EQ(readBytes(buildFile), "old");
        EXPECT_EQ(readBytes(central), "old central");
    }
}

namespace {
// A raw connection that holds a write transaction on a database, as another program would.
struct Writer
{
    sqlite3* db = nullptr;
    explicit Writer(const QString& path)
    {
        sqlite3_open(path.toUtf8().constData(), &db);
        // A one-page cache makes the change spill into the file, behind a synced journal.
        sqlite3_exec(db, "pragma cache_size=1; begin immediate; delete from tbICDdiagMain;", nullptr, nullptr,
                     nullptr);
    }
    ~Writer()
    {
        sqlite3_exec(db, "rollback", nullptr, nullptr, nullptr);
        sqlite3_close(db);
    }
};

int userVersion(const QString& path)
{
    sqlite3* db = nullptr;
    sqlite3_open(path.toUtf8().constData(), &db);
    int version = -1;
    sqlite3_exec(
        db, "pragma user_version",
        [](void* out, int, char** values, char**) {
            *static_cast<int*>(out) = std::atoi(values[0]);
            return 0;
        },
        &version, nullptr);
    sqlite3_close(db);
    return version;
}
} // namespace

TEST(SampleDatabaseFiles, forceNeverReplacesAFileInUseNorKeepsItsJournal)
{
    QTemporaryDir dir;
    sampledb::buildSampleDatabases(dir.path(), false);
    const QString buildFile = QDir(dir.path()).filePath("Build_FILE.db");
    {
        // A mark in the old file's first page, which every journal of it holds.
        sqlite3* db = nullptr;
        sqlite3_open(buildFile.toUtf8().constData(), &db);
        sqlite3_exec(db, "pragma user_version = 4242", nullptr, nullptr, nullptr);
        sqlite3_close(db);
    }
    const auto before = sampledb::countSampleTables(dir.path());
    {
        Writer writer(buildFile);
        ASSERT_TRUE(QFile::exists(buildFile + "-journal"));
        try {
            sampledb::buildSampleDatabases(dir.path(), true);
            ADD_FAILURE() << "replaced a file in use";
        } catch (const Error& e) {
            EXPECT_TRUE(e.message().contains("Build_FILE.db is in use")) << e.message().toStdString();
        }
        // What a writer that crashed now would leave: the changed file and its hot journal.
        writeBytes(dir.path() + "/crashed.db", readBytes(buildFile));
        writeBytes(dir.path() + "/crashed.db-journal", readBytes(buildFile + "-journal"));
    }
    EXPECT_EQ(sampledb::countSampleTables(dir.path()), before);

    ASSERT_TRUE(QFile::remove(buildFile));
    ASSERT_TRUE(QFile::rename(dir.path() + "/crashed.db", buildFile));
    ASSERT_TRUE(QFile::rename(dir.path() + "/crashed.db-journal", buildFile + "-journal"));
    sampledb::buildSampleDatabases(dir.path(), true);
    EXPECT_EQ(sampledb::countSampleTables(dir.path()), before);
    EXPECT_NE(userVersion(buildFile), 4242) << "the old file's journal was rolled into the new file";
    EXPECT_EQ(QDir(dir.path()).entryList({"*.db"}, QDir::Files).size(), 3);
    EXPECT_EQ(QDir(dir.path()).entryList({"*.bak"}, QDir::Files).size(), 3);
    EXPECT_TRUE(QDir(dir.path()).entryList({"*-journal"}, QDir::Files).isEmpty());
}

TEST(SampleDatabaseFiles, aFileInUseIsSeenInAFolderWhoseNameIsNotAscii)
{
    // SQLite takes file names in UTF-8, whatever the system's code page (Windows' is not).
    QTemporaryDir parent;
    const QString folder = parent.filePath(QString::fromUtf8("Ärzte Ω 2024"));
    sampledb::buildSampleDatabases(folder, false);
    const auto before = sampledb::countSampleTables(folder);
    {
        Writer writer(QDir(folder).filePath("Medicare.db"));
        try {
            sampledb::buildSampleDatabases(folder, true);
            ADD_FAILURE() << "replaced a file in use";
        } catch (const Error& e) {
            EXPECT_TRUE(e.message().contains("Medicare.db is in use")) << e.message().toStdString();
        }
    }
    EXPECT_EQ(sampledb::countSampleTables(folder), before);
    EXPECT_TRUE(QDir(folder).entryList({"*.bak"}, QDir::Files).isEmpty());
}

TEST(SampleDatabaseFiles, aFileOpenWithoutALockIsNeitherLostNorHalfReplaced)
{
    // A database browser holds Medicare.db open without a lock. Windows refuses to move an
    // open file: the build fails and puts every file back. Elsewhere the move succeeds. Either
    // way the folder holds the three databases, complete.
    QTemporaryDir dir;
    sampledb::buildSampleDatabases(dir.path(), false);
    const auto before = sampledb::countSampleTables(dir.path());
    QFile browser(QDir(dir.path()).filePath("Medicare.db"));
    ASSERT_TRUE(browser.open(QIODevice::ReadOnly));
    QString error;
    try {
        sampledb::buildSampleDatabases(dir.path(), true);
    } catch (const Error& e) {
        error = e.message();
    }
    browser.close();
#ifdef Q_OS_WIN
    EXPECT_TRUE(error.contains("every file was put back")) << error.toStdString();
#else
    EXPECT_TRUE(error.isEmpty()) << error.toStdString();
#endif
    EXPECT_EQ(sampledb::countSampleTables(dir.path()), before);
}

TEST(SampleDatabaseFiles, aFileInPlaceOfTheFolderIsReported)
{
    QTemporaryDir dir;
    const QString notAFolder = QDir(dir.path()).filePath("db");
    writeBytes(notAFolder, "x");
    try {
        sampledb::buildSampleDatabases(notAFolder, true);
        ADD_FAILURE() << "no error";
    } catch (const Error& e) {
        EXPECT_TRUE(e.message().contains(QDir::toNativeSeparators(notAFolder))) << e.message().toStdString();
    }
    EXPECT_THROW(sampledb::countSampleTables(dir.path()), Error);
}
