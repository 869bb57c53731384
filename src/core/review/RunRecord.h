#pragma once

#include "jobs/Finding.h"

#include <QDateTime>
#include <QJsonObject>
#include <QString>
#include <QStringList>

namespace orvex::review {

// How far a run got. A complete run read every line of its lists; a stopped one ended at
// the user's stop; an incomplete one passed over a list or lines it could not read. The
// order is their weight: a run both stopped and incomplete counts as incomplete.
enum class RunCompletion { Complete, Stopped, Incomplete };
// "complete", "stopped", "incomplete": the name in the record.
QString completionName(RunCompletion completion);

// What a run did not read, and why, each as a sentence a user can act on.
struct RunCompleteness
{
    RunCompletion completion = RunCompletion::Complete;
    QStringList notRead; // "lines 2 to 4 of "ICD PH 2024.txt": the diagnosis pass was stopped"

    bool isComplete() const { return completion == RunCompletion::Complete; }
    void add(RunCompletion why, const QString& what);
    bool operator==(const RunCompleteness&) const = default;
};

// The closing message of a run that is not complete: whether an apply asks or refuses, which
// files hold only the lines read (`files`: "script.txt and scriptPH.txt"), and what was not read.
QString notCompleteMessage(const RunCompleteness& completeness, const QString& files);
// The lines that mark such a run at the end of its log ("*** ..."); none for a complete run.
QStringList notReadLogLines(const RunCompleteness& completeness);

// What a run that proposes changes leaves behind for a later apply: who ran it against
// which database, with which options, and every change with the values it read. Written
// beside the run's reports as output/changes.json; an apply works from this file alone.
struct RunRecord
{
    QString runId;     // unique per run: its time and a random part
    QString kind;      // one of the run kinds below
    QDateTime when;    // the run's time, from the job's clock
    QString user;      // who ran it
    QString database;  // as ConnectionSettings::describe() names it (never a password)
    bool verB = false; // tbMedPackage_NEW kept in step too
    bool updateDescriptions = false;
    QString testSuffix; // "" or the suffix of the test copies the scripts aim at
    // Everything the run was made with, and how far it read, so that an apply can make the
    // same run again and check that the changes are still what it gives (RunRederive). Empty
    // in a record of an earlier version, which an apply refuses.
    QJsonObject params;
    RunCompleteness completeness;
    jobs::Findings changes;

    // Whether it is a run of `kind` (kUpdateRun, ...).
    bool is(const char16_t* kind) const { return this->kind == QStringView(kind); }

    bool operator==(const RunRecord&) const = default;
};

inline constexpr char16_t kRunRecordName[] = u"changes.json";

// The kinds of run that leave a record.
inline constexpr char16_t kUpdateRun[] = u"update";
inline constexpr char16_t kScanRun[] = u"scan";
inline constexpr char16_t kPhScanRun[] = u"ph-scan";
inline constexpr char16_t kPackageRatesRun[] = u"package-rates";
bool isRunKind(const QString& kind);
// "update run", "ICD scan", "PH scan", "package rate script"; the kind itself when unknown.
QString runKindTitle(const QString& kind);

// "20240214-093000-1a2b3c4d": the time and 32 random bits.
QString newRunId(const QDateTime& when);
// Whether `id` is of that form: a run id names marker files and is matched in the activity
// log, so nothing else may pass for one.
bool isRunId(const QString& id);
// A record of a new run of `kind` ("update", ...): a fresh run id, the run's time, who ran it
// on which database; options and changes are the caller's to fill in.
RunRecord newRunRecord(const QString& kind, const QDateTime& when, const QString& user,
                       const QString& database);

QByteArray runRecordJson(const RunRecord& record);
// Writes the record into `outputFolder`, replaced as a whole or left as it was. Throws
// orvex::Error naming the file that could not be written.
// Returns the SHA-256 of what it wrote: the review page, the apply's question and its log
// entry show it, so that a record changed after its review is seen to differ.
QString writeRunRecord(const RunRecord& record, const QString& outputFolder);
QString runRecordDigest(const QByteArray& bytes);
// Removes the record of an earlier run from `outputFolder`, if there.
void removeRunRecord(const QString& outputFolder);
// Reads a record back. Throws orvex::Error naming the file when it is missing or damaged.
// With `digest`, also the SHA-256 of the bytes it read.
RunRecord readRunRecord(const QString& path, QString* digest = nullptr);

} // namespace orvex::review
