#include "bench/PairedRun.h"

#include <algorithm>
#include <chrono>
#include <vector>

#ifndef _WIN32
#include <time.h>
#endif

namespace
{

double Now(PairClock clock)
{
#ifndef _WIN32
    if (clock == PairClock::ThreadCpu)
    {
        timespec now = {};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
        return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
    }
#else
    (void)clock; // the system's thread times tick every 15.6 ms: wall time only
#endif
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// The fastest of `calls` calls, each timed on its own, in seconds; negative when a call
// failed. On a shared machine the fastest call is the one nothing else interrupted.
double TimeBatch(const Workload& workload, int calls, PairClock clock)
{
    double fastest = 0;
    for (int i = 0; i < calls; ++i)
    {
        const double start = Now(clock);
        if (!workload.run())
            return -1;
        const double seconds = Now(clock) - start;
        if (i == 0 || seconds < fastest)
            fastest = seconds;
    }
    return fastest;
}

int CallsPerBatch(const Workload& workload, double batchSeconds, PairClock clock)
{
    const double once = TimeBatch(workload, 1, clock); // also the warm-up
    if (once <= 0)
        return once < 0 ? 0 : 1000;
    return std::max(1, static_cast<int>(batchSeconds / once));
}

} // namespace

PairOutcome RunPaired(const Workload& ours, const Workload& reference, int rounds, double batchSeconds,
                      PairClock clock)
{
    PairOutcome outcome;
    const int oursCalls = CallsPerBatch(ours, batchSeconds, clock);
    const int referenceCalls = CallsPerBatch(reference, batchSeconds, clock);
    if (oursCalls == 0 || referenceCalls == 0)
    {
        outcome.failed = true;
        return outcome;
    }
    std::vector<double> ratios;
    for (int round = 0; round < rounds; ++round)
    {
        const double oursSeconds = TimeBatch(ours, oursCalls, clock);
        const double referenceSeconds = TimeBatch(reference, referenceCalls, clock);
        if (oursSeconds < 0 || referenceSeconds < 0)
        {
            outcome.failed = true;
            return outcome;
        }
        const double oursRate = ours.bytes / oursSeconds / 1e6;
        const double referenceRate = reference.bytes / referenceSeconds / 1e6;
        outcome.oursRate = std::max(outcome.oursRate, oursRate);
        outcome.referenceRate = std::max(outcome.referenceRate, referenceRate);
        ratios.push_back(oursRate / referenceRate);
    }
    std::sort(ratios.begin(), ratios.end());
    const size_t middle = ratios.size() / 2;
    outcome.medianRatio = ratios.size() % 2 ? ratios[middle] : (ratios[middle - 1] + ratios[middle]) / 2;
    return outcome;
}
