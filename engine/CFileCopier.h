#pragma once

// Moves one file's decoded data into an output stream, on the calling thread alone or
// with a decoding pool. Alone, it reads the decoder a piece at a time. On a pool, it
// reads batches of consecutive units from the source and writes the decoded batches in
// order, while the pool's threads decrypt and check the batches in between; it decodes
// queued batches itself whenever it has nothing to read or write. The output, the bytes
// counted and the code returned are the same either way.
//
// Notes: a stop request (the status no longer running) is honoured before every piece
// of output and every batch; the copy then returns RESULT_FAIL, and what the pool
// decoded ahead is dropped. The decoder, the source, the output and the status are
// borrowed and must outlive Copy.

#include <cstddef>

#include "decode/CUnitDecoder.h"
#include "decode/Streams.h"
#include "engine/CDecodePool.h"
#include "engine/CJobStatus.h"

class CFileCopier
{
public:
    // The size of a piece of output, and of the lone copy's buffer.
    static constexpr std::size_t PIECE_SIZE = 0x10000;
    // Files whose units are stored in more bytes than this decode alone: batches of them
    // would not stay within a few MiB per thread. So do files of one unit, which have
    // nothing to overlap.
    static constexpr UINT64 MAX_POOLED_UNIT = 0x100000;

    // `decoder` was initialised on `pSource`. `bKeepsData` false: the output drops what
    // it is given, so the pool's batches are counted where they were decoded instead of
    // being packed for it.
    CFileCopier(CUnitDecoder& decoder, IInputStream* pSource, IWriteStream* pOutput, bool bKeepsData,
                CJobStatus& status);

    CFileCopier(const CFileCopier&) = delete;
    CFileCopier& operator=(const CFileCopier&) = delete;

    // Whether a pool would help with this file (several units, each small enough).
    static bool SuitsPool(const CUnitDecoder& decoder);

    // Copies the whole file, on `pPool` when given. Returns 0; the first failure in
    // file order (a unit, the source, the output); RESULT_FAIL for a stop or a short
    // write; RESULT_OUT_OF_MEMORY when the buffers cannot be had. The status counts
    // every byte the output took. What the decoder or its cipher throws is passed on.
    HRESULT Copy(CDecodePool* pPool);

private:
    HRESULT CopyAlone();
    HRESULT CopyOnPool(CDecodePool& pool);
    // `size` bytes to the output in pieces of PIECE_SIZE, a stop honoured before each.
    HRESULT Write(const BYTE* data, UINT64 size);

    CUnitDecoder& m_decoder;
    IInputStream* m_pSource;
    IWriteStream* m_pOutput;
    const bool m_bKeepsData;
    CJobStatus& m_status;
};
