#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "decode/CRecordDecoder.h"
#include "engine/CFileCopier.h"
#include "engine/CTempFile.h"
#include "engine/FolderPath.h"
#include "tests/engine/EngineTestSupport.h"
#include "tests/support/MemoryStream.h"

#ifndef _WIN32
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>
#endif

namespace
{

const std::vector<BYTE> PRECIOUS = {'p', 'r', 'e', 'c', 'i', 'o', 'u', 's'};

#ifndef _WIN32
// Leaves the process no descriptor to open once the temporary file (the one open file
// named *.~ovxpart) is closed: every lower descriptor is taken (by `fillers`) and the
// limit put at the temporary file's own.
[[maybe_unused]] void RunOutOfDescriptorsAfterTemporaryFile(std::vector<int>& fillers)
{
    // The source's descriptor too: it may close before the output is moved.
    int temporary = -1, source = -1;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd"))
    {
        std::error_code error;
        const std::string target = std::filesystem::read_symlink(entry.path(), error).string();
        if (target.find(".~ovxpart") != std::string::npos)
            temporary = std::stoi(entry.path().filename().string());
        else if (target.size() > 4 && target.compare(target.size() - 4, 4, ".ovx") == 0)
            source = std::stoi(entry.path().filename().string());
    }
    ASSERT_GE(temporary, 0);
    for (int fd = open("/dev/null", O_RDONLY); fd >= 0; fd = open("/dev/null", O_RDONLY))
    {
        if (fd > temporary)
        {
            close(fd);
            break;
        }
        fillers.push_back(fd);
    }
    rlimit limit;
    getrlimit(RLIMIT_NOFILE, &limit);
    limit.rlim_cur = static_cast<rlim_t>(source >= 0 && source < temporary ? source : temporary);
    setrlimit(RLIMIT_NOFILE, &limit);
}
#endif

class ExtractFileTest : public EngineTest
{
protected:
    void SetUp() override { MakeFolders(Out()); }
};

TEST_F(ExtractFileTest, DecodesBothLayoutsByteExact)
{
    // Empty, one piece, exactly one piece, several pieces with a short last one.
    const size_t sizes[] = {0, 250, CFileCopier::PIECE_SIZE, 3 * CFileCopier::PIECE_SIZE + 1234};
    for (bool recordLayout : {true, false})
        for (size_t size : sizes)
        {
            SCOPED_TRACE(testing::Message() << (recordLayout ? "record " : "chunk ") << size);
            std::vector<BYTE> plain = MakePlaintext(size, static_cast<UINT32>(size));
            WriteFileBytes(In("a.ovx"), recordLayout ? EncodeRecordFormat(plain, TEST_PASSWORD)
                                                     : EncodeChunkFormat(plain, TEST_PASSWORD));
            auto job = MakeJob(In("a.ovx"), Out(), 1);

            EXPECT_EQ(job->ExtractFile(In("a.ovx"), Out()), RESULT_OK);
            EXPECT_EQ(ReadFileBytes(Out("a")), plain);
            EXPECT_EQ(job->Status().Extracted(), 1u);
            EXPECT_EQ(job->Status().BytesDone(), size);
            EXPECT_EQ(Logs(), std::vector<std::string>{ProcessingText(In("a.ovx"))});
            EXPECT_EQ(Results(), std::vector<std::string>{Result(FILE_EXTRACTED, RESULT_OK, In("a.ovx"), Out("a"))});
            EXPECT_EQ(ListFolder(Out()), std::vector<std::string>{"a"});
        }
}

// Directory to Directory without overwrite keeps an existing file; every other mode
// replaces it. A stranger's file on the first temporary name is left alone.
TEST_F(ExtractFileTest, ExistenceRule)
{
    const struct
    {
        BYTE bSingleFile;
        BYTE bOverwrite;
        bool replaced;
    } cases[] = {{1, 0, true}, {1, 1, true}, {0, 1, true}, {0, 0, false}};
    std::vector<BYTE> plain = MakePlaintext(500);
    WriteFileBytes(In("a.ovx"), EncodeRecordFormat(plain, TEST_PASSWORD));
    WriteFileText(Out("a.~ovxpart0"), "someone else's");
    for (const auto& c : cases)
    {
        SCOPED_TRACE(testing::Message() << "single file " << int(c.bSingleFile) << ", overwrite " << int(c.bOverwrite));
        WriteFileBytes(Out("a"), PRECIOUS);
        auto job = MakeJob(In(), Out(), c.bSingleFile, c.bOverwrite);

        EXPECT_EQ(job->ExtractFile(In("a.ovx"), Out()), c.replaced ? RESULT_OK : EXTRACT_E_EXISTS);
        std::vector<std::string> expectedLog = {ProcessingText(In("a.ovx"))};
        if (!c.replaced)
            expectedLog.push_back("    '" + Out("a") + "' already exists.\n");
        EXPECT_EQ(Logs(), expectedLog);
        EXPECT_EQ(Results(),
                  std::vector<std::string>{c.replaced ? Result(FILE_EXTRACTED, RESULT_OK, In("a.ovx"), Out("a"))
                                                      : Result(FILE_EXISTS, EXTRACT_E_EXISTS, In("a.ovx"), Out("a"))});
        EXPECT_EQ(ReadFileBytes(Out("a")), c.replaced ? plain : PRECIOUS);
        EXPECT_EQ(job->Status().Extracted(), c.replaced ? 1u : 0u);
        EXPECT_EQ(ListFolder(Out()), (std::vector<std::string>{"a", "a.~ovxpart0"}));
        EXPECT_EQ(ReadFileText(Out("a.~ovxpart0")), "someone else's");
    }
}

// A source both decoders refuse writes nothing, and an existing destination survives.
TEST_F(ExtractFileTest, RefusedSourceLeavesTheDestinationAsItWas)
{
    const struct
    {
        const char* what;
        std::vector<BYTE> image;
        bool existing;
        std::string logged; // the start of the second log text
    } cases[] = {
        {"no signature, not whole blocks", std::vector<BYTE>(100, 'j'), false,
         "Failed to initilize decoders. Reasons : [A0040905]/[A0040901]\n"},
        {"record layout, wrong password", EncodeRecordFormat(MakePlaintext(5000), "other password"), true,
         "Failed to initilize decoders. Reasons : ["},
        {"chunk layout, wrong password", EncodeChunkFormat(MakePlaintext(5000), "other password"), true,
         "Failed to initilize decoders. Reasons : ["},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.what);
        WriteFileBytes(In("a.ovx"), c.image);
        if (c.existing)
            WriteFileBytes(Out("a"), PRECIOUS);
        auto job = MakeJob(In("a.ovx"), Out(), 1, 1);

        const HRESULT hr = job->ExtractFile(In("a.ovx"), Out());
        EXPECT_NE(hr, RESULT_OK);
        EXPECT_EQ(Results(), std::vector<std::string>{Result(FILE_FAILED, hr, In("a.ovx"), Out("a"))});
        std::vector<std::string> logs = Logs();
        ASSERT_EQ(logs.size(), 2u);
        EXPECT_EQ(logs[1].rfind(c.logged, 0), 0u) << logs[1];
        EXPECT_EQ(job->Status().Extracted(), 0u);
        EXPECT_EQ(ListFolder(Out()), c.existing ? std::vector<std::string>{"a"} : std::vector<std::string>{});
        if (c.existing)
        {
            EXPECT_EQ(ReadFileBytes(Out("a")), PRECIOUS);
        }
    }
}

// Failures while copying, most after pieces of the output were written: the existing
// destination stays as it was, no partial or temporary file remains, and the log says
// which file failed and why.
TEST_F(ExtractFileTest, FailureWhileCopyingKeepsTheExistingFile)
{
    const HRESULT DISK_GONE = ResultFromWin32(21); // any failure of the decryptor passes through
    const struct
    {
        const char* what;
        long long damagedRecord; // -1: none
        int failingCall;         // the decryption that fails; 0: none
        int stopCall;            // the decryption before which a stop is requested; 0: none
        HRESULT expected;
    } cases[] = {
        {"damaged record", 150, 0, 0, DEC_E_RECORD},
        {"decryptor fails", -1, 75, 0, DISK_GONE},
        {"stop requested", -1, 0, 75, RESULT_FAIL},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.what);
        RecordFormatOptions options;
        options.payloadUnit = 1000; // many records, so the copy spans several pieces
        options.wrongCrcRecord = c.damagedRecord;
        WriteFileBytes(In("a.ovx"), EncodeRecordFormat(MakePlaintext(300000, 7), TEST_PASSWORD, options));
        WriteFileBytes(Out("a"), PRECIOUS);
        auto job = MakeJob(In("a.ovx"), Out(), 1);
        m_cipher.beforeDecrypt = [&](int call) {
            if (call == c.stopCall)
                job->SetJobState(JOB_STOP_REQUESTED);
            return c.failingCall != 0 && call >= c.failingCall ? DISK_GONE : RESULT_OK;
        };

        EXPECT_EQ(job->ExtractFile(In("a.ovx"), Out()), c.expected);
        // Decoding on a pool, a stop drops what was decoded ahead of the output.
        if (c.stopCall == 0 || job->Settings().nDecodeThreads == 1)
        {
            EXPECT_GT(job->Status().BytesDone(), 0u);
        }
        EXPECT_EQ(ReadFileBytes(Out("a")), PRECIOUS);
        EXPECT_EQ(ListFolder(Out()), std::vector<std::string>{"a"});
        // Each failure is named with its code; a stop stays silent.
        std::vector<std::string> logs = {ProcessingText(In("a.ovx"))};
        char failed[64];
        std::snprintf(failed, sizeof(failed), "'. Reason : [%08X]\n", static_cast<UINT>(c.expected));
        if (c.stopCall == 0)
            logs.push_back("Failed to extract '" + In("a.ovx") + failed);
        EXPECT_EQ(Logs(), logs);
        EXPECT_EQ(Results(), std::vector<std::string>{Result(FILE_FAILED, c.expected, In("a.ovx"), Out("a"))});
        EXPECT_EQ(job->Status().Extracted(), 0u);
    }
}

// An output that keeps what it takes, and from a given offset fails as a full disk
// does or takes only half of what it is given.
class FaultyOutput : public IWriteStream
{
public:
    std::vector<BYTE> kept;
    UINT64 nFullAt = ~0ull;
    UINT64 nShortAt = ~0ull;

    HRESULT Write(const void* buffer, UINT64 count, UINT64* written) override
    {
        *written = 0;
        if (kept.size() >= nFullAt)
            return ResultFromWin32(ERROR_DISK_FULL);
        const UINT64 taken = kept.size() >= nShortAt ? count / 2 : count;
        const BYTE* bytes = static_cast<const BYTE*>(buffer);
        kept.insert(kept.end(), bytes, bytes + taken);
        *written = taken;
        return RESULT_OK;
    }
};

// The copy alone and on a pool: every byte in order, or the first failure of its source,
// its output or its memory, with only what the output took counted.
TEST_F(ExtractFileTest, CopyFailures)
{
    const UINT64 PIECE = CFileCopier::PIECE_SIZE;
    const std::vector<BYTE> plain = MakePlaintext(3 * PIECE + 1234, 9);
    RecordFormatOptions options;
    options.payloadUnit = 1000;
    const std::vector<BYTE> image = EncodeRecordFormat(plain, TEST_PASSWORD, options);
    const HRESULT READ_ERROR = ResultFromWin32(ERROR_IO_DEVICE);
    std::unique_ptr<CDecodePool> pool;
    if (TestDecodeThreads() > 1)
        pool = std::make_unique<CDecodePool>(TestDecodeThreads() - 1);
    struct Fault
    {
        std::string what;
        HRESULT expected;
        std::function<void(MemoryStream&, FaultyOutput&)> arm;
    };
    std::vector<Fault> faults = {
        {"none", RESULT_OK, nullptr},
        {"source read error", READ_ERROR,
         [&](MemoryStream& source, FaultyOutput&) { source.FailReadsFrom(image.size() / 2, READ_ERROR); }},
        {"source shrinks", RESULT_FAIL,
         [&](MemoryStream& source, FaultyOutput&) { source.Data().resize(image.size() / 2); }},
        {"short write", RESULT_FAIL, [&](MemoryStream&, FaultyOutput& output) { output.nShortAt = PIECE; }},
        // The lone copy's buffer, or the pool's first batch after its ring.
        {"no buffer", RESULT_OUT_OF_MEMORY, [&](MemoryStream&, FaultyOutput&) { FailNthAllocation(pool ? 2 : 1); }},
    };
    for (UINT64 at = 0; at < plain.size(); at += PIECE)
        faults.push_back({"disk full at " + std::to_string(at), ResultFromWin32(ERROR_DISK_FULL),
                          [at](MemoryStream&, FaultyOutput& output) { output.nFullAt = at; }});

    for (const Fault& f : faults)
    {
        SCOPED_TRACE(f.what);
        MemoryStream source(image);
        CRecordDecoder decoder;
        ASSERT_EQ(decoder.Init(&source, &m_cipher), RESULT_OK);
        FaultyOutput output;
        CJobStatus status;
        CFileCopier copier(decoder, &source, &output, true, status);
        if (f.arm)
            f.arm(source, output);
        EXPECT_EQ(copier.Copy(pool.get()), f.expected);
        FailNthAllocation(0);

        EXPECT_EQ(status.BytesDone(), output.kept.size());
        ASSERT_LE(output.kept.size(), plain.size());
        EXPECT_TRUE(std::equal(output.kept.begin(), output.kept.end(), plain.begin()));
        if (f.expected == RESULT_OK)
        {
            EXPECT_EQ(output.kept.size(), plain.size());
        }
        if (f.what.rfind("disk full at ", 0) == 0)
        {
            EXPECT_EQ(output.kept.size(), output.nFullAt);
        }
    }
}

// Temporary names do not grow with the destination's: the longest source name the system
// takes decodes. Names that killed runs left are passed over, however many, and so is
// a folder on a candidate name.
TEST_F(ExtractFileTest, TemporaryNamesAreShortAndNeverRunOut)
{
    const std::string name(std::min<size_t>(255, MAX_PATH - 1 - In().size()) - 4, 'n');
    const std::vector<BYTE> plain = MakePlaintext(100);
    WriteFileBytes(In(name + ".ovx"), EncodeRecordFormat(plain, TEST_PASSWORD));
    EXPECT_EQ(MakeJob(In(), Out(), 1)->ExtractFile(In(name + ".ovx"), Out()), RESULT_OK);
    EXPECT_EQ(ReadFileBytes(Out(name)), plain);

    const UINT32 first = 0xFFFFFE00; // the names wrap around after FFFFFFFF
    for (UINT32 k = 0; k < 1000; ++k)
        WriteFileText(Out(CTempFile::NameOf(first + k)), "");
    MakeFolders(Out(CTempFile::NameOf(first + 1000))); // a folder takes a name too
    CTempFile temp;
    ASSERT_EQ(temp.Create(Out(name), first), RESULT_OK);
    EXPECT_TRUE(PathExists(Out("000001E9.~ovxpart")));
}

// Faults at every stage of a file that is to replace an existing one: the existing file
// stays byte-identical unless the complete output replaced it (and only that is counted),
// and no temporary file remains.
TEST_F(ExtractFileTest, FaultsNeverCostTheExistingFileNorLeaveATemporaryOne)
{
    namespace fs = std::filesystem;
    const UINT64 PIECE = CFileCopier::PIECE_SIZE;
    const std::vector<BYTE> plain = MakePlaintext(3 * PIECE + 1234, 9);
    RecordFormatOptions options;
    options.payloadUnit = 1000;
    const std::vector<BYTE> image = EncodeRecordFormat(plain, TEST_PASSWORD, options);
    WriteFileBytes(In("a.ovx"), image);
    const HRESULT READ_ERROR = ResultFromWin32(ERROR_IO_DEVICE), FOLDER_GONE = ResultFromWin32(ERROR_PATH_NOT_FOUND);
    const HRESULT EITHER = 1; // an allocation the engine can do without: extracted or failed
    const fs::path existing = ToHostPath(Out("a"));
    CFileHandle holder;
    struct Fault
    {
        std::string what;
        HRESULT expected;
        std::function<void()> arm;
    };
    std::vector<Fault> faults;
    auto add = [&faults](std::string what, HRESULT expected, std::function<void()> arm) {
        faults.push_back({std::move(what), expected, std::move(arm)});
    };
    // The copy's own failures (source, output, memory) are CopyFailures' cases.
    add("decryption fails midway", READ_ERROR, [&] { m_cipher.FailAfter(100, READ_ERROR); });
    // Read-only, or on Windows open elsewhere (Wine lets its superuser replace a read-only file).
    add("final replace refused", ResultFromWin32(ERROR_ACCESS_DENIED), [&] {
#ifdef _WIN32
        holder.Attach(CreateFileA(Out("a").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
#else
        fs::permissions(existing, fs::perms::owner_write, fs::perm_options::remove);
#endif
    });
    add("destination folder removed", FOLDER_GONE, [&] {
        m_display->onLogText = [&](const std::string&) { fs::remove_all(existing.parent_path()); };
    });
#ifndef _WIN32
    // Extracted, with a warning: the output is complete and in place, only not synced.
    // Not under ThreadSanitizer, whose runtime opens and closes descriptors of its own,
    // so that a freed one can let the sync through.
    std::vector<int> fillers;
    rlimit openLimit;
    getrlimit(RLIMIT_NOFILE, &openLimit);
#ifndef __SANITIZE_THREAD__
    add("folder sync fails after the move", RESULT_OK, [&] {
        m_cipher.beforeDecrypt = [&](int call) {
            if (call == 1)
                RunOutOfDescriptorsAfterTemporaryFile(fillers);
            return RESULT_OK;
        };
    });
#endif
#endif
    auto counted = MakeJob(In("a.ovx"), Out(), 1);
    FailNthAllocation(0);
    counted->Run();
    for (long n = FailNthAllocation(0); n > 0; --n)
        add("allocation " + std::to_string(n), EITHER, [n] { FailNthAllocation(n); });

    for (const Fault& f : faults)
    {
        SCOPED_TRACE(f.what);
        WriteFileBytes(Out("a"), PRECIOUS);
        auto job = MakeJob(In("a.ovx"), Out(), 1);
        f.arm();
        job->Run();
        FailNthAllocation(0);
        holder.Close();
#ifndef _WIN32
        setrlimit(RLIMIT_NOFILE, &openLimit);
        for (int fd : fillers)
            close(fd);
        fillers.clear();
#endif

        if (f.expected == RESULT_OK)
        {
            EXPECT_EQ(Results(), std::vector<std::string>{Result(FILE_EXTRACTED, RESULT_OK, In("a.ovx"), Out("a"))});
            EXPECT_EQ(Logs()[1].rfind("    Warning: '" + Out("a") + "' is complete", 0), 0u) << Logs()[1];
        }
        else if (f.expected != EITHER)
        {
            EXPECT_EQ(Results(), std::vector<std::string>{Result(FILE_FAILED, f.expected, In("a.ovx"), Out("a"))});
        }
        EXPECT_EQ(m_display->FinishedCount(), job->Status().Extracted());
        EXPECT_EQ(PathExists(Out()), f.expected != FOLDER_GONE); // a removed folder is not made again
        if (f.expected != FOLDER_GONE)
        {
            EXPECT_EQ(ReadFileBytes(Out("a")), job->Status().Extracted() == 1 ? plain : PRECIOUS);
        }
        for (const std::string& entry : ListFolder(m_temp.Folder()))
            EXPECT_EQ(entry.find(".~ovxpart"), std::string::npos) << entry;
        std::error_code ignored;
        fs::permissions(existing, fs::perms::owner_write, fs::perm_options::add, ignored);
    }
}

// A name beyond the system's limits fails as a file that will not open, in both modes:
// one log line with the system's code (206, name too long), and neither output nor
// temporary file left behind.
TEST_F(ExtractFileTest, OverlongNamesFailWithoutLeavingAnything)
{
    const std::string tooLong(300, 'n'); // no file system takes a 300-byte name
    std::string tooLongUtf8; // 256 characters, 768 bytes in UTF-8: named whole in the log
    for (int i = 0; i < 256; ++i)
        tooLongUtf8 += "\xE6\x8A\xA5"; // 报
    const std::string name(40, 'L');
    WriteFileBytes(In(name + ".ovx"), EncodeRecordFormat(MakePlaintext(1000), TEST_PASSWORD));
    // Temporary names fit under MAX_PATH in this folder; the destination's does not.
    const std::string deep = Out(std::string(MAX_PATH - 31 - Out().size(), 'd')) + SEPARATOR;
    MakeFolders(deep);
    std::string levels; // over a log text's length in all
    while (levels.size() < MAX_LOG_TEXT)
        levels += std::string(100, 'v') + "\\";
#ifndef _WIN32
    MakeFolders(Out(levels)); // Linux checks each level's existence before a name's length
#endif
    const struct
    {
        const char* what;
        std::string source;
        std::string destinationFolder;
        std::string failed; // the path named in the log
    } cases[] = {
        {"source name", In(tooLong + ".ovx"), Out(), In(tooLong + ".ovx")},
        {"UTF-8 source name", In(tooLongUtf8 + ".ovx"), Out(), In(tooLongUtf8 + ".ovx")},
        {"destination folder name", In(name + ".ovx"), Out(tooLong) + SEPARATOR, Out(tooLong + "\\" + name)},
        // Named in full the line would be cut before its reason: the name is shortened.
        {"path longer than a log text", In(name + ".ovx"), Out(levels + tooLong) + SEPARATOR,
         Out(levels + tooLong + "\\" + name)},
#ifdef _WIN32
        {"destination path beyond MAX_PATH", In(name + ".ovx"), deep, deep + name},
#endif
    };
    const HRESULT hr = ResultFromWin32(ERROR_FILENAME_EXCED_RANGE);
    for (const auto& c : cases)
        for (BYTE bSingleFile : {1, 0})
        {
            SCOPED_TRACE(testing::Message() << c.what << ", single file " << int(bSingleFile));
            auto job = MakeJob(c.source, c.destinationFolder, bSingleFile);

            EXPECT_EQ(job->ExtractFile(c.source, c.destinationFolder), hr);
            const std::string failed = FailedText("open", c.failed, "800700CE");
            const std::vector<std::string> logs = Logs();
            ASSERT_EQ(logs.size(), 2u);
            EXPECT_EQ(logs[0], ProcessingText(c.source));
            if (failed.size() <= MAX_LOG_TEXT)
            {
                EXPECT_EQ(logs[1], failed);
            }
            else // the start and the end of the line as they would be in full
            {
                EXPECT_EQ(logs[1].size(), size_t(MAX_LOG_TEXT));
                EXPECT_EQ(logs[1].substr(0, 300), failed.substr(0, 300));
                EXPECT_EQ(logs[1].substr(logs[1].size() - 300), failed.substr(failed.size() - 300));
                EXPECT_NE(logs[1].find("..."), std::string::npos);
            }
            EXPECT_EQ(Results(), std::vector<std::string>{Result(FILE_FAILED, hr, c.source,
                                                                 GetDestinationName(c.source, c.destinationFolder))});
            for (const std::string& entry : ListFolder(Out()))
                EXPECT_EQ(entry.back(), '/') << entry; // folders only
        }
}

TEST_F(ExtractFileTest, OpenFailuresAreLoggedAndNotCounted)
{
    std::vector<BYTE> image = EncodeRecordFormat(MakePlaintext(1000), TEST_PASSWORD);
    for (const char* name : {"readme", "x.ovx", "a.ovx"})
        WriteFileBytes(In(name), image);
    MakeFolders(Out("x"));
    const struct
    {
        const char* what;
        std::string source;
        std::string failed; // the path that could not be opened
        const char* code;
        bool folderAppears; // a folder takes the destination's name while the file is decoded
    } cases[] = {
        {"missing source", In("gone.ovx"), In("gone.ovx"), "80070002", false},
        {"no extension: the destination is the folder", In("readme"), Out(), "80070005", false},
        {"a folder has the destination's name", In("x.ovx"), Out("x"), "80070005", false},
        {"the final replace fails", In("a.ovx"), Out("a"), "80070005", true},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.what);
        auto job = MakeJob(In(), Out(), 1);
        if (c.folderAppears)
            m_cipher.beforeDecrypt = [&](int call) {
                if (call == 1)
                    MakeFolders(Out("a"));
                return RESULT_OK;
            };

        const HRESULT hr = static_cast<HRESULT>(std::stoul(c.code, nullptr, 16));
        EXPECT_EQ(job->ExtractFile(c.source, Out()), hr);
        EXPECT_EQ(Logs(), (std::vector<std::string>{ProcessingText(c.source), FailedText("open", c.failed, c.code)}));
        EXPECT_EQ(Results(),
                  std::vector<std::string>{Result(FILE_FAILED, hr, c.source, GetDestinationName(c.source, Out()))});
        EXPECT_EQ(job->Status().Extracted(), 0u);
    }
    EXPECT_EQ(ListFolder(Out()), (std::vector<std::string>{"a/", "x/"}));

    // A source "self." decoded into its own folder names itself ("self") as the
    // destination: refused before decoding, the source untouched.
    WriteFileBytes(In("self"), image);
    auto job = MakeJob(In(), In(), 1);
    EXPECT_EQ(job->ExtractFile(In("self."), In()), ResultFromWin32(ERROR_SHARING_VIOLATION));
    EXPECT_EQ(Logs(), (std::vector<std::string>{ProcessingText(In("self.")), FailedText("open", In("self"), "80070020")}));
    EXPECT_EQ(ReadFileBytes(In("self")), image);
}

} // namespace
