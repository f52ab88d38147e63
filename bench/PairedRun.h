#pragma once

// Times one of ours against a reference round by round: each round runs a batch of ours,
// then a batch of the reference, so both see the same machine; a load that comes and goes
// moves both sides of a round together. A round's rate is its batch's fastest sample (a
// call, or a few short calls timed together): the one least disturbed by the other
// programs of a shared machine. Reported: each side's
// best round and the median over rounds of the paired ratio.

#include <functional>
#include <string>

struct Workload
{
    std::string name;
    double bytes = 0;          // processed by one call of run
    std::function<bool()> run; // false: the workload failed (wrong result)
};

struct PairOutcome
{
    double oursRate = 0;      // MB/s, best round
    double referenceRate = 0; // MB/s, best round
    double medianRatio = 0;   // median over rounds of ours / reference
    bool failed = false;
};

enum class PairClock
{
    // The calling thread's CPU time where the system measures it finely (Linux), so that
    // calls longer than a scheduler slice are not charged for the other programs' turns;
    // wall time elsewhere.
    ThreadCpu,
    Wall // for what includes waiting on the system, such as a whole extraction
};

// A batch repeats a call until it lasts about batchSeconds (at least one call).
PairOutcome RunPaired(const Workload& ours, const Workload& reference, int rounds, double batchSeconds,
                      PairClock clock);
