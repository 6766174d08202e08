#pragma once

// Shared by the benchmarks: an offscreen application, a monotonic clock, medians, peak memory.

#include "platform/memory.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

namespace bench {

// A QApplication on the offscreen platform, unless another one is asked for. Without
// `returnLargeBlocks`, freed blocks stay with the allocator as they did before the program asked.
class OffscreenApp {
public:
    OffscreenApp(int argc, char** argv, bool returnLargeBlocks = true)
        : args_(argv, argv + argc)
    {
        if (returnLargeBlocks)
            tl::returnLargeBlocksToTheSystem(); // as the program does
        static char platform[] = "-platform";
        static char offscreen[] = "offscreen";
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            args_.insert(args_.begin() + 1, { platform, offscreen });
        argc_ = static_cast<int>(args_.size());
        app_ = std::make_unique<QApplication>(argc_, args_.data());
    }

private:
    std::vector<char*> args_;
    int argc_ = 0;
    std::unique_ptr<QApplication> app_;
};

inline double seconds(const std::function<void()>& work)
{
    QElapsedTimer timer;
    timer.start();
    work();
    return timer.nsecsElapsed() / 1e9;
}

inline double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// A field of /proc/self/status given in kB (VmHWM, VmRSS), in bytes.
inline double statusBytes(const char* field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(field) && line.mid(qstrlen(field)).startsWith(':'))
            return line.mid(qstrlen(field) + 1).trimmed().split(' ').first().toDouble() * 1024;
    return 0;
}

// The process's peak resident memory, in bytes.
inline double peakMemory() { return statusBytes("VmHWM"); }

// Starts the peak afresh from what the process holds now, and returns that.
inline double restartPeakMemory()
{
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
    return statusBytes("VmRSS");
}

// Runs the yardstick and the measured work in turn, `rounds` times, and prints both medians and
// their ratio.
inline double compare(const char* what, int rounds, const std::function<void()>& yardstick,
    const std::function<void()>& measured, const std::function<void()>& between = {})
{
    std::vector<double> base, ours;
    for (int i = 0; i < rounds; ++i) {
        base.push_back(seconds(yardstick));
        if (between)
            between();
        ours.push_back(seconds(measured));
        if (between)
            between();
    }
    const double ratio = median(ours) / median(base);
    std::printf("%-48s %9.4f s   yardstick %9.4f s   ratio %.2f\n", what, median(ours), median(base), ratio);
    return ratio;
}

} // namespace bench
