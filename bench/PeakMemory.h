#pragma once

#include <QtGlobal>

#if defined(Q_OS_LINUX)
#include <QByteArray>
#include <QFile>
#elif defined(Q_OS_WIN)
#ifndef NOMINMAX
#define NOMINMAX // keeps std::min and std::max usable after windows.h
#endif
#include <windows.h>
// windows.h first: psapi.h relies on its types.
#include <psapi.h>
#endif

namespace orvex::bench {

// This process's own peak resident memory in KiB; 0 where it is not measured. Not
// getrusage(RUSAGE_SELF): on Linux its ru_maxrss survives fork and exec, so a benchmark's
// child would report its parent's peak whenever that is higher. VmHWM belongs to the
// address space, which exec makes afresh.
inline long ownPeakMemoryKb()
{
#if defined(Q_OS_LINUX)
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).simplified().split(' ').value(0).toLong();
    }
    return 0;
#elif defined(Q_OS_WIN)
    PROCESS_MEMORY_COUNTERS counters{};
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters))
        return 0;
    return long(counters.PeakWorkingSetSize / 1024);
#else
    return 0;
#endif
}

} // namespace orvex::bench
