// Starts the program named on the command line (an installed OVXExtractor.exe, say),
// waits for its main dialog to show, and closes it with its Close button. Exits with 0
// when the dialog showed and the program then ended as Close ends it (status 1);
// otherwise says why.

#include <cstdio>
#include <stdexcept>

#include "tests/e2e/CAppSession.h"

int main(int argc, char** argv)
{
    if (argc != 2)
    {
        std::fprintf(stderr, "usage: ovx_start_check PROGRAM\n");
        return 2;
    }
    try
    {
        CAppSession session(argv[1]);
        session.Start();
        const DWORD exitCode = session.Close();
        if (exitCode != 1)
            throw std::runtime_error("the program ended with status " + std::to_string(exitCode));
        return 0;
    }
    catch (const std::exception& e)
    {
        std::fprintf(stderr, "ovx_start_check: %s: %s\n", argv[1], e.what());
        return 1;
    }
}
