#include "cli/Options.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace
{

struct ParseCase
{
    std::vector<const char*> arguments; // without the program name
    OptionsAction action;
    const char* source;
    const char* destination;
    const char* passwordFile;
    BYTE bOverwrite;
    bool bQuiet;
};

OptionsAction Parse(std::vector<const char*> arguments, COptions* options, std::string* error)
{
    arguments.insert(arguments.begin(), "ovx-extract");
    return ParseOptions(static_cast<int>(arguments.size()), arguments.data(), options, error);
}

TEST(Options, ParsesWhatToExtract)
{
    const ParseCase cases[] = {
        {{"in.ovx", "out"}, OPTIONS_RUN, "in.ovx", "out", "", 0, false},
        {{"--overwrite", "-q", "in", "out"}, OPTIONS_RUN, "in", "out", "", 1, true},
        {{"in", "--quiet", "out", "--overwrite"}, OPTIONS_RUN, "in", "out", "", 1, true},
        {{"--password-file", "pw.txt", "in", "out"}, OPTIONS_RUN, "in", "out", "pw.txt", 0, false},
        {{"--password-file=pw.txt", "in", "out"}, OPTIONS_RUN, "in", "out", "pw.txt", 0, false},
        // The word after --password-file is its value even when it looks like an option.
        {{"--password-file", "--quiet", "in", "out"}, OPTIONS_RUN, "in", "out", "--quiet", 0, false},
        // After "--" everything is an operand; a lone "-" always is.
        {{"--", "-in", "--out"}, OPTIONS_RUN, "-in", "--out", "", 0, false},
        {{"-", "out"}, OPTIONS_RUN, "-", "out", "", 0, false},
        {{"--help"}, OPTIONS_HELP, "", "", "", 0, false},
        {{"in", "--bogus", "-h"}, OPTIONS_HELP, "", "", "", 0, false},
        {{"--version", "in"}, OPTIONS_VERSION, "", "", "", 0, false},
    };
    for (const ParseCase& test : cases)
    {
        COptions options;
        std::string error;
        const OptionsAction action = Parse(test.arguments, &options, &error);
        SCOPED_TRACE(test.arguments.empty() ? "" : test.arguments.front());
        ASSERT_EQ(action, test.action) << error;
        if (action != OPTIONS_RUN)
            continue;
        EXPECT_EQ(options.m_strSource, test.source);
        EXPECT_EQ(options.m_strDestination, test.destination);
        EXPECT_EQ(options.m_strPasswordFile, test.passwordFile);
        EXPECT_EQ(options.m_bOverwrite, test.bOverwrite);
        EXPECT_EQ(options.m_bQuiet, test.bQuiet);
        EXPECT_TRUE(error.empty());
    }
}

TEST(Options, RefusesUsageErrorsWithAReason)
{
    const struct
    {
        std::vector<const char*> arguments;
        const char* reasonPart;
    } cases[] = {
        {{}, "missing SOURCE and DESTINATION"},
        {{"in"}, "missing DESTINATION"},
        {{"in", "out", "more"}, "unexpected argument 'more'"},
        {{"--bogus", "in", "out"}, "unknown option '--bogus'"},
        {{"-o", "in", "out"}, "unknown option '-o'"},
        {{"in", "out", "--password-file"}, "--password-file needs a file name"},
        {{"--password-file=", "in", "out"}, "--password-file needs a file name"},
        {{"--password-file", "", "in", "out"}, "--password-file needs a file name"},
        // A password on the command line is refused with the reason, not as a typo.
        {{"--password", "secret", "in", "out"}, "no --password option"},
        {{"--password=secret", "in", "out"}, "visible to other users"},
    };
    for (const auto& test : cases)
    {
        COptions options;
        std::string error;
        EXPECT_EQ(Parse(test.arguments, &options, &error), OPTIONS_ERROR) << test.reasonPart;
        EXPECT_NE(error.find(test.reasonPart), std::string::npos) << error;
        EXPECT_EQ(error.find('\n'), std::string::npos);
    }
}

} // namespace
