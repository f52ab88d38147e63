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

// A sample is a few calls timed together, at least SAMPLE_SECONDS long, so that reading
// the clock (a system call for the thread's CPU time) stays a small part of it.
constexpr double SAMPLE_SECONDS = 2e-4;

struct Batch
{
    int samples = 0;
    int callsPerSample = 0;
};

// Seconds per call in the fastest of the batch's samples, or a negative value when a call
// failed. On a shared machine the fastest sample is the one others disturbed least.
double TimeBatch(const Workload& workload, const Batch& batch, PairClock clock)
{
    double fastest = 0;
    for (int i = 0; i < batch.samples; ++i)
    {
        const double start = Now(clock);
        for (int k = 0; k < batch.callsPerSample; ++k)
            if (!workload.run())
                return -1;
        const double seconds = (Now(clock) - start) / batch.callsPerSample;
        if (i == 0 || seconds < fastest)
            fastest = seconds;
    }
    return fastest;
}

Batch PlanBatch(const Workload& workload, double batchSeconds, PairClock clock)
{
    // The fastest of three calls, the first also the warm-up: planned from a cold first
    // call, a short call's samples came out a few calls long, the clock's cost in each.
    const double once = TimeBatch(workload, {3, 1}, clock);
    if (once < 0)
        return {};
    const double call = std::max(once, 1e-9);
    Batch batch;
    batch.callsPerSample = std::max(1, static_cast<int>(SAMPLE_SECONDS / call));
    batch.samples = std::max(1, static_cast<int>(batchSeconds / (call * batch.callsPerSample)));
    return batch;
}

} // namespace

PairOutcome RunPaired(const Workload& ours, const Workload& reference, int rounds, double batchSeconds, PairClock clock)
{
    PairOutcome outcome;
    const Batch oursBatch = PlanBatch(ours, batchSeconds, clock);
    const Batch referenceBatch = PlanBatch(reference, batchSeconds, clock);
    if (oursBatch.samples == 0 || referenceBatch.samples == 0)
    {
        outcome.failed = true;
        return outcome;
    }
    std::vector<double> ratios;
    for (int round = 0; round < rounds; ++round)
    {
        const double oursSeconds = TimeBatch(ours, oursBatch, clock);
        const double referenceSeconds = TimeBatch(reference, referenceBatch, clock);
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
