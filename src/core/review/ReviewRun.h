#pragma once

#include "jobs/Finding.h"
#include "review/ChangeClass.h"

#include <QByteArray>
#include <QDateTime>
#include <QMap>
#include <QString>
#include <QStringList>

#include <span>

class QIODevice;

namespace orvex::review {

// The amounts a change shows, in their order: the update run's and the scan's...
inline constexpr const char* kAmountColumns[] = {"Amount", "PF", "MedRoomBoard"};
// ...and the package rate script's, which raises all six of a package.
inline constexpr const char* kPackageAmountColumns[] = {"Amount",   "PF",        "MedRoomBoard",
                                                        "MedDrugs", "MedOthers", "MedOR"};

// What the review files show of one run: where its changes came from and the changes.
struct ReviewRun
{
    QString title;        // "Update run"
    QStringList sources;  // the lists the run read, full paths
    QDateTime when;       // the run's time, from the job's clock
    QString user;         // who ran it
    QString database;     // the database it read, as ConnectionSettings::describe() names it
    QString recordDigest; // the SHA-256 of the run's changes.json, "" when it leaves none
    std::span<const jobs::Finding> changes;                // not owned: the run's own list
    std::span<const jobs::Finding> overridden;             // changes a later line of the same row replaced
    std::span<const ChangeClass> classes = kChangeClasses; // the sections, in order
    std::span<const char* const> amountColumns = kAmountColumns; // none for the ICD scan
    QStringList notRead; // what a stopped or incomplete run did not read, and why
    // Classes the page lists but an apply leaves out, each with why.
    QMap<ChangeClass, QString> notApplied;
};

// The page's and the change list's date: ISO 8601 order in the workstation's local time,
// "2024-02-14 09:30:00", the same whatever the system's locale.
QString reviewDateTime(const QDateTime& when);

// The file names in the output folder.
inline constexpr char16_t kReviewPageName[] = u"report.html";
inline constexpr char16_t kChangeListName[] = u"changes.csv";

// The self-contained review page (UTF-8 HTML with its style and script inline), written
// to `device` as it is rendered, and as a whole.
void writeReviewPage(const ReviewRun& run, QIODevice& device);
QByteArray reviewPage(const ReviewRun& run);
// The change list: UTF-8 with a byte-order mark, CR LF, RFC 4180 quoting.
void writeChangeList(const ReviewRun& run, QIODevice& device);
QByteArray changeList(const ReviewRun& run);

// The two files' paths in `outputFolder`.
QString reviewPagePath(const QString& outputFolder);
QString changeListPath(const QString& outputFolder);
// Removes both, if there: an earlier run's review must not stand beside a new run's reports.
void removeReviewFiles(const QString& outputFolder);

// Writes both into `outputFolder`, each replaced as a whole or left as it was. Throws
// orvex::Error naming the file that could not be written.
void writeReviewFiles(const ReviewRun& run, const QString& outputFolder);
// Each of the two on its own, as writeReviewFiles writes it.
void writeReviewPageFile(const ReviewRun& run, const QString& outputFolder);
void writeChangeListFile(const ReviewRun& run, const QString& outputFolder);

// The change in percent from `before` to `after` as "+12.5%", or "" when there is no
// before value or it is 0.
QString changePercent(const QString& before, const QString& after);

} // namespace orvex::review
