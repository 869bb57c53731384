#include "support/UpdateRunFixture.h"

#include "support/SmallDatabases.h"

namespace orvex::test {

void fillForUpdateRun(SmallDatabases& db)
{
    db.addPackage("7", "CHOLERA", 10000, 3000, 7000);
    db.addPackage("8", "INTESTINAL INFECTIONS", 6000, 1800, 4200);
    db.addPackage("9", "ALZHEIMER DISEASE", 11100, 7770, 3330);
    db.addPackage("10", "PERITONSILLAR ABSCESS", 10000, 7000, 3000);
    db.addPackage("30", "INCISION AND DRAINAGE", 20000, 6000, 14000);
    db.addPackage("31", "DEBRIDEMENT", QVariant(), QVariant(), QVariant()); // amounts never entered
    db.addCaseRate("A00", "Cholera", "7");
    db.addCaseRate("A01.0", "TYPHOID FEVER", "8");
    db.addCaseRate("A02.0", "Salmonella enteritis", "8");
    db.addCaseRate("A03", "Shigellosis", "8");
    db.addCaseRate("A04", "Enteropathogenic E. coli\r\ninfection", "8");
    db.addCaseRate("A05", "Foodborne staphylococcal intoxication", "7");
    db.addCaseRate("B05", "Measles", "99"); // its package is gone
    db.addCaseRate("G30.9", "Alzheimer's disease, unspecified", "9");
    db.addCaseRate("J36", "Peritonsillar abscess", "10");
    db.addCaseRate("X'01", "Made-up code", "8");
    const QString procedure = QStringLiteral(
        "INSERT INTO tbMed_Procedures (RVSCODE, Description, PackageID, Status) VALUES (?, ?, ?, 1)");
    db.exec("Medicare", procedure, {"10060", "Incision and drainage of abscess", "30"});
    db.exec("Medicare", procedure, {"10080", "Incision of pilonidal cyst", "30"});
    db.exec("Medicare", procedure, {"11000", "DEBRIDEMENT OF SKIN", "31"});
    const QString newStyle =
        QStringLiteral("INSERT INTO tbMedPackage_NEW (PackageID, Code, Package, Amount, PF, "
                       "MedRoomBoard, Status) VALUES (?, ?, ?, ?, ?, ?, 1)");
    db.exec("Medicare", newStyle, {"1", "A00", "CHOLERA", 10000, 3000, 7000});
    db.exec("Medicare", newStyle, {"2", "X'01", "MADE-UP", 6000, 1800, 4200});
    db.exec("Medicare", newStyle, {"3", "10060", "INCISION AND DRAINAGE", 20000, 6000, 14000});
}

} // namespace orvex::test
