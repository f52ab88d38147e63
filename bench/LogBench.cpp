// The progress window's log as it grows: 100,000 lines reported as a worker reports
// them, timed per 10,000 from the first report until the window shows the last one.
// Appends must not slow down as the log grows: prints each block's time and the last
// blocks against the first.
//
//   ovx_log_bench      (Windows build only; under Wine with a display)

#include <algorithm>
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
    CLogBenchDialog() : CProgressDialog(Settings(), 0) {}
    std::vector<double> m_blockSeconds;
    CExtractJob* m_pJob = nullptr;

protected:
    HANDLE StartThread(LPTHREAD_START_ROUTINE, LPVOID pJob) override
    {
        m_pJob = static_cast<CExtractJob*>(pJob);
        return CreateThread(nullptr, 0, Report, this, 0, nullptr);
    }

private:
    static JobSettings Settings()
    {
        JobSettings settings;
        settings.pDecryptor = &BenchCipher();
        settings.strSource = "in";
        settings.strDestination = "out";
        settings.bSingleFile = false;
        return settings;
    }

    static DWORD WINAPI Report(LPVOID pThis)
    {
        auto* self = static_cast<CLogBenchDialog*>(pThis);
        HWND hWndLog = GetDlgItem(self->m_hWnd, IDC_LOG);
        LRESULT lines = 1; // the empty line after the last line end
        for (int block = 0; block < LINES / BLOCK; ++block)
        {
            const auto start = std::chrono::steady_clock::now();
            for (int i = block * BLOCK; i < (block + 1) * BLOCK; ++i)
            {
                self->m_pJob->AppendLog("Processing 'C:\\in\\%06d.ovx'...\n", i);
                ++lines;
            }
            // The line count, not the text length: the control counts its lines as it
            // goes, where a length would make it walk the whole text at every look.
            while (SendMessageA(hWndLog, EM_GETLINECOUNT, 0, 0) < lines)
                Sleep(1);
            self->m_blockSeconds.push_back(
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        }
        self->m_pJob->SetJobState(JOB_FINISHED);
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
    // Medians of three blocks at each end, so that one disturbed block does not decide.
    auto median3 = [](std::vector<double> v) {
        std::sort(v.begin(), v.end());
        return v[1];
    };
    const std::vector<double>& s = dialog.m_blockSeconds;
    std::printf("log of %d lines: the last %d lines took %.2fx the time of the first %d (medians of 3 blocks)\n", LINES,
                3 * BLOCK, median3({s.end() - 3, s.end()}) / median3({s.begin(), s.begin() + 3}), 3 * BLOCK);
    return 0;
}
