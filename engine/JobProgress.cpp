#include "engine/JobProgress.h"

#include <cmath>
#include <cstdio>

double ProgressFraction(const JobProgress& progress)
{
    if (!progress.bCounted)
        return -1.0;
    double fraction = 1.0;
    if (progress.nBytesTotal > 0)
        fraction = static_cast<double>(progress.nBytesDone) / static_cast<double>(progress.nBytesTotal);
    else if (progress.nFilesTotal > 0)
        fraction = static_cast<double>(progress.nFilesDone) / static_cast<double>(progress.nFilesTotal);
    return fraction < 1.0 ? fraction : 1.0;
}

double ProgressRate(const JobProgress& progress, double seconds)
{
    return seconds > 0.0 ? static_cast<double>(progress.nBytesDone) / seconds : 0.0;
}

double SecondsLeft(const JobProgress& progress, double seconds)
{
    const double fraction = ProgressFraction(progress);
    // Too early a guess swings wildly: the first files may be small or already there.
    if (fraction <= 0.0 || seconds < 0.5)
        return -1.0;
    return seconds * (1.0 - fraction) / fraction;
}

std::string FormatByteCount(double bytes)
{
    static const char* const units[] = {"KiB", "MiB", "GiB", "TiB"};
    char text[32];
    if (bytes < 1024.0)
    {
        std::snprintf(text, sizeof text, "%.0f B", bytes);
        return text;
    }
    int unit = 0;
    bytes /= 1024.0;
    while (bytes >= 1024.0 && unit < 3)
    {
        bytes /= 1024.0;
        ++unit;
    }
    std::snprintf(text, sizeof text, "%.1f %s", bytes, units[unit]);
    return text;
}

std::string FormatCount(UINT64 count)
{
    std::string digits = std::to_string(count);
    for (int i = static_cast<int>(digits.size()) - 3; i > 0; i -= 3)
        digits.insert(static_cast<size_t>(i), 1, ',');
    return digits;
}

std::string FormatDuration(double seconds)
{
    char text[32];
    if (seconds < 10.0)
        std::snprintf(text, sizeof text, "%.1f s", seconds < 0.0 ? 0.0 : seconds);
    else
    {
        const UINT64 whole = static_cast<UINT64>(std::llround(seconds));
        if (whole < 60)
            std::snprintf(text, sizeof text, "%u s", static_cast<UINT>(whole));
        else if (whole < 3600)
            std::snprintf(text, sizeof text, "%u min %02u s", static_cast<UINT>(whole / 60), static_cast<UINT>(whole % 60));
        else
            std::snprintf(text, sizeof text, "%u h %02u min", static_cast<UINT>(whole / 3600),
                          static_cast<UINT>(whole / 60 % 60));
    }
    return text;
}

namespace
{
std::string Files(UINT64 count)
{
    return FormatCount(count) + (count == 1 ? " file" : " files");
}

// "1.2 of 4.0 GiB" when both counts read in one unit, else "36.8 MiB of 1.0 GiB".
std::string BytesOf(UINT64 done, UINT64 total)
{
    const std::string doneText = FormatByteCount(static_cast<double>(done));
    const std::string totalText = FormatByteCount(static_cast<double>(total));
    const size_t doneUnit = doneText.find(' '), totalUnit = totalText.find(' ');
    if (doneText.compare(doneUnit, std::string::npos, totalText, totalUnit, std::string::npos) == 0)
        return doneText.substr(0, doneUnit) + " of " + totalText;
    return doneText + " of " + totalText;
}
} // namespace

std::string FormatProgressText(const JobProgress& progress, double seconds)
{
    std::string text;
    if (!progress.bCounted)
        text = Files(progress.nFilesDone) + ", " + FormatByteCount(static_cast<double>(progress.nBytesDone)) +
               " done, counting...";
    else
        text = FormatCount(progress.nFilesDone) + " of " + Files(progress.nFilesTotal) + ", " +
               BytesOf(progress.nBytesDone, progress.nBytesTotal);
    if (seconds > 0.0)
        text += ", " + FormatByteCount(ProgressRate(progress, seconds)) + "/s";
    const double left = SecondsLeft(progress, seconds);
    if (left >= 0.0)
        text += ", about " + FormatDuration(left) + " left";
    return text;
}

std::string FormatFinishText(const JobProgress& progress, double seconds)
{
    std::string text = Files(progress.nFilesDone) + ", " + FormatByteCount(static_cast<double>(progress.nBytesDone)) +
                       " in " + FormatDuration(seconds);
    if (seconds > 0.0)
        text += " (" + FormatByteCount(ProgressRate(progress, seconds)) + "/s)";
    return text;
}
