#include <string>
#include <vector>

#include "engine/FolderPath.h"
#include "tests/engine/EngineTestSupport.h"

namespace
{

enum class Layout
{
    Record,
    Chunk
};

std::vector<BYTE> Encode(Layout layout, const std::vector<BYTE>& plain, const std::string& password = TEST_PASSWORD)
{
    return layout == Layout::Record ? EncodeRecordFormat(plain, password) : EncodeChunkFormat(plain, password);
}

const std::vector<BYTE> PRECIOUS = {'p', 'r', 'e', 'c', 'i', 'o', 'u', 's'};

class ExtractFileTest : public EngineTest
{
protected:
    void SetUp() override { MakeFolders(Out()); }

    // A record-format source of many small records, so a copy spans several pieces
    // and the decryptor is called once per record.
    std::vector<BYTE> WriteLongSource(const std::string& name, RecordFormatOptions options = {})
    {
        options.payloadUnit = 1000;
        std::vector<BYTE> plain = MakePlaintext(300000, 7);
        WriteFileBytes(In(name), EncodeRecordFormat(plain, TEST_PASSWORD, options));
        return plain;
    }
};

TEST_F(ExtractFileTest, DecodesBothLayoutsByteExact)
{
    // Empty, one piece, exactly one piece, several pieces with a short last one.
    const size_t sizes[] = {0, 1, 250, CExtractJob::COPY_BUFFER_SIZE, 3 * CExtractJob::COPY_BUFFER_SIZE + 1234};
    for (Layout layout : {Layout::Record, Layout::Chunk})
    {
        for (size_t size : sizes)
        {
            SCOPED_TRACE(testing::Message() << (layout == Layout::Record ? "record" : "chunk") << ", " << size);
            std::vector<BYTE> plain = MakePlaintext(size, static_cast<UINT32>(size));
            WriteFileBytes(In("a.ovx"), Encode(layout, plain));
            RecordingDisplay display;
            CExtractJob job(m_cipher.Get(), In("a.ovx"), Out(), 1, 0, &display);

            EXPECT_EQ(job.ExtractFile(In("a.ovx"), job.m_strDestination), RESULT_OK);
            EXPECT_EQ(ReadFileBytes(Out("a")), plain);
            EXPECT_EQ(job.m_nExtracted, 1u);
            EXPECT_EQ(job.m_nBytesDone.load(), size);
            EXPECT_EQ(display.LogTexts(), std::vector<std::string>{ProcessingText(In("a.ovx"))});
            EXPECT_EQ(ListFolder(Out()), std::vector<std::string>{"a"});
        }
    }
}

TEST_F(ExtractFileTest, ExistenceRule)
{
    struct Case
    {
        BYTE bSingleFile;
        BYTE bOverwrite;
        bool replaced;
    };
    const Case cases[] = {{1, 0, true}, {1, 1, true}, {0, 1, true}, {0, 0, false}};
    std::vector<BYTE> plain = MakePlaintext(500);
    WriteFileBytes(In("a.ovx"), EncodeRecordFormat(plain, TEST_PASSWORD));
    for (const Case& c : cases)
    {
        SCOPED_TRACE(testing::Message() << "single file " << int(c.bSingleFile) << ", overwrite " << int(c.bOverwrite));
        WriteFileBytes(Out("a"), PRECIOUS);
        RecordingDisplay display;
        CExtractJob job(m_cipher.Get(), In(), Out(), c.bSingleFile, c.bOverwrite, &display);

        HRESULT hr = job.ExtractFile(In("a.ovx"), Out());
        std::vector<std::string> expectedLog = {ProcessingText(In("a.ovx"))};
        if (!c.replaced)
            expectedLog.push_back(ExistsText(Out("a")));
        EXPECT_EQ(hr, c.replaced ? RESULT_OK : EXTRACT_E_EXISTS);
        EXPECT_EQ(ReadFileBytes(Out("a")), c.replaced ? plain : PRECIOUS);
        EXPECT_EQ(job.m_nExtracted, c.replaced ? 1u : 0u);
        EXPECT_EQ(display.LogTexts(), expectedLog);
        EXPECT_EQ(ListFolder(Out()), std::vector<std::string>{"a"});
    }
}

TEST_F(ExtractFileTest, RefusedSourceLogsBothCodesAndLeavesNothing)
{
    WriteFileText(In("junk.ovx"), std::string(100, 'j')); // no signature, not whole blocks
    auto job = MakeJob(In(), Out(), 0);

    EXPECT_EQ(job->ExtractFile(In("junk.ovx"), Out()), DEC_E_SIGNATURE);
    EXPECT_EQ(Logs(), (std::vector<std::string>{ProcessingText(In("junk.ovx")),
                                                "Failed to initilize decoders. Reasons : [A0040905]/[A0040901]\n"}));
    EXPECT_TRUE(ListFolder(Out()).empty());
    EXPECT_EQ(job->m_nExtracted, 0u);
}

TEST_F(ExtractFileTest, WrongPasswordKeepsTheExistingFile)
{
    for (Layout layout : {Layout::Record, Layout::Chunk})
    {
        WriteFileBytes(In("a.ovx"), Encode(layout, MakePlaintext(5000), "other password"));
        WriteFileBytes(Out("a"), PRECIOUS);
        RecordingDisplay display;
        CExtractJob job(m_cipher.Get(), In("a.ovx"), Out(), 1, 1, &display);

        EXPECT_NE(job.ExtractFile(In("a.ovx"), Out()), RESULT_OK);
        std::vector<std::string> texts = display.LogTexts();
        ASSERT_EQ(texts.size(), 2u);
        EXPECT_EQ(texts[1].rfind("Failed to initilize decoders. Reasons : [", 0), 0u) << texts[1];
        EXPECT_EQ(ReadFileBytes(Out("a")), PRECIOUS);
        EXPECT_EQ(ListFolder(Out()), std::vector<std::string>{"a"});
    }
}

// Failures in the middle of a copy, after pieces of the output were written: the
// existing destination stays as it was and no partial or temporary file remains.
TEST_F(ExtractFileTest, FailureMidCopyKeepsTheExistingFile)
{
    struct Case
    {
        const char* name;
        long long damagedRecord;                        // -1: none
        std::function<HRESULT(CExtractJob&, int)> hook; // on every decryption
        HRESULT expected;
    };
    const HRESULT DISK_GONE = ResultFromWin32(21); // any failure of the decryptor passes through
    const Case cases[] = {
        {"damaged record", 150, nullptr, DEC_E_RECORD},
        {"decryptor fails", -1, [&](CExtractJob&, int call) { return call >= 150 ? DISK_GONE : RESULT_OK; }, DISK_GONE},
        {"stop requested", -1,
         [](CExtractJob& job, int call) {
             if (call == 150)
                 job.SetJobState(JOB_STOP_REQUESTED);
             return RESULT_OK;
         },
         RESULT_FAIL},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        RecordFormatOptions options;
        options.wrongCrcRecord = c.damagedRecord;
        WriteLongSource("a.ovx", options);
        WriteFileBytes(Out("a"), PRECIOUS);
        HookedDecryptor decryptor(m_cipher.Get());
        RecordingDisplay display;
        CExtractJob job(&decryptor, In("a.ovx"), Out(), 1, 0, &display);
        if (c.hook)
            decryptor.beforeDecrypt = [&](int call) { return c.hook(job, call); };

        EXPECT_EQ(job.ExtractFile(In("a.ovx"), Out()), c.expected);
        EXPECT_GT(job.m_nBytesDone.load(), 0u); // the failure came after output was written
        EXPECT_EQ(ReadFileBytes(Out("a")), PRECIOUS);
        EXPECT_EQ(ListFolder(Out()), std::vector<std::string>{"a"});
        EXPECT_EQ(display.LogTexts(), std::vector<std::string>{ProcessingText(In("a.ovx"))});
        EXPECT_EQ(job.m_nExtracted, 0u);
    }
}

TEST_F(ExtractFileTest, StopBeforeTheFirstReadWritesNothing)
{
    WriteFileBytes(In("a.ovx"), EncodeChunkFormat(MakePlaintext(100), TEST_PASSWORD));
    auto job = MakeJob(In("a.ovx"), Out(), 1);
    m_display.onLogText = [&](const std::string&) { job->SetJobState(JOB_STOP_REQUESTED); };

    EXPECT_EQ(job->ExtractFile(In("a.ovx"), Out()), RESULT_FAIL);
    EXPECT_EQ(job->m_nBytesDone.load(), 0u);
    EXPECT_TRUE(ListFolder(Out()).empty());
}

TEST_F(ExtractFileTest, DestinationThatIsAFolderFailsToOpen)
{
    std::vector<BYTE> image = EncodeRecordFormat(MakePlaintext(10), TEST_PASSWORD);
    WriteFileBytes(In("readme"), image);
    WriteFileBytes(In(".ovx"), image);
    WriteFileBytes(In("x.ovx"), image);
    MakeFolders(Out("x"));
    const std::pair<std::string, std::string> cases[] = {
        {In("readme"), Out()}, {In(".ovx"), Out()}, {In("x.ovx"), Out("x")}};
    for (const auto& [source, destination] : cases)
    {
        RecordingDisplay display;
        CExtractJob job(m_cipher.Get(), In(), Out(), 0, 1, &display);
        EXPECT_EQ(job.ExtractFile(source, Out()), ResultFromWin32(ERROR_ACCESS_DENIED));
        EXPECT_EQ(display.LogTexts(),
                  (std::vector<std::string>{ProcessingText(source), OpenFailedText(destination, "80070005")}));
    }
    EXPECT_EQ(ListFolder(Out()), std::vector<std::string>{"x/"});
}

TEST_F(ExtractFileTest, MissingSourceFailsToOpen)
{
    MakeFolders(In());
    auto job = MakeJob(In(), Out(), 0);
    EXPECT_EQ(job->ExtractFile(In("gone.ovx"), Out()), ResultFromWin32(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(Logs(), (std::vector<std::string>{ProcessingText(In("gone.ovx")), OpenFailedText(In("gone.ovx"), "80070002")}));
    EXPECT_TRUE(ListFolder(Out()).empty());
}

TEST_F(ExtractFileTest, FinalReplaceThatFailsIsReportedAndNotCounted)
{
    WriteFileBytes(In("a.ovx"), EncodeRecordFormat(MakePlaintext(1000), TEST_PASSWORD));
    HookedDecryptor decryptor(m_cipher.Get());
    // A folder takes the destination's name while the file is decoded.
    decryptor.beforeDecrypt = [&](int call) {
        if (call == 1)
            MakeFolders(Out("a"));
        return RESULT_OK;
    };
    auto job = MakeJob(In("a.ovx"), Out(), 1, 0, &decryptor);

    EXPECT_EQ(job->ExtractFile(In("a.ovx"), Out()), ResultFromWin32(ERROR_ACCESS_DENIED));
    EXPECT_EQ(Logs(), (std::vector<std::string>{ProcessingText(In("a.ovx")), OpenFailedText(Out("a"), "80070005")}));
    EXPECT_EQ(job->m_nExtracted, 0u);
    EXPECT_EQ(ListFolder(Out()), std::vector<std::string>{"a/"});
}

TEST_F(ExtractFileTest, TemporaryNameTakenMovesToTheNext)
{
    std::vector<BYTE> plain = MakePlaintext(100);
    WriteFileBytes(In("a.ovx"), EncodeRecordFormat(plain, TEST_PASSWORD));
    WriteFileText(Out("a.~ovxpart0"), "someone else's");
    auto job = MakeJob(In("a.ovx"), Out(), 1);

    EXPECT_EQ(job->ExtractFile(In("a.ovx"), Out()), RESULT_OK);
    EXPECT_EQ(ReadFileBytes(Out("a")), plain);
    EXPECT_EQ(ReadFileText(Out("a.~ovxpart0")), "someone else's");
    EXPECT_EQ(ListFolder(Out()), (std::vector<std::string>{"a", "a.~ovxpart0"}));
}

class NoBufferJob : public CExtractJob
{
public:
    using CExtractJob::CExtractJob;

protected:
    std::unique_ptr<BYTE[]> AllocateCopyBuffer(std::size_t) override { return nullptr; }
};

TEST_F(ExtractFileTest, NoCopyBufferFailsWithoutWriting)
{
    WriteFileBytes(In("a.ovx"), EncodeRecordFormat(MakePlaintext(100), TEST_PASSWORD));
    WriteFileBytes(Out("a"), PRECIOUS);
    NoBufferJob job(m_cipher.Get(), In("a.ovx"), Out(), 1, 0, &m_display);

    EXPECT_EQ(job.ExtractFile(In("a.ovx"), Out()), RESULT_OUT_OF_MEMORY);
    EXPECT_EQ(job.m_nBytesDone.load(), 0u);
    EXPECT_EQ(ReadFileBytes(Out("a")), PRECIOUS);
    EXPECT_EQ(ListFolder(Out()), std::vector<std::string>{"a"});
}

} // namespace
