#pragma once

// Benchmarks that run each configuration in a child process of their own (the same
// executable with other arguments), so that every configuration's peak memory is its own.

#include "PeakMemory.h"
#include "sampledb/SampleDatabases.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStringList>
#include <QTextStream>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace orvex::bench {

struct ChildFigures
{
    quint64 statements = 0;
    double medianSeconds = 0;
    double peakMb = 0; // 0 where not measured
};

// The middle value (the upper one of an even count); 0 for none.
inline double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

// In the child: prints what the parent reads back.
inline void printChildFigures(quint64 statements, std::vector<double> seconds)
{
    std::printf("%llu %.4f %ld\n", static_cast<unsigned long long>(statements), median(std::move(seconds)),
                ownPeakMemoryKb());
}

// A run's own copy of the sample's database `files`, so that what it writes leaves the
// next run's start as it was.
inline bool copySampleFiles(const QString& from, const QString& to, const QStringList& files)
{
    for (const QString& file : files) {
        if (!QFile::copy(QDir(from).filePath(file), QDir(to).filePath(file)))
            return false;
    }
    return true;
}

// In the parent: runs this executable with `args` and reads the child's figures. On a
// failure returns false with what the child said in `error`.
inline bool runChild(const QStringList& args, ChildFigures& figures, QString& error)
{
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), args);
    child.waitForFinished(-1);
    const QStringList f = QString::fromLatin1(child.readAllStandardOutput()).split(QLatin1Char(' '));
    if (child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0 || f.size() < 3) {
        error = QString::fromLocal8Bit(child.readAllStandardError());
        return false;
    }
    figures = {f[0].toULongLong(), f[1].toDouble(), f[2].trimmed().toLong() / 1024.0};
    return true;
}

// The last three columns of a row of the parent's table ("statements", "median s",
// "peak MB"), and their heads.
inline QString figureHeads()
{
    return QStringLiteral("%1 %2 %3").arg("statements", 11).arg("median s", 10).arg("peak MB", 8);
}

inline QString figureCells(const ChildFigures& f)
{
    return QStringLiteral("%1 %2 %3")
        .arg(f.statements, 11)
        .arg(f.medianSeconds, 10, 'f', 4)
        .arg(f.peakMb, 8, 'f', 1);
}

// In the parent: the sample databases every child works on, built once into `folder`, and
// the first line of the output.
inline void buildSampleDatabasesFor(const QString& folder, int runs, QTextStream& out)
{
    QElapsedTimer build;
    build.start();
    sampledb::buildSampleDatabases(folder, false);
    out << "sample databases built in " << build.elapsed() << " ms; " << runs
        << " runs per configuration\n\n";
}

} // namespace orvex::bench
