#pragma once

// A plain model of both encoded layouts, written from their description and sharing no
// code with the decoders: the whole file in memory, every unit decrypted on its own by
// the caller's function, CRC-32 a bit at a time. For a file it tells what Init must
// return and, once accepted, the decoded length, every decoded byte and how the load of
// each unit ends. The source is taken to be an honest memory stream.

#include <functional>
#include <vector>

#include "decode/Cipher.h"
#include "tests/support/OvxEncoder.h" // BitwiseCrc32

// Decrypts one message of `length` bytes in place, with a fresh chain.
using MessageDecryptor = std::function<void(BYTE* message, size_t length)>;

struct LayoutModel
{
    HRESULT init = RESULT_OK;
    UINT64 length = 0;              // decoded length
    UINT64 unit = 1;                // payload bytes of every unit but the last
    std::vector<HRESULT> unitLoads; // how loading unit k ends, k = 0 ... length / unit
    std::vector<BYTE> plain;        // the decoded bytes; zeros in units that fail to load
};

LayoutModel ModelRecordLayout(const std::vector<BYTE>& image, UINT blockSize, const MessageDecryptor& decrypt);
LayoutModel ModelChunkLayout(const std::vector<BYTE>& image, UINT blockSize, const MessageDecryptor& decrypt);
