// Poses the real program for the README's screenshots: the main dialog in each mode,
// filled in, the progress window during and after a job, and after a job over names
// outside the system's code page. For each view it prints
// "SHOT <name> <left> <top> <width> <height>" (the window's rectangle on the screen)
// and waits for a line on its input, the sign that the picture has been taken
// (scripts/screenshots.sh does both). Exits with 0 when every view was shown.

#include <cstdio>
#include <stdexcept>
#include <string>

#include "tests/e2e/CAppSession.h"
#include "tests/e2e/LargeOvxFile.h"
#include "tests/support/OvxEncoder.h"
#include "tests/support/TempFolder.h"
#include "tests/support/UnicodeTree.h"

namespace
{
constexpr DWORD JOB_TIMEOUT_MS = 15000;
// Time for a window to repaint after its last change before it is captured.
constexpr DWORD SETTLE_MS = 400;

const char PASSWORD[] = "Open Sesame 42";

void Shoot(const char* name, HWND hWnd)
{
    // Wine without a window manager makes the program's first window the foreground one
    // but leaves its caption drawn inactive; draw it as the active window it is.
    if (GetForegroundWindow() == hWnd)
        SendMessageTimeoutA(hWnd, WM_NCACTIVATE, TRUE, 0, SMTO_ABORTIFHUNG, 2000, nullptr);
    Sleep(SETTLE_MS);
    RECT rect = {};
    if (!GetWindowRect(hWnd, &rect))
        throw std::runtime_error(std::string("no window for ") + name);
    std::printf("SHOT %s %ld %ld %ld %ld\n", name, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
    std::fflush(stdout);
    char answer[16];
    if (std::fgets(answer, sizeof(answer), stdin) == nullptr)
        throw std::runtime_error("no answer after " + std::string(name));
}
} // namespace

int main()
{
    try
    {
        TempFolder folder;
        WriteFileBytes(folder.PathOf("Encrypted/Reports/summary.pdf.ovx"),
                       EncodeRecordFormat(MakePlaintext(180000, 1), PASSWORD));
        WriteFileBytes(folder.PathOf("Encrypted/Reports/figures.xlsx.ovx"),
                       EncodeChunkFormat(MakePlaintext(90000, 2), PASSWORD));
        WriteFileBytes(folder.PathOf("Encrypted/notes.txt.ovx"), EncodeRecordFormat(MakePlaintext(4000, 3), PASSWORD));
        WriteFileBytes(folder.PathOf("Encrypted/Photos/2023/harbour.jpg.ovx"),
                       EncodeChunkFormat(MakePlaintext(250000, 4), PASSWORD));
        WriteLargeChunkFile(folder.PathOf("Archive/backup.tar.ovx"), 1ull << 30, PASSWORD);
        WriteFileText(folder.PathOf("Encrypted/readme.txt"), "not encoded");
        const std::string source = folder.PathOf("Encrypted"), destination = folder.PathOf("Decrypted");

        CAppSession session(OVX_APP_EXE);
        session.Start();
        session.Fill({PASSWORD, false, source + "\\Reports\\summary.pdf.ovx", destination, false});
        Shoot("main-file", session.MainDialog());
        session.Fill({PASSWORD, true, source, destination, true});
        Shoot("main-directory", session.MainDialog());

        // A file big enough to be mid-way when captured, kept out of the folder job; then stopped.
        session.Fill({PASSWORD, false, folder.PathOf("Archive\\backup.tar.ovx"), destination, false});
        session.PressExtract();
        session.WaitForTitle("Extracting...", JOB_TIMEOUT_MS);
        // Shown once the bar has a share and the line a time left.
        WaitUntil([&] { return session.ProgressText().find(" left") != std::string::npos; }, JOB_TIMEOUT_MS);
        Shoot("progress-running", session.ProgressWindow());
        session.PressStop();
        session.WaitForTitle("Finished", JOB_TIMEOUT_MS);
        session.CloseProgress();

        session.Fill({PASSWORD, true, source, destination, true});
        session.PressExtract();
        session.WaitForTitle("Finished", JOB_TIMEOUT_MS);
        Shoot("progress-finished", session.ProgressWindow());
        session.CloseProgress();

        // Names outside the system's code page, shown as the job logs them.
        WriteUnicodeTree(folder.PathOf("Unicode\\"), UNICODE_TREE_KEY);
        session.Fill({UNICODE_TREE_PASSWORD, true, folder.PathOf("Unicode"), destination, true});
        session.PressExtract();
        session.WaitForTitle("Finished", JOB_TIMEOUT_MS);
        Shoot("progress-unicode", session.ProgressWindow());
        session.CloseProgress();
        session.Close();
        return 0;
    }
    catch (const std::exception& error)
    {
        std::fprintf(stderr, "screenshots: %s\n", error.what());
        return 1;
    }
}
