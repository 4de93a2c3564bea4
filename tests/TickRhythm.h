#pragma once

// The rhythm of the main window's 50 ms real-time timer while a test works
// the program: the longest gap between two ticks that the program itself
// caused.
//
// The wall-clock gap alone also counts the time the user-interface thread was
// ready to run but the machine gave its core to another process (a parallel
// build, the other tests of `ctest -j`): on a loaded 2-core machine that adds
// tens of milliseconds that no window of ours caused. Linux keeps, per thread,
// the time it waited on the run queue (/proc/thread-self/schedstat, second
// field, ns); that wait is taken off each gap. Time the thread spent blocked
// (a socket read, a file write, a lock) is not run-queue time and still
// counts, so blocking I/O on the user-interface thread is caught as before.
// Where the kernel keeps no such figure, the wall-clock gap is used as it is.

#include <QElapsedTimer>
#include <QObject>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cstdio>

namespace vantrel::test {

/// The longest gap between two ticks of the main window's 50 ms real-time
/// timer a window test allows while it works the program, ms.
inline constexpr qint64 kLongestTickGapMs = 100;

/// Run-queue wait of the calling thread so far, ms; 0 where unknown.
inline double RunQueueWaitMs() {
    std::FILE* f = std::fopen("/proc/thread-self/schedstat", "r");
    if (f == nullptr) {
        return 0;
    }
    unsigned long long onCpuNs = 0;
    unsigned long long waitNs = 0;
    const int read = std::fscanf(f, "%llu %llu", &onCpuNs, &waitNs);
    std::fclose(f);
    return read == 2 ? static_cast<double>(waitNs) / 1e6 : 0;
}

/// The longest gap between ticks of `timer` over `ms`, in ms, less the time
/// the user-interface thread waited for a core meanwhile; `ms` when the timer
/// did not tick twice. `wallMs` receives the plain wall-clock gap.
inline qint64 LongestOwnTickGap(QTimer* timer, int ms, qint64* wallMs = nullptr) {
    QElapsedTimer since;
    double longest = 0;
    qint64 longestWall = 0;
    qint64 last = -1;
    double lastWait = 0;
    const auto hook = QObject::connect(timer, &QTimer::timeout, [&] {
        const qint64 now = since.elapsed();
        const double wait = RunQueueWaitMs();
        if (last >= 0) {
            const qint64 wall = now - last;
            longestWall = std::max(longestWall, wall);
            longest = std::max(longest, static_cast<double>(wall) - (wait - lastWait));
        }
        last = now;
        lastWait = wait;
    });
    since.start();
    QTest::qWait(ms);
    QObject::disconnect(hook);
    if (wallMs != nullptr) {
        *wallMs = last < 0 ? ms : longestWall;
    }
    return last < 0 ? ms : static_cast<qint64>(longest + 0.5);
}

/// `LongestOwnTickGap` of `timer` over `ms`, with both gaps said in the
/// test's log.
inline qint64 LoggedOwnTickGap(QTimer* timer, int ms) {
    qint64 wall = 0;
    const qint64 own = LongestOwnTickGap(timer, ms, &wall);
    qInfo("tick gap %lld ms, %lld ms on the wall clock", own, wall);
    return own;
}

} // namespace vantrel::test
