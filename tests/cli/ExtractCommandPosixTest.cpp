// ovx-extract end to end where only POSIX systems can drive it here: the password
// prompt on a pseudo-terminal, and a stop by SIGINT in the middle of a large file.

#ifndef _WIN32

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/cli/ChildProcess.h"
#include "tests/support/OvxEncoder.h"
#include "tests/support/TempFolder.h"

namespace
{

const std::string PASSWORD = "  typed at the prompt ";

// Reads what the terminal shows until it contains `text` or `timeoutMs` pass.
bool ReadTerminalUntil(int master, const std::string& text, std::string* shown, int timeoutMs)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (shown->find(text) == std::string::npos)
    {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        struct pollfd wait = {master, POLLIN, 0};
        if (left.count() <= 0 || poll(&wait, 1, static_cast<int>(left.count())) <= 0)
            return false;
        char buffer[256];
        const ssize_t got = read(master, buffer, sizeof buffer);
        if (got <= 0)
            return false;
        shown->append(buffer, static_cast<size_t>(got));
    }
    return true;
}

TEST(ExtractCommandPosix, PromptsOnTheTerminalWithoutEcho)
{
    TempFolder folder;
    const std::vector<BYTE> plain = MakePlaintext(2000);
    const std::string source = folder.PathOf("in/a.ovx");
    WriteFileBytes(source, EncodeRecordFormat(plain, PASSWORD));

    int master = -1, slave = -1;
    ASSERT_EQ(openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
    fcntl(master, F_SETFD, FD_CLOEXEC);
    ChildProcess child({OVX_EXTRACT_EXE, source, folder.PathOf("out")}, {}, slave);
    ASSERT_TRUE(child.Started());

    std::string shown;
    ASSERT_TRUE(ReadTerminalUntil(master, "Password: ", &shown, 30000)) << shown;
    const std::string typed = PASSWORD + "\n";
    ASSERT_EQ(write(master, typed.data(), typed.size()), static_cast<ssize_t>(typed.size()));

    EXPECT_EQ(child.Wait(30000), 0) << child.Errors();
    ReadTerminalUntil(master, "\n", &shown, 1000); // the line end written after the input
    EXPECT_EQ(shown, "Password: \r\n"); // the typed password never shows
    struct termios settings;
    ASSERT_EQ(tcgetattr(slave, &settings), 0);
    EXPECT_NE(settings.c_lflag & ECHO, 0u) << "echo was not restored";
    EXPECT_EQ(child.Output(), "Processing '" + source + "'...\n\n*** Finished ***\nFinished - 1 file(s) extracted\n");
    EXPECT_EQ(ReadFileBytes(folder.PathOf("out/a")), plain);
    close(master);
    close(slave);
}

TEST(ExtractCommandPosix, InterruptInTheMiddleOfALargeFileLeavesNothingBehind)
{
    TempFolder folder;
    RecordFormatOptions options;
    options.payloadUnit = 65536;
    const std::string source = folder.PathOf("in/large.bin.ovx");
    WriteFileBytes(source, EncodeRecordFormat(MakePlaintext(64u << 20), "secret", options));
    const std::string destination = folder.PathOf("out");

    ChildProcess child({OVX_EXTRACT_EXE, source, destination}, {"OVX_PASSWORD=secret"});
    ASSERT_TRUE(child.WaitForOutput("Processing '", 30000)) << child.Errors();
    child.Interrupt();

    EXPECT_EQ(child.Wait(60000), 1);
    EXPECT_EQ(child.Output(),
              "Processing '" + source + "'...\n\n*** Finished ***\nFinished - 0 file(s) extracted\n");
    // No partial output and no temporary file; the destination folder itself stays.
    EXPECT_EQ(ListFolder(destination), std::vector<std::string>{});
    EXPECT_TRUE(PathExists(destination));
}

} // namespace

#endif
