#pragma once

// Times one of ours against a reference round by round: each round runs a batch of ours,
// then a batch of the reference, so both see the same machine; a load that comes and goes
// moves both sides of a round together. A round's rate is its batch's fastest call (wall
// time), the call nothing else interrupted. Reported: each side's best round and the
// median over rounds of the paired ratio.

#include <functional>
#include <string>

struct Workload
{
    std::string name;
    double bytes = 0;           // processed by one call of run
    std::function<bool()> run;  // false: the workload failed (wrong result)
};

struct PairOutcome
{
    double oursRate = 0;      // MB/s, best round
    double referenceRate = 0; // MB/s, best round
    double medianRatio = 0;   // median over rounds of ours / reference
    bool failed = false;
};

// A batch repeats a call until it lasts about batchSeconds (at least one call).
PairOutcome RunPaired(const Workload& ours, const Workload& reference, int rounds, double batchSeconds);
