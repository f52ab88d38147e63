#include "tests/e2e/LargeOvxFile.h"

#include <fstream>
#include <stdexcept>
#include <vector>

#include "tests/support/OvxEncoder.h"
#include "tests/support/TempFolder.h"

void WriteLargeChunkFile(const std::string& path, UINT64 length, const std::string& password)
{
    constexpr UINT32 CHUNK_SIZE = 64 * 1024; // whole cipher blocks, so full chunks carry no fill
    std::vector<BYTE> header(16, 0);
    StoreLittleEndian32(header.data() + 4, CHUNK_SIZE);
    StoreLittleEndian64(header.data() + 8, length);
    header = EncryptMessage(header, password);

    // The last chunk holds its payload plus 1..8 bytes of fill.
    const UINT64 lastStored = (length % CHUNK_SIZE / 8 + 1) * 8;
    const UINT64 body = length / CHUNK_SIZE * CHUNK_SIZE + lastStored;

    const size_t separator = path.find_last_of("\\/");
    if (separator != std::string::npos)
        MakeFolders(path.substr(0, separator));
    std::ofstream file(ToHostPath(path), std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(header.data()), static_cast<std::streamsize>(header.size()));
    // Seeking past the zero chunks leaves a hole: gigabytes cost no time or disk space.
    file.seekp(static_cast<std::streamoff>(header.size() + body - lastStored));
    const std::vector<char> zeros(static_cast<size_t>(lastStored), '\0');
    file.write(zeros.data(), static_cast<std::streamsize>(zeros.size()));
    file.close();
    if (!file)
        throw std::runtime_error("cannot write " + path);
}
