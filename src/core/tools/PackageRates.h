#pragma once

#include "db/Connection.h"
#include "jobs/Finding.h"
#include "jobs/Job.h"

#include <QString>

namespace orvex::tools {

struct PackageRateParams
{
    QString percentText =
        QStringLiteral("30"); // the digits after the decimal point: "30" is 30 %, "5" is 50 %
    QString yearText = QStringLiteral("2023"); // appended to the table name the script addresses
    QString outputPath;                        // empty: UpdatePackageRates.txt in the output folder
};

struct PackageRateResult
{
    int packages = 0; // lines written
    QString path;
    bool stopped = false; // a stop request ended the run: nothing was written
    // One per line written: a rate change of the package, its amounts as read and as raised.
    jobs::Findings changes;
};

// The rate factor the percentage box means: "30" gives 0.30, "05" 0.05, "5" 0.5, "125"
// 0.125. Blanks are ignored. Throws orvex::Error for anything but digits ("", "abc",
// "1e5"), which would otherwise read as 0 or as a huge factor.
double rateFactor(const QString& percentText);
// "= +30 %" beside the box, "= ?" when the text is not a percentage.
QString rateFactorCaption(const QString& percentText);
// Throws orvex::Error unless the year holds only letters, digits and underscores (or is empty).
void checkYearText(const QString& yearText);

// Writes one UPDATE line per active package, its six amounts raised by the factor, to a
// temporary file that replaces the output file only once complete: a failure leaves the
// previous script in place. A stop request of `job`, when given, is seen between packages and
// ends the run with nothing written. Throws orvex::Error naming the file or what failed.
PackageRateResult writePackageRateScript(db::Connection& connection, const PackageRateParams& params,
                                         const jobs::Job* job = nullptr);

} // namespace orvex::tools
