#pragma once

// The command line of ovx-extract: what to extract, where to, and how.

#include <string>
#include <vector>

#include "base/Types.h"

// What the command line asks for.
enum OptionsAction
{
    OPTIONS_RUN,     // extract each SOURCE into DESTINATION, test each SOURCE, or decode one to stdout
    OPTIONS_HELP,    // show the help text
    OPTIONS_VERSION, // show the version line
    OPTIONS_ERROR,   // a usage error, described by the parser
};

class COptions
{
public:
    std::vector<std::string> m_sources; // in the order given, duplicates included
    std::string m_strDestination;       // empty with --test and --stdout
    std::string m_strPasswordFile; // empty: none given
    BYTE m_bOverwrite = 0;
    bool m_bQuiet = false;
    bool m_bTest = false;   // --test: check each SOURCE, write nothing; no DESTINATION
    bool m_bStdout = false; // -c, --stdout: one SOURCE decoded to standard output; no DESTINATION
    UINT m_nThreads = 0;  // --threads N: threads decoding each file; 0: one per processor
};

// The most --threads takes: beyond it, memory grows with no core left to use it.
constexpr UINT MAX_THREADS_OPTION = 256;

// Reads argv[1..argc-1] into `options`. On OPTIONS_ERROR, `error` says what is wrong
// in one line without a line end. --help and --version win over everything else
// that follows them, including usage errors.
OptionsAction ParseOptions(int argc, const char* const* argv, COptions* options, std::string* error);

// The full --help text and the --version line, each ending in "\n".
const char* GetHelpText();
const char* GetVersionText();
