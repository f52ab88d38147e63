// Differential: a small tree of encoded files built from the input is extracted twice,
// by the worker alone and with a pool of 2 to 8 threads, and both runs must agree on
// every log text, result, count, output byte and leftover. The input, in order
// (InputReader fields):
//   Byte   threads of the second run: 2 + b mod 7
//   Byte   bit 0 overwrite, bit 1 verify only, bit 2 a stranger's file "a" and bit 3 a
//          folder "b" in the destination before the run
//   Byte   files: 1 + b mod 4, each
//     Byte   name: {a, b, d, e.x}[b mod 4] + ".ovx", in the subfolder "d" when bit 2 is
//            set (so "d.ovx" beside "d" makes a file and a folder of one name)
//     Byte   length n of its description, then n bytes: a LayoutPlan
// Files of one name are written over, the last one kept.

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include <unistd.h>

#include "engine/CExtractJob.h"
#include "fuzz/JobCipher.h"
#include "fuzz/LayoutPlan.h"
#include "tests/support/RecordingDisplay.h"

namespace fs = std::filesystem;

namespace
{

using Bytes = std::vector<BYTE>;

void WriteBytes(const fs::path& path, const Bytes& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// Everything under `root`: folders as "name/", files with their bytes; temporary files
// under one name, as theirs are drawn at random.
std::map<std::string, std::string> ReadTree(const fs::path& root)
{
    std::map<std::string, std::string> tree;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(root))
    {
        std::string name = fs::relative(entry.path(), root).string();
        if (entry.is_directory())
        {
            tree[name + "/"];
            continue;
        }
        const size_t temp = name.find(".~ovxpart");
        if (temp != std::string::npos)
            name = "<temporary " + std::to_string(tree.size()) + ">";
        std::ifstream in(entry.path(), std::ios::binary);
        tree[name].assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    return tree;
}

std::string ReplaceAll(std::string text, const std::string& from, const std::string& to)
{
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

struct Run
{
    std::vector<std::string> events; // the destination's path replaced by "<out>/"
    UINT nExtracted = 0;
    UINT64 nBytes = 0;
    std::map<std::string, std::string> tree;
};

Run RunJob(const fs::path& source, const fs::path& destination, UINT nThreads, BYTE flags)
{
    fs::create_directories(destination);
    if (flags & 4)
        WriteBytes(destination / "a", Bytes{'o', 'l', 'd'});
    if (flags & 8)
        fs::create_directories(destination / "b");

    JobSettings settings;
    settings.pDecryptor = &FuzzJobCipher();
    settings.strSource = source.string() + "/";
    settings.strDestination = destination.string() + "/";
    settings.bSingleFile = false;
    settings.bOverwrite = (flags & 1) != 0;
    settings.bVerifyOnly = (flags & 2) != 0;
    settings.nDecodeThreads = nThreads;
    RecordingDisplay display;
    Run run;
    {
        CExtractJob job(settings, &display);
        job.Run();
        run.nExtracted = job.Status().Extracted();
        run.nBytes = job.Status().BytesDone();
    }
    for (const std::string& event : display.Events())
        run.events.push_back(ReplaceAll(event, settings.strDestination, "<out>/"));
    run.tree = ReadTree(destination);
    return run;
}

[[noreturn]] void Disagree(const char* what, UINT nThreads)
{
    std::fprintf(stderr, "one thread and %u threads differ in %s\n", nThreads, what);
    std::abort();
}

const fs::path& ScratchFolder()
{
    static const fs::path folder = [] {
        fs::path path = fs::temp_directory_path() / ("ovx-engine-fuzz-" + std::to_string(getpid()));
        fs::create_directories(path);
        return path;
    }();
    return folder;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    InputReader input(data, size);
    const UINT nThreads = 2 + input.Byte() % 7;
    const BYTE flags = input.Byte();
    const int nFiles = 1 + input.Byte() % 4;

    const fs::path root = ScratchFolder();
    fs::remove_all(root);
    const fs::path source = root / "in";
    fs::create_directories(source);
    static const char* const NAMES[] = {"a.ovx", "b.ovx", "d.ovx", "e.x.ovx"};
    for (int i = 0; i < nFiles; ++i)
    {
        const BYTE where = input.Byte();
        const fs::path folder = (where & 4) != 0 ? source / "d" : source;
        fs::create_directories(folder);
        InputReader description = input.Take(input.Byte());
        WriteBytes(folder / NAMES[where % 4], BuildLayoutPlan(description).image);
    }

    const Run alone = RunJob(source, root / "one", 1, flags);
    const Run pooled = RunJob(source, root / "many", nThreads, flags);
    if (alone.events != pooled.events)
    {
        for (size_t i = 0; i < alone.events.size() || i < pooled.events.size(); ++i)
            std::fprintf(stderr, "%-60s | %s\n", i < alone.events.size() ? alone.events[i].c_str() : "",
                         i < pooled.events.size() ? pooled.events[i].c_str() : "");
        Disagree("the log texts and results", nThreads);
    }
    if (alone.nExtracted != pooled.nExtracted || alone.nBytes != pooled.nBytes)
        Disagree("the counts", nThreads);
    if (alone.tree != pooled.tree)
        Disagree("the output files and leftovers", nThreads);
    for (const auto& entry : alone.tree)
        if (entry.first.rfind("<temporary", 0) == 0)
        {
            std::fprintf(stderr, "a temporary file was left behind\n");
            std::abort();
        }
    return 0;
}
