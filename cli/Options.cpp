#include "cli/Options.h"

#include <cstring>
#include <string>

#include "decode/CBlowfish.h"

namespace
{

const char HELP_TEXT[] =
    "Usage: ovx-extract [options] SOURCE... DESTINATION\n"
    "       ovx-extract --test [options] SOURCE...\n"
    "       ovx-extract -c [options] SOURCE\n"
    "\n"
    "Decodes password-protected .ovx files.\n"
    "  SOURCE a file:   File to File; the decoded file goes into the folder DESTINATION.\n"
    "  SOURCE a folder: Directory to Directory; every .ovx file below SOURCE is decoded\n"
    "                   into the same place below the folder DESTINATION.\n"
    "An output file is named after its source less the last extension (a.txt.ovx gives\n"
    "a.txt). Missing destination folders are created. Several sources are handled one\n"
    "after the other, in the order given, as one run with one summary; a source given\n"
    "twice is handled once, and one that does not exist is reported and skipped.\n"
    "\n"
    "Options:\n"
    "  --overwrite           replace existing output files in Directory to Directory\n"
    "                        mode (File to File always replaces its output file)\n"
    "  --test                decode and check every file of SOURCE (every record's\n"
    "                        index, length and CRC; the chunk layout's length) and\n"
    "                        write nothing; one line per file, \"OK\" or why it\n"
    "                        failed, then \"Tested - N file(s) OK, M failed\"\n"
    "  -c, --stdout          decode the one file SOURCE to standard output (not a\n"
    "                        terminal) and write nothing to disk; the log goes to\n"
    "                        standard error. Each record is checked before its bytes\n"
    "                        go out, but bytes written before a damaged record stay\n"
    "                        written: a failure is named in the log and the status is 1\n"
    "  --threads N           decode each file on N threads (1 to 256; default: one per\n"
    "                        processor); 1 decodes on one thread, as a reference\n"
    "  --password-file FILE  read the password from the first line of FILE\n"
    "  -q, --quiet           no progress line on standard error\n"
    "  -h, --help            show this help and exit\n"
    "  --version             show the version and exit\n"
    "  --                    end of options\n"
    "\n"
    "The password comes from the first of these that is present:\n"
    "  1. --password-file FILE: the first line of FILE, without its line end\n"
    "  2. the environment variable OVX_PASSWORD (used even when set but empty)\n"
    "  3. a prompt on the terminal, without echo\n"
    "No option takes the password itself: a command line can be read by every user of\n"
    "the machine in its process list, and it stays in shell histories. Without a\n"
    "password file, OVX_PASSWORD or a terminal, nothing is extracted (status 2).\n"
    "A password must be 1 to %u bytes long; any other is refused before any file is\n"
    "touched (status 2).\n"
    "\n"
    "Standard output (standard error with --stdout) shows the job's log exactly as\n"
    "the window does, then the line\n"
    "\"Finished - N file(s) extracted\". When standard error is a terminal it shows a\n"
    "progress line. Ctrl+C stops the job, and so do closing the terminal or console\n"
    "and the system's request to end (SIGTERM, logoff, shutdown): the file in\n"
    "progress is removed and the job finishes with the files done so far. A second\n"
    "Ctrl+C ends the program at once, which can leave the unfinished file behind in\n"
    "its folder as XXXXXXXX.~ovxpart (eight hexadecimal digits).\n"
    "\n"
    "Exit status:\n"
    "  0    every matching file was extracted (also when there was none);\n"
    "       with --test: every matching file passed\n"
    "  1    a file failed or was skipped, a SOURCE was not found, a folder could not\n"
    "       be listed, a name could not be used as a path, or the job was stopped\n"
    "  2    usage error, no SOURCE found, or no usable password\n"
    "  130  ended at once by a second Ctrl+C\n";

const char VERSION_TEXT[] = "ovx-extract " OVX_VERSION "\n";

bool StartsWith(const char* text, const char* prefix)
{
    return std::strncmp(text, prefix, std::strlen(prefix)) == 0;
}

// A decimal count from 1 to MAX_THREADS_OPTION, digits only; 0 for anything else.
UINT ParseThreadCount(const char* text)
{
    UINT n = 0;
    for (const char* p = text; *p != '\0'; ++p)
    {
        if (*p < '0' || *p > '9')
            return 0;
        n = n * 10 + static_cast<UINT>(*p - '0');
        if (n > MAX_THREADS_OPTION)
            return 0;
    }
    return n;
}

// The value of an option given as "--name VALUE" or "--name=VALUE" ("" when missing).
const char* OptionValue(const char* name, int argc, const char* const* argv, int* i)
{
    const char* arg = argv[*i];
    if (arg[std::strlen(name)] == '=')
        return arg + std::strlen(name) + 1;
    return *i + 1 < argc ? argv[++*i] : "";
}

} // namespace

OptionsAction ParseOptions(int argc, const char* const* argv, COptions* options, std::string* error)
{
    *options = COptions();
    error->clear();

    // The first usage error is kept, so that a later --help still wins.
    std::string firstError;
    auto fail = [&firstError](std::string message) {
        if (firstError.empty())
            firstError = std::move(message);
    };

    std::vector<std::string> operands;
    bool bOptionsEnded = false;
    for (int i = 1; i < argc; ++i)
    {
        const char* arg = argv[i];
        if (bOptionsEnded || arg[0] != '-' || arg[1] == '\0')
            operands.push_back(arg);
        else if (std::strcmp(arg, "--") == 0)
            bOptionsEnded = true;
        else if (std::strcmp(arg, "-h") == 0 || std::strcmp(arg, "--help") == 0)
            return OPTIONS_HELP;
        else if (std::strcmp(arg, "--version") == 0)
            return OPTIONS_VERSION;
        else if (std::strcmp(arg, "--overwrite") == 0)
            options->m_bOverwrite = 1;
        else if (std::strcmp(arg, "--test") == 0)
            options->m_bTest = true;
        else if (std::strcmp(arg, "-c") == 0 || std::strcmp(arg, "--stdout") == 0)
            options->m_bStdout = true;
        else if (std::strcmp(arg, "-q") == 0 || std::strcmp(arg, "--quiet") == 0)
            options->m_bQuiet = true;
        else if (std::strcmp(arg, "--threads") == 0 || StartsWith(arg, "--threads="))
        {
            const char* count = OptionValue("--threads", argc, argv, &i);
            options->m_nThreads = ParseThreadCount(count);
            if (options->m_nThreads == 0)
                fail(std::string("--threads needs a number from 1 to 256, not '") + count + "'");
        }
        else if (std::strcmp(arg, "--password-file") == 0 || StartsWith(arg, "--password-file="))
        {
            const char* file = OptionValue("--password-file", argc, argv, &i);
            if (*file == '\0')
                fail("--password-file needs a file name");
            options->m_strPasswordFile = file;
        }
        else if (std::strcmp(arg, "--password") == 0 || StartsWith(arg, "--password="))
            fail(
                "there is no --password option: a command line is visible to other users; "
                "use --password-file FILE, OVX_PASSWORD or the prompt");
        else
            fail(std::string("unknown option '") + arg + "'");
    }

    // The last operand is DESTINATION, except with --test and --stdout, which take none.
    const bool bDestination = !options->m_bTest && !options->m_bStdout;
    const bool bHasDestination = bDestination && operands.size() >= 2;
    if (bHasDestination)
    {
        options->m_strDestination = operands.back();
        operands.pop_back();
    }
    options->m_sources = operands;

    if (options->m_bTest && options->m_bStdout)
        fail("--test and --stdout exclude each other");
    else if (options->m_bStdout && operands.size() > 1)
        fail("--stdout takes one SOURCE and no DESTINATION; the decoded bytes go to standard output");
    else if (operands.empty())
        fail(bDestination ? "missing SOURCE and DESTINATION" : "missing SOURCE");
    else if (bDestination && !bHasDestination)
        fail("missing DESTINATION");
    // Refused as the window refuses an empty field: an empty DESTINATION (an unset
    // shell variable) would otherwise be normalised to the root "\".
    for (const std::string& source : operands)
        if (source.empty())
            fail("SOURCE is empty");
    if (bHasDestination && options->m_strDestination.empty())
        fail("DESTINATION is empty");

    if (!firstError.empty())
    {
        *error = firstError;
        return OPTIONS_ERROR;
    }
    return OPTIONS_RUN;
}

const char* GetHelpText()
{
    // HELP_TEXT holds one %u: the longest password.
    static const std::string text = [] {
        std::string filled = HELP_TEXT;
        filled.replace(filled.find("%u"), 2, std::to_string(BLOWFISH_MAX_KEY_LENGTH));
        return filled;
    }();
    return text.c_str();
}

const char* GetVersionText()
{
    return VERSION_TEXT;
}
