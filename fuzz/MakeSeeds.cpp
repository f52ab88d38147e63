// Writes a starting corpus for each fuzz target, one folder each under the folder given:
// record/ and chunk/ hold files from the test encoder (also in plain form for the
// pass-through cipher, and some with a script), layout/ descriptions of the same files
// and of each kind of edit, crypto/ keys, modes and lengths for the fast paths, engine/
// small trees of such files.
//   MakeFuzzSeeds <folder>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "fuzz/DecoderCheck.h"
#include "fuzz/JobCipher.h"
#include "fuzz/LayoutPlan.h"
#include "tests/support/OvxEncoder.h"

namespace
{
using Bytes = std::vector<BYTE>;
constexpr BYTE JOB_CIPHER = 0x00;
constexpr BYTE PASS_THROUGH_8 = 0xBC + 8;

class SeedFolder
{
public:
    SeedFolder(const std::filesystem::path& root, const char* name) : m_path(root / name)
    {
        std::filesystem::create_directories(m_path);
    }

    void Write(const Bytes& seed)
    {
        std::ofstream out(m_path / ("seed-" + std::to_string(m_nCount++)), std::ios::binary);
        out.write(reinterpret_cast<const char*>(seed.data()), static_cast<std::streamsize>(seed.size()));
    }

private:
    std::filesystem::path m_path;
    int m_nCount = 0;
};

void Append(Bytes& bytes, const Bytes& more)
{
    bytes.insert(bytes.end(), more.begin(), more.end());
}

void AppendWord(Bytes& bytes, UINT32 value)
{
    BYTE word[4];
    StoreLittleEndian32(word, value);
    bytes.insert(bytes.end(), word, word + 4);
}

// A raw-target input: cipher, script, file.
Bytes RawSeed(BYTE cipher, const Bytes& script, const Bytes& image)
{
    Bytes seed = {cipher, static_cast<BYTE>(script.size() / SCRIPT_STEP_SIZE)};
    Append(seed, script);
    Append(seed, image);
    return seed;
}

// The file with every message decrypted, what the pass-through cipher reads as it is:
// from `start` a message of `first` bytes, then messages of `each`, the last one shorter.
Bytes Decrypted(Bytes image, size_t start, size_t first, size_t each)
{
    for (size_t offset = start, length = first; offset < image.size(); offset += length, length = each)
        DecryptJobMessageByBlocks(image.data() + offset, std::min(length, image.size() - offset));
    return image;
}

size_t RoundUp(size_t value)
{
    return (value + 7) / 8 * 8;
}

// Reads in odd pieces, seeks from each origin and past both ends, a fresh Init.
Bytes SampleScript()
{
    Bytes script;
    const struct
    {
        BYTE operation;
        UINT32 value;
    } steps[] = {{0x00, 37}, {0x20, 1000}, {0x03, 5}, {0x0B, static_cast<UINT32>(-20)}, {0x13, 3},
                 {0x00, 299}, {0x83, 0}, {0x06, 0}, {0x07, 0}, {0x10, 0}};
    for (const auto& step : steps)
    {
        script.push_back(step.operation);
        AppendWord(script, step.value);
    }
    return script;
}

void WriteRecordSeeds(SeedFolder& folder)
{
    for (UINT32 unit : {1u, 5u, 7u, 100u, 1000u})
    {
        for (size_t length : {0u, 1u, 94u, 99u, 250u, 1000u, 2040u})
        {
            const Bytes image = EncodeRecordFormat(MakePlaintext(length), FuzzPassword(), {.payloadUnit = unit});
            folder.Write(RawSeed(JOB_CIPHER, {}, image));
            const size_t record = RoundUp(unit + 19);
            folder.Write(RawSeed(PASS_THROUGH_8, {}, Decrypted(image, 4, record, record)));
        }
    }
    const Bytes plain = MakePlaintext(650);
    folder.Write(RawSeed(JOB_CIPHER, SampleScript(), EncodeRecordFormat(plain, FuzzPassword())));
    folder.Write(RawSeed(JOB_CIPHER, SampleScript(), EncodeRecordFormat(plain, FuzzPassword(), {.wrongCrcRecord = 3})));
    folder.Write(RawSeed(JOB_CIPHER, {}, EncodeRecordFormat(plain, FuzzPassword(), {.wrongIndexRecord = 6})));
}

void WriteChunkSeeds(SeedFolder& folder)
{
    for (UINT32 unit : {1u, 8u, 100u, 1000u})
    {
        for (size_t length : {0u, 1u, 8u, 250u, 1000u, 2040u})
        {
            const Bytes image = EncodeChunkFormat(MakePlaintext(length), FuzzPassword(), {.chunkSize = unit});
            folder.Write(RawSeed(JOB_CIPHER, {}, image));
            folder.Write(RawSeed(PASS_THROUGH_8, {}, Decrypted(image, 0, 16, RoundUp(unit))));
        }
    }
    folder.Write(RawSeed(JOB_CIPHER, SampleScript(), EncodeChunkFormat(MakePlaintext(650), FuzzPassword())));
}

// A layout description (see LayoutPlan.h) of `fullUnits` units of `unit` bytes and a
// last one of `tail`, with at most one edit.
Bytes LayoutSeed(bool bChunks, UINT32 unit, UINT32 fullUnits, UINT32 tail, int edit = -1, UINT32 value = 0)
{
    Bytes seed = {static_cast<BYTE>(bChunks ? 1 : 0), 3};
    AppendWord(seed, unit - 1); // U = 1 + w mod 70000
    AppendWord(seed, fullUnits);
    AppendWord(seed, tail);
    AppendWord(seed, 0x5EED0000u + unit + tail);
    if (edit < 0)
    {
        seed.push_back(0);
        return seed;
    }
    seed.push_back(1);
    seed.push_back(static_cast<BYTE>(edit));
    seed.insert(seed.end(), {1, 0, 7, 0}); // message 1, offset 7
    AppendWord(seed, value);
    return seed;
}

void WriteLayoutSeeds(SeedFolder& folder)
{
    for (bool bChunks : {false, true})
    {
        const struct
        {
            UINT32 unit, fullUnits, tail;
        } shapes[] = {{1, 3, 0}, {5, 2, 4}, {7, 0, 6}, {100, 2, 50}, {100, 1, 99}, {100, 3, 0},
                      {4096, 1, 4094}, {65536, 1, 65534}, {65536, 0, 65535}};
        for (const auto& shape : shapes)
            folder.Write(LayoutSeed(bChunks, shape.unit, shape.fullUnits, shape.tail));
        for (int edit = 0; edit < EDIT_KINDS; ++edit)
            folder.Write(LayoutSeed(bChunks, 100, 3, 99, edit, 0x00010001));
    }
}

void WriteCryptoSeeds(SeedFolder& folder)
{
    for (BYTE keyLength : {1, 8, 56, 57})
    {
        for (BYTE mode : {0, 1, 2, 3})
        {
            Bytes seed = {keyLength};
            Append(seed, MakePlaintext(keyLength, keyLength));
            AppendWord(seed, 0x6D2B91C4);
            AppendWord(seed, 0x3E07A58F);
            seed.push_back(mode);
            seed.push_back(static_cast<BYTE>(mode * 9)); // alignment, overlap
            seed.insert(seed.end(), {static_cast<BYTE>(mode * 37), 0});
            Append(seed, MakePlaintext(mode == 3 ? 1203 : 8u << mode, mode));
            folder.Write(seed);
        }
    }
    // One and two groups of 64 blocks and a tail, for the byte-sliced path: ECB and CBC.
    for (UINT blocks : {64u, 135u})
    {
        for (BYTE mode : {0, 1})
        {
            Bytes seed = {16};
            Append(seed, MakePlaintext(16, blocks));
            AppendWord(seed, 0x6D2B91C4);
            AppendWord(seed, 0x3E07A58F);
            seed.insert(seed.end(), {mode, 0, 0, 0});
            Append(seed, MakePlaintext(8 * blocks, mode));
            folder.Write(seed);
        }
    }
}
// Trees for the engine's differential target (EngineThreadsFuzzer.cpp): files of several
// units in both layouts, one damaged, one in the subfolder "d" beside "d.ovx".
void WriteEngineSeeds(SeedFolder& folder)
{
    auto file = [](Bytes& seed, BYTE where, const Bytes& description) {
        seed.push_back(where);
        seed.push_back(static_cast<BYTE>(description.size()));
        Append(seed, description);
    };
    for (BYTE flags : {0, 1, 2, 4 | 8, 1 | 4 | 8})
    {
        Bytes seed = {3, flags, 3};
        file(seed, 0, LayoutSeed(false, 1000, 5, 300));
        file(seed, 2, LayoutSeed(true, 4096, 3, 17));
        file(seed, 4 | 1, LayoutSeed(false, 100, 8, 50, EDIT_SET_WORD, 0x00010001));
        folder.Write(seed);
    }
    Bytes one = {7, 0, 0};
    file(one, 3, LayoutSeed(true, 65536, 1, 65534));
    folder.Write(one);
}
} // namespace

int main(int argc, char** argv)
{
    if (argc != 2)
    {
        std::fprintf(stderr, "usage: MakeFuzzSeeds <folder>\n");
        return 2;
    }
    const std::filesystem::path root = argv[1];
    SeedFolder record(root, "record"), chunk(root, "chunk"), layout(root, "layout"), crypto(root, "crypto"),
        engine(root, "engine");
    WriteRecordSeeds(record);
    WriteChunkSeeds(chunk);
    WriteLayoutSeeds(layout);
    WriteCryptoSeeds(crypto);
    WriteEngineSeeds(engine);
    return 0;
}
