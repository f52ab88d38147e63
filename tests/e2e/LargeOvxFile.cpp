#include "tests/e2e/LargeOvxFile.h"

#include <fstream>
#include <stdexcept>
#include <vector>

#include "tests/support/OvxEncoder.h"
#include "tests/support/TempFolder.h"

namespace
{
// A multiple of the cipher block, so full chunks carry no fill and the last chunk is one
// block of fill when the length is a multiple of it too.
constexpr UINT32 CHUNK_SIZE = 64 * 1024;
constexpr UINT64 BLOCK = 8;
} // namespace

void WriteLargeChunkFile(const std::string& path, UINT64 length, const std::string& password)
{
    std::vector<BYTE> header(16, 0);
    StoreLittleEndian32(header.data() + 4, CHUNK_SIZE);
    StoreLittleEndian64(header.data() + 8, length);
    header = EncryptMessage(header, password);

    // Stored length of the last chunk: its payload plus 1..8 bytes of fill, in whole blocks.
    const UINT64 lastPayload = length % CHUNK_SIZE;
    const UINT64 lastStored = (lastPayload / BLOCK + 1) * BLOCK;
    const UINT64 body = (length / CHUNK_SIZE) * CHUNK_SIZE + lastStored;

    const size_t separator = path.find_last_of("\\/");
    if (separator != std::string::npos)
        MakeFolders(path.substr(0, separator));
    std::ofstream file(ToHostPath(path), std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(header.data()), static_cast<std::streamsize>(header.size()));
    // Zero chunks need not be written: seeking past them leaves a hole that reads as
    // zeros, so even a file of gigabytes costs no time or disk space here.
    file.seekp(static_cast<std::streamoff>(header.size() + body - lastStored));
    const std::vector<char> zeros(static_cast<size_t>(lastStored), '\0');
    file.write(zeros.data(), static_cast<std::streamsize>(zeros.size()));
    file.close();
    if (!file)
        throw std::runtime_error("cannot write " + path);
}
