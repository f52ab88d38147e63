// The progress window's log as it grows: 100,000 lines reported as a worker reports
// them, timed per 10,000 from the first report until the window shows the last one.
// Appends must not slow down as the log grows: prints each block's time and the last
// block against the first.
//
//   ovx_log_bench      (Windows build only; under Wine with a display)

#include <chrono>
#include <cstdio>
#include <vector>

#include "bench/BenchData.h"
#include "progress/CProgressDialog.h"

namespace
{
constexpr int LINES = 100000;
constexpr int BLOCK = 10000;

// The progress window with the bench in place of the job's worker.
class CLogBenchDialog : public CProgressDialog
{
public:
    CLogBenchDialog() : CProgressDialog(&BenchCipher(), "in", "out", 0, 0, 0) {}
    std::vector<double> m_blockSeconds;

protected:
    HANDLE StartThread(LPTHREAD_START_ROUTINE, LPVOID) override { return CreateThread(nullptr, 0, Report, this, 0, nullptr); }

private:
    static DWORD WINAPI Report(LPVOID pThis)
    {
        auto* self = static_cast<CLogBenchDialog*>(pThis);
        HWND hWndLog = GetDlgItem(self->m_hWnd, IDC_LOG);
        LRESULT shown = 0;
        for (int block = 0; block < LINES / BLOCK; ++block)
        {
            const auto start = std::chrono::steady_clock::now();
            for (int i = block * BLOCK; i < (block + 1) * BLOCK; ++i)
            {
                char line[64];
                const int n = std::snprintf(line, sizeof(line), "Processing 'C:\\in\\%06d.ovx'...\n", i);
                self->Job().AppendLog("%s", line);
                shown += n + 1; // "\n" shows as "\r\n"
            }
            while (SendMessageA(hWndLog, WM_GETTEXTLENGTH, 0, 0) < shown)
                Sleep(1);
            self->m_blockSeconds.push_back(
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        }
        self->Job().SetJobState(JOB_FINISHED);
        PostMessageA(self->m_hWnd, WM_COMMAND, MAKEWPARAM(IDC_CLOSE, BN_CLICKED), 0);
        return 0;
    }
};
} // namespace

int main()
{
    CLogBenchDialog dialog;
    if (dialog.DoModal(GetModuleHandleA(nullptr), IDD_PROGRESS, nullptr) != CProgressDialog::RESULT_CLOSED ||
        dialog.m_blockSeconds.size() != LINES / BLOCK)
    {
        std::fprintf(stderr, "the log bench did not run to its end\n");
        return 1;
    }
    for (size_t i = 0; i < dialog.m_blockSeconds.size(); ++i)
        std::printf("lines %6d to %6d: %.3f s\n", static_cast<int>(i) * BLOCK + 1, static_cast<int>(i + 1) * BLOCK,
                    dialog.m_blockSeconds[i]);
    std::printf("log of %d lines: the last %d lines took %.2fx the time of the first %d\n", LINES, BLOCK,
                dialog.m_blockSeconds.back() / dialog.m_blockSeconds.front(), BLOCK);
    return 0;
}
