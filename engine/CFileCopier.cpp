#include "engine/CFileCopier.h"

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <exception>
#include <memory>
#include <mutex>
#include <new>
#include <vector>

namespace
{

// Allocates a buffer of `size` bytes; null when it cannot be had.
std::unique_ptr<BYTE[]> AllocateBuffer(UINT64 size)
{
    return std::unique_ptr<BYTE[]>(new (std::nothrow) BYTE[static_cast<std::size_t>(size)]);
}

// Stored bytes a batch aims at: large enough that a batch costs far more than handing
// it over, small enough that a few per thread stay within a few MiB.
constexpr UINT64 BATCH_BYTES = 256 * 1024;

// Consecutive units of one file, from their stored bytes to their payloads.
struct Batch
{
    std::unique_ptr<BYTE[]> data;
    UINT64 firstUnit = 0;
    UINT64 readUnits = 0;       // units whose stored bytes are in data
    HRESULT hrRead = RESULT_OK; // why the unit after them could not be read
    // Set by the decoding: the payloads of the units that passed, packed from data[0].
    UINT64 payloadBytes = 0;
    HRESULT hrDecode = RESULT_OK;
    std::exception_ptr thrown;
    bool bDecoded = false;
};

// Reads the stored bytes of `count` units from `first` in one piece. When that fails,
// the units are read one by one to find the first that cannot be, and its code, as
// reading them one at a time would have.
void ReadBatch(const CUnitDecoder& decoder, IInputStream* pSource, UINT64 first, UINT64 count, Batch& batch)
{
    batch.firstUnit = first;
    batch.readUnits = 0;
    batch.hrRead = RESULT_OK;
    batch.payloadBytes = 0;
    batch.hrDecode = RESULT_OK;
    batch.thrown = nullptr;
    batch.bDecoded = false;

    const CUnitDecoder::UnitExtent head = decoder.GetUnitExtent(first);
    const CUnitDecoder::UnitExtent tail = decoder.GetUnitExtent(first + count - 1);
    HRESULT hr = pSource->Seek(static_cast<INT64>(head.sourceOffset), SEEK_ORIGIN_BEGIN);
    if (hr == RESULT_OK)
        hr = ReadExact(pSource, batch.data.get(), tail.sourceOffset + tail.storedLength - head.sourceOffset);
    if (hr == RESULT_OK)
    {
        batch.readUnits = count;
        return;
    }
    for (; batch.readUnits < count; ++batch.readUnits)
    {
        const CUnitDecoder::UnitExtent unit = decoder.GetUnitExtent(first + batch.readUnits);
        hr = pSource->Seek(static_cast<INT64>(unit.sourceOffset), SEEK_ORIGIN_BEGIN);
        if (hr == RESULT_OK)
            hr = ReadExact(pSource, batch.data.get() + (unit.sourceOffset - head.sourceOffset), unit.storedLength);
        if (hr != RESULT_OK)
        {
            // The decoder counted on this unit: a source too short for it is damage.
            batch.hrRead = hr == RESULT_END_OF_DATA ? RESULT_FAIL : hr;
            return;
        }
    }
}

// Decodes the batch's units in order, packing each payload behind the previous one for
// the output (a payload never lies before its packed place, so nothing unread is
// overwritten; with nowhere to write, nothing is moved and only the bytes are counted),
// and stops at the first unit that fails or at a stop request.
void DecodeBatch(const CUnitDecoder& decoder, const CJobStatus& status, bool bPack, Batch& batch)
{
    try
    {
        const UINT64 base = decoder.GetUnitExtent(batch.firstUnit).sourceOffset;
        BYTE* packed = batch.data.get();
        for (UINT64 i = 0; i < batch.readUnits; ++i)
        {
            if (!status.IsRunning())
            {
                batch.hrDecode = RESULT_FAIL;
                break;
            }
            const CUnitDecoder::UnitExtent unit = decoder.GetUnitExtent(batch.firstUnit + i);
            BYTE* stored = batch.data.get() + (unit.sourceOffset - base);
            const HRESULT hr = decoder.DecodeUnit(batch.firstUnit + i, stored);
            if (hr != RESULT_OK)
            {
                batch.hrDecode = hr;
                break;
            }
            if (bPack)
                std::memmove(packed, stored + unit.payloadOffset, unit.payloadLength);
            packed += unit.payloadLength;
        }
        batch.payloadBytes = static_cast<UINT64>(packed - batch.data.get());
    }
    catch (...)
    {
        batch.thrown = std::current_exception();
    }
}

// The batches posted and not yet decoded, and the wait for them. The owner waits for
// all of them before the batches go, however it leaves.
class CInFlight
{
public:
    ~CInFlight()
    {
        WaitUntil([this] { return m_nPending == 0; });
    }

    void Posted()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        ++m_nPending;
    }
    // Notifies under the lock: the owner may destroy this object the moment it sees
    // nothing pending, so the notification must be over by then.
    void Decoded(Batch& batch)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        batch.bDecoded = true;
        --m_nPending;
        m_changed.notify_all();
    }
    bool IsDecoded(const Batch& batch)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return batch.bDecoded;
    }
    template <class Predicate> void WaitUntil(Predicate done)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_changed.wait(lock, done);
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    UINT m_nPending = 0;
};

} // namespace

CFileCopier::CFileCopier(CUnitDecoder& decoder, IInputStream* pSource, IWriteStream* pOutput, bool bKeepsData,
                         CJobStatus& status)
    : m_decoder(decoder), m_pSource(pSource), m_pOutput(pOutput), m_bKeepsData(bKeepsData), m_status(status)
{
}

bool CFileCopier::SuitsPool(const CUnitDecoder& decoder)
{
    return decoder.GetUnitCount() > 1 && decoder.GetLargestStoredLength() <= MAX_POOLED_UNIT;
}

HRESULT CFileCopier::Copy(CDecodePool* pPool)
{
    return pPool != nullptr ? CopyOnPool(*pPool) : CopyAlone();
}

HRESULT CFileCopier::CopyAlone()
{
    std::unique_ptr<BYTE[]> buffer = AllocateBuffer(PIECE_SIZE);
    if (!buffer)
        return RESULT_OUT_OF_MEMORY;

    for (;;)
    {
        // A stop request is honoured before every read, the first one included.
        if (!m_status.IsRunning())
            return RESULT_FAIL;

        UINT64 got = 0;
        HRESULT hrRead = m_decoder.Read(buffer.get(), PIECE_SIZE, &got);
        if (got > PIECE_SIZE)
            return RESULT_INVALID_ARG;

        // The bytes delivered are written whatever the read returned: the last piece
        // comes with the end-of-data code.
        const HRESULT hrWrite = Write(buffer.get(), got);
        if (hrWrite != RESULT_OK)
            return hrWrite;

        if (hrRead != RESULT_OK)
            return hrRead == RESULT_END_OF_DATA ? RESULT_OK : hrRead;
    }
}

HRESULT CFileCopier::CopyOnPool(CDecodePool& pool)
{
    const CUnitDecoder& decoder = m_decoder;
    const UINT64 units = decoder.GetUnitCount();
    const UINT64 largest = std::max<UINT64>(decoder.GetLargestStoredLength(), 1);
    const UINT64 unitsPerBatch = std::max<UINT64>(BATCH_BYTES / largest, 1);

    // Two batches per decoding thread (the caller is one) keep every thread busy.
    std::vector<Batch> ring(2 * static_cast<size_t>(pool.Size() + 1) + 2);
    for (Batch& batch : ring)
        if (!(batch.data = AllocateBuffer(unitsPerBatch * largest)))
            return RESULT_OUT_OF_MEMORY;

    const bool bPack = m_bKeepsData;
    const CJobStatus& status = m_status;
    CInFlight inFlight;          // destroyed first: waits for the batches still decoding
    size_t head = 0, queued = 0; // the oldest batch not written, and how many follow it
    UINT64 nextUnit = 0;
    bool bReadEnded = false;
    for (;;)
    {
        // A stop request is honoured before every batch and every piece of output.
        if (!status.IsRunning())
            return RESULT_FAIL;

        if (queued != 0 && inFlight.IsDecoded(ring[head]))
        {
            Batch& batch = ring[head];
            if (batch.thrown)
                std::rethrow_exception(batch.thrown);
            HRESULT hr = Write(batch.data.get(), batch.payloadBytes);
            if (hr == RESULT_OK)
                hr = batch.hrDecode != RESULT_OK ? batch.hrDecode : batch.hrRead;
            if (hr != RESULT_OK)
                return hr;
            head = (head + 1) % ring.size();
            --queued;
        }
        else if (queued < ring.size() && !bReadEnded && nextUnit < units)
        {
            Batch& batch = ring[(head + queued) % ring.size()];
            ReadBatch(decoder, m_pSource, nextUnit, std::min(unitsPerBatch, units - nextUnit), batch);
            nextUnit += batch.readUnits;
            bReadEnded = batch.hrRead != RESULT_OK;
            ++queued;
            inFlight.Posted();
            try
            {
                pool.Post([&decoder, &status, &inFlight, &batch, bPack] {
                    DecodeBatch(decoder, status, bPack, batch);
                    inFlight.Decoded(batch);
                });
            }
            catch (const std::bad_alloc&)
            {
                DecodeBatch(decoder, status, bPack, batch); // no room to queue it: decode it here
                inFlight.Decoded(batch);
            }
        }
        else if (queued == 0)
        {
            return RESULT_OK;
        }
        else if (!pool.RunQueuedTask()) // nothing to read or write: decode too
        {
            inFlight.WaitUntil([&] { return ring[head].bDecoded; });
        }
    }
}

HRESULT CFileCopier::Write(const BYTE* data, UINT64 size)
{
    while (size != 0)
    {
        if (!m_status.IsRunning())
            return RESULT_FAIL;
        const UINT64 piece = std::min<UINT64>(size, PIECE_SIZE);
        UINT64 written = 0;
        const HRESULT hr = m_pOutput->Write(data, piece, &written);
        if (hr != RESULT_OK)
            return hr;
        m_status.AddBytesDone(written);
        if (written != piece)
            return RESULT_FAIL;
        data += piece;
        size -= piece;
    }
    return RESULT_OK;
}
