// The window against the console program on many small files, under the same system:
// a Directory to Directory job over a tree of 3,000 files of a few hundred bytes, run
// by OVXExtractor.exe (driven through its windows) and by ovx-extract.exe, alternately,
// each into a fresh destination. Prints each round's wall times, the best and the
// median ratio, and whether the window's log equals the console's, byte for byte.
//
//   ovx_window_bench [rounds [files]]     (Windows build only; under Wine with a display)

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/cli/ChildProcess.h"
#include "tests/e2e/CAppSession.h"
#include "tests/support/OvxEncoder.h"
#include "tests/support/TempFolder.h"

namespace
{
const char PASSWORD[] = "bench password";
constexpr int FOLDERS = 30;

double Seconds(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The window's log as the console prints it: "\n" line ends, then its final line.
std::string AsConsoleLog(const std::string& windowLog, const std::string& title)
{
    std::string log;
    for (char c : windowLog)
        if (c != '\r')
            log += c;
    log.append("\n").append(title).append("\n");
    return log;
}
} // namespace

int main(int argc, char** argv)
{
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    const int FILES = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3000;
    TempFolder folder;
    for (int i = 0; i < FILES; ++i)
        WriteFileBytes(folder.PathOf("in/" + std::to_string(i % FOLDERS) + "/f" + std::to_string(i) + ".ovx"),
                       EncodeRecordFormat(MakePlaintext(200 + i % 300, i), PASSWORD));

    std::vector<double> ratios;
    bool bSameLogs = true;
    for (int round = 0; round < rounds; ++round)
    {
        // Appended, not concatenated: GCC 12 warns wrongly on "x" + std::string at -O3.
        const std::string windowOut = folder.PathOf(std::string("out-window-").append(std::to_string(round)));
        const std::string consoleOut = folder.PathOf(std::string("out-console").append(std::to_string(round)));

        CAppSession session(OVX_APP_EXE);
        session.Start();
        session.Fill({PASSWORD, true, folder.PathOf("in"), windowOut});
        auto start = std::chrono::steady_clock::now();
        session.PressExtract();
        const std::string title = session.WaitForTitle("Finished", 600000);
        const double window = Seconds(start);
        const std::string windowLog = AsConsoleLog(session.Log(), title);
        session.CloseProgress();
        session.Close();

        start = std::chrono::steady_clock::now();
        const ChildResult console = RunExtract({"-q", folder.PathOf("in"), consoleOut}, PASSWORD);
        const double consoleSeconds = Seconds(start);

        // The logs name their own destinations; compare them with the destinations aligned.
        std::string expected = console.strOutput;
        for (size_t at = 0; (at = expected.find(consoleOut, at)) != std::string::npos; at += windowOut.size())
            expected.replace(at, consoleOut.size(), windowOut);
        bSameLogs = bSameLogs && console.nStatus == 0 && windowLog == expected;
        ratios.push_back(window / consoleSeconds);
        std::printf("round %d: window %.2f s, ovx-extract.exe %.2f s (status %d), ratio %.2fx, logs %s\n", round + 1,
                    window, consoleSeconds, console.nStatus, window / consoleSeconds,
                    windowLog == expected ? "identical" : "DIFFER");
    }
    std::sort(ratios.begin(), ratios.end());
    std::printf("window / ovx-extract.exe, %d files: best %.2fx, median %.2fx, worst %.2fx; logs %s\n", FILES,
                ratios.front(), ratios[ratios.size() / 2], ratios.back(), bSameLogs ? "identical" : "DIFFER");
    return bSameLogs ? 0 : 1;
}
