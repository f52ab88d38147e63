#include "cli/Options.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace
{

// What the parser makes of the arguments (without the program name), as one line.
std::string Parse(std::vector<const char*> arguments)
{
    arguments.insert(arguments.begin(), "ovx-extract");
    COptions options;
    std::string error;
    switch (ParseOptions(static_cast<int>(arguments.size()), arguments.data(), &options, &error))
    {
    case OPTIONS_HELP:
        return "help";
    case OPTIONS_VERSION:
        return "version";
    case OPTIONS_ERROR:
        return "error: " + error;
    case OPTIONS_RUN:
        break;
    }
    std::string sources;
    for (const std::string& source : options.m_sources)
        sources += (sources.empty() ? "" : " ") + source;
    return sources + (options.m_bTest ? " tested" : options.m_bStdout ? " -> stdout" : " -> " + options.m_strDestination) +
           (options.m_strPasswordFile.empty() ? "" : ", password file " + options.m_strPasswordFile) +
           (options.m_bOverwrite != 0 ? ", overwrite" : "") + (options.m_bQuiet ? ", quiet" : "") +
           (options.m_nThreads != 0 ? ", threads " + std::to_string(options.m_nThreads) : "");
}

TEST(Options, ParsesTheCommandLine)
{
    const struct
    {
        std::vector<const char*> arguments;
        std::string parsed; // an error need only begin with this
    } cases[] = {
        {{"in.ovx", "out"}, "in.ovx -> out"},
        {{"--overwrite", "-q", "in", "out"}, "in -> out, overwrite, quiet"},
        {{"in", "--quiet", "out", "--overwrite"}, "in -> out, overwrite, quiet"},
        {{"--password-file", "pw.txt", "in", "out"}, "in -> out, password file pw.txt"},
        {{"--password-file=pw.txt", "in", "out"}, "in -> out, password file pw.txt"},
        // The word after --password-file is its value even when it looks like an option.
        {{"--password-file", "--quiet", "in", "out"}, "in -> out, password file --quiet"},
        // After "--" everything is an operand; a lone "-" always is.
        {{"--", "-in", "--out"}, "-in -> --out"},
        {{"-", "out"}, "- -> out"},
        // --help and --version win over everything, usage errors included.
        {{"--help"}, "help"},
        {{"in", "--bogus", "-h"}, "help"},
        {{"--version", "in"}, "version"},
        {{}, "error: missing SOURCE and DESTINATION"},
        {{"in"}, "error: missing DESTINATION"},
        // Several sources: the last operand is DESTINATION, except with --test or --stdout.
        {{"a", "b", "-q", "out"}, "a b -> out, quiet"},
        {{"--test", "a", "b"}, "a b tested"},
        {{"-c", "a"}, "a -> stdout"},
        {{"--stdout", "--threads=2", "a"}, "a -> stdout, threads 2"},
        {{"-c", "a", "out"}, "error: --stdout takes one SOURCE and no DESTINATION"},
        {{"-c", "--test", "a"}, "error: --test and --stdout exclude each other"},
        {{"-c"}, "error: missing SOURCE"},
        {{"a", "", "out"}, "error: SOURCE is empty"},
        // An empty operand (an unset shell variable) is refused, not taken as the root.
        {{"", "out"}, "error: SOURCE is empty"},
        {{"in", ""}, "error: DESTINATION is empty"},
        {{"--", "in", ""}, "error: DESTINATION is empty"},
        {{"--bogus", "in", "out"}, "error: unknown option '--bogus'"},
        {{"in", "out", "--password-file"}, "error: --password-file needs a file name"},
        {{"--password-file=", "in", "out"}, "error: --password-file needs a file name"},
        {{"--password-file", "", "in", "out"}, "error: --password-file needs a file name"},
        {{"--threads", "3", "in", "out"}, "in -> out, threads 3"},
        {{"--threads=256", "in", "out"}, "in -> out, threads 256"},
        {{"--threads", "0", "in", "out"}, "error: --threads needs a number from 1 to 256, not '0'"},
        {{"--threads=257", "in", "out"}, "error: --threads needs a number from 1 to 256"},
        {{"--threads", "-2", "in", "out"}, "error: --threads needs a number from 1 to 256"},
        {{"in", "out", "--threads"}, "error: --threads needs a number from 1 to 256, not ''"},
        // A password on the command line is refused with the reason, not as a typo.
        {{"--password", "secret", "in", "out"}, "error: there is no --password option"},
        {{"--password=secret", "in", "out"}, "error: there is no --password option"},
    };
    for (const auto& test : cases)
    {
        const std::string parsed = Parse(test.arguments);
        EXPECT_EQ(test.parsed.rfind("error: ", 0) == 0 ? parsed.substr(0, test.parsed.size()) : parsed, test.parsed);
    }
}

} // namespace
