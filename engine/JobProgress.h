#pragma once

// A job's progress as both front ends show it, and the one definition of its percent,
// rate and time left. Pure arithmetic and text; no OS calls.

#include <string>

#include "base/Types.h"

// What the job has done, and of how much. Bytes are stored (source) bytes: the census
// counts them from the listing, the worker advances them within a file as its decoded
// output grows and settles them to the file's size when the file is done.
struct JobProgress
{
    UINT nFilesDone = 0;    // files the job has finished with, whatever their outcome
    UINT64 nBytesDone = 0;
    UINT nFilesTotal = 0;   // counted so far; the total once bCounted
    UINT64 nBytesTotal = 0;
    bool bCounted = false;  // the census has finished: the totals are known
};

// The share done, 0 to 1, by bytes when there are any, else by files; negative while
// the totals are not known. A tree that grew while counted never goes past 1.
double ProgressFraction(const JobProgress& progress);

// Bytes per second over `seconds` since the start; 0 before any time has passed.
double ProgressRate(const JobProgress& progress, double seconds);

// Seconds left at the pace so far; negative when that cannot be said yet (no totals,
// nothing done, under half a second gone).
double SecondsLeft(const JobProgress& progress, double seconds);

// A byte count for people: "512 B", "12.4 KiB", "1.5 MiB", "2.0 GiB".
std::string FormatByteCount(double bytes);

// A count with thousands separators: "3,000".
std::string FormatCount(UINT64 count);

// A duration for people: "0.4 s", "12 s", "2 min 05 s", "1 h 02 min".
std::string FormatDuration(double seconds);

// The window's line while the job runs: "1,204 of 3,000 files, 1.2 of 4.0 GiB,
// 610.0 MiB/s, about 5 s left"; while counting, what is done and "counting...".
std::string FormatProgressText(const JobProgress& progress, double seconds);

// The window's line at the finish: what was done in how long.
std::string FormatFinishText(const JobProgress& progress, double seconds);
