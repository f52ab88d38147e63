#include "decode/CBlowfish.h"

#include "base/SecureWipe.h"
#include "decode/BigEndian.h"
#include "decode/CpuFeatures.h"

#include <cstring>

namespace
{

using SBoxes = UINT32[BLOWFISH_S_BOXES][BLOWFISH_S_WORDS];

struct Block
{
    UINT32 left;
    UINT32 right;
};

inline Block LoadBlock(const BYTE* bytes) { return {LoadBigEndian(bytes), LoadBigEndian(bytes + 4)}; }

inline void StoreBlock(BYTE* bytes, Block block)
{
    StoreBigEndian(bytes, block.left);
    StoreBigEndian(bytes + 4, block.right);
}

inline UINT32 Feistel(const SBoxes& s, UINT32 x)
{
    return ((s[0][x >> 24] + s[1][(x >> 16) & 0xFF]) ^ s[2][(x >> 8) & 0xFF]) + s[3][x & 0xFF];
}

// The 16 rounds without the swaps: the halves take turns being updated.
Block EncryptBlock(const UINT32* p, const SBoxes& s, Block block)
{
    UINT32 l = block.left ^ p[0];
    UINT32 r = block.right;
    r ^= Feistel(s, l) ^ p[1];
    l ^= Feistel(s, r) ^ p[2];
    r ^= Feistel(s, l) ^ p[3];
    l ^= Feistel(s, r) ^ p[4];
    r ^= Feistel(s, l) ^ p[5];
    l ^= Feistel(s, r) ^ p[6];
    r ^= Feistel(s, l) ^ p[7];
    l ^= Feistel(s, r) ^ p[8];
    r ^= Feistel(s, l) ^ p[9];
    l ^= Feistel(s, r) ^ p[10];
    r ^= Feistel(s, l) ^ p[11];
    l ^= Feistel(s, r) ^ p[12];
    r ^= Feistel(s, l) ^ p[13];
    l ^= Feistel(s, r) ^ p[14];
    r ^= Feistel(s, l) ^ p[15];
    l ^= Feistel(s, r) ^ p[16];
    return {r ^ p[17], l};
}

Block DecryptBlock(const UINT32* p, const SBoxes& s, Block block)
{
    UINT32 l = block.left ^ p[17];
    UINT32 r = block.right;
    r ^= Feistel(s, l) ^ p[16];
    l ^= Feistel(s, r) ^ p[15];
    r ^= Feistel(s, l) ^ p[14];
    l ^= Feistel(s, r) ^ p[13];
    r ^= Feistel(s, l) ^ p[12];
    l ^= Feistel(s, r) ^ p[11];
    r ^= Feistel(s, l) ^ p[10];
    l ^= Feistel(s, r) ^ p[9];
    r ^= Feistel(s, l) ^ p[8];
    l ^= Feistel(s, r) ^ p[7];
    r ^= Feistel(s, l) ^ p[6];
    l ^= Feistel(s, r) ^ p[5];
    r ^= Feistel(s, l) ^ p[4];
    l ^= Feistel(s, r) ^ p[3];
    r ^= Feistel(s, l) ^ p[2];
    l ^= Feistel(s, r) ^ p[1];
    return {r ^ p[0], l};
}

inline Block Xor(Block a, Block b) { return {a.left ^ b.left, a.right ^ b.right}; }

// Unknown modes behave as ECB.
int EffectiveMode(int mode) { return mode == CIPHER_MODE_CBC || mode == CIPHER_MODE_CFB ? mode : CIPHER_MODE_ECB; }

bool IsValidLength(UINT length) { return length != 0 && length % BLOWFISH_BLOCK_SIZE == 0; }

// One block at a time; `chain` continues across calls of the same message.
void DecryptOneByOne(const UINT32* p, const SBoxes& s, int mode, Block& chain, const BYTE* input, BYTE* output,
                     UINT blocks)
{
    for (UINT i = 0; i < blocks; ++i, input += BLOWFISH_BLOCK_SIZE, output += BLOWFISH_BLOCK_SIZE)
    {
        const Block cipherText = LoadBlock(input); // read before the output may overwrite it
        switch (mode)
        {
        case CIPHER_MODE_CBC:
            StoreBlock(output, Xor(DecryptBlock(p, s, cipherText), chain));
            chain = cipherText;
            break;
        case CIPHER_MODE_CFB:
            StoreBlock(output, Xor(cipherText, EncryptBlock(p, s, chain)));
            chain = cipherText;
            break;
        default:
            StoreBlock(output, DecryptBlock(p, s, cipherText));
            break;
        }
    }
}

void EncryptOneByOne(const UINT32* p, const SBoxes& s, int mode, Block chain, const BYTE* input, BYTE* output,
                     UINT blocks)
{
    for (UINT i = 0; i < blocks; ++i, input += BLOWFISH_BLOCK_SIZE, output += BLOWFISH_BLOCK_SIZE)
    {
        const Block plainText = LoadBlock(input);
        switch (mode)
        {
        case CIPHER_MODE_CBC:
            chain = EncryptBlock(p, s, Xor(plainText, chain));
            StoreBlock(output, chain);
            break;
        case CIPHER_MODE_CFB:
            chain = Xor(plainText, EncryptBlock(p, s, chain));
            StoreBlock(output, chain);
            break;
        default:
            StoreBlock(output, EncryptBlock(p, s, plainText));
            break;
        }
    }
}

// The byte planes of the S-boxes and P words that the byte-sliced kernel reads.
void MakeBytePlanes(BlowfishSchedule& key)
{
    for (UINT box = 0; box < BLOWFISH_S_BOXES; ++box)
        for (UINT k = 0; k < 4; ++k)
            for (UINT i = 0; i < BLOWFISH_S_WORDS; ++i)
                key.sPlanes[box][k][i] = BYTE(key.s[box][i] >> (8 * k));
    for (UINT i = 0; i < BLOWFISH_P_WORDS; ++i)
        for (UINT k = 0; k < 4; ++k)
            key.pBytes[i][k] = ((key.p[i] >> (8 * k)) & 0xFF) * 0x01010101u;
}

} // namespace

CBlowfish::CBlowfish()
    : m_iv{0, 0}, m_chain{0, 0}, m_key{}, m_kernel(FastestBlowfishKernel()), m_nMode(CIPHER_MODE_ECB)
{
}

CBlowfish::~CBlowfish()
{
    WipeKey();
}

void CBlowfish::WipeKey()
{
    SecureWipe(m_iv, sizeof(m_iv));
    SecureWipe(m_chain, sizeof(m_chain));
    SecureWipe(&m_key, sizeof(m_key)); // the schedule and its byte planes
}

HRESULT CBlowfish::SetKey(const BYTE* key, UINT length, const UINT32 initialVector[2])
{
    if (length == 0 || length > BLOWFISH_MAX_KEY_LENGTH)
        return DEC_E_KEY_LENGTH;
    if (key == nullptr || initialVector == nullptr)
        return RESULT_INVALID_ARG;

    WipeKey();
    m_iv[0] = m_chain[0] = initialVector[0];
    m_iv[1] = m_chain[1] = initialVector[1];
    UINT32* p = m_key.p;
    SBoxes& s = m_key.s;
    std::memcpy(p, BLOWFISH_INITIAL_P, sizeof(m_key.p));
    std::memcpy(s, BLOWFISH_INITIAL_S, sizeof(m_key.s));

    // The key is read cyclically, its bytes unsigned, the cycle running on across words.
    UINT next = 0;
    for (UINT32& word : m_key.p)
    {
        UINT32 keyWord = 0;
        for (int i = 0; i < 4; ++i)
        {
            keyWord = (keyWord << 8) | key[next];
            next = (next + 1) % length;
        }
        word ^= keyWord;
    }

    // 521 encryptions, each of the previous result, replace the tables pairwise in order.
    Block block = {0, 0};
    for (UINT i = 0; i < BLOWFISH_P_WORDS; i += 2)
    {
        block = EncryptBlock(p, s, block);
        p[i] = block.left;
        p[i + 1] = block.right;
    }
    for (auto& box : s)
    {
        for (UINT i = 0; i < BLOWFISH_S_WORDS; i += 2)
        {
            block = EncryptBlock(p, s, block);
            box[i] = block.left;
            box[i + 1] = block.right;
        }
    }
    MakeBytePlanes(m_key);
    m_kernel = FastestBlowfishKernel();
    // The last block is the schedule's last two words.
    SecureWipe(&block, sizeof(block));
    return RESULT_OK;
}

UINT CBlowfish::GetBlockSize() { return BLOWFISH_BLOCK_SIZE; }

HRESULT CBlowfish::GetMode(int* mode)
{
    if (mode == nullptr)
        return RESULT_INVALID_ARG;
    *mode = m_nMode;
    return RESULT_OK;
}

HRESULT CBlowfish::SetMode(int mode)
{
    m_nMode = mode;
    return RESULT_OK;
}

HRESULT CBlowfish::Reset()
{
    // Written only when it differs: the chain is never written back, so once keyed a
    // cipher shared by several decoding threads is only read, Reset included.
    if (m_chain[0] != m_iv[0] || m_chain[1] != m_iv[1])
    {
        m_chain[0] = m_iv[0];
        m_chain[1] = m_iv[1];
    }
    return RESULT_OK;
}

HRESULT CBlowfish::Encrypt(const void* input, void* output, UINT length)
{
    if (!IsValidLength(length) || input == nullptr || output == nullptr)
        return RESULT_INVALID_ARG;
    EncryptOneByOne(m_key.p, m_key.s, EffectiveMode(m_nMode), {m_chain[0], m_chain[1]}, static_cast<const BYTE*>(input),
                    static_cast<BYTE*>(output), length / BLOWFISH_BLOCK_SIZE);
    return RESULT_OK;
}

HRESULT CBlowfish::EncryptInPlace(void* buffer, UINT length) { return Encrypt(buffer, buffer, length); }

HRESULT CBlowfish::Decrypt(const void* input, void* output, UINT length)
{
    return DecryptWith(m_kernel, input, output, length);
}

HRESULT CBlowfish::DecryptInPlace(void* buffer, UINT length) { return Decrypt(buffer, buffer, length); }

HRESULT CBlowfish::DecryptWith(BlowfishKernel kernel, const void* input, void* output, UINT length)
{
    if (!IsValidLength(length) || input == nullptr || output == nullptr)
        return RESULT_INVALID_ARG;
    const BYTE* in = static_cast<const BYTE*>(input);
    BYTE* out = static_cast<BYTE*>(output);
    const UINT blocks = length / BLOWFISH_BLOCK_SIZE;
    const int mode = EffectiveMode(m_nMode);
    UINT32 chain[2] = {m_chain[0], m_chain[1]};

    const UINT done = kernel != nullptr ? kernel(mode, m_key, chain, in, out, blocks) : 0;
    Block tailChain = {chain[0], chain[1]};
    const UINT offset = done * BLOWFISH_BLOCK_SIZE;
    DecryptOneByOne(m_key.p, m_key.s, mode, tailChain, in + offset, out + offset, blocks - done);
    return RESULT_OK;
}

bool IsBlowfishPathAvailable(BlowfishPath path)
{
    const CpuFeatures& features = GetCpuFeatures();
    switch (path)
    {
    case BlowfishPath::OneBlock:
    case BlowfishPath::Lanes:
        return true;
    case BlowfishPath::LanesBitExtract:
        return features.bitExtract;
    case BlowfishPath::BytePlanes:
        return features.bytePlanes;
    }
    return false;
}

BlowfishKernel BlowfishKernelOf(BlowfishPath path)
{
    if (!IsBlowfishPathAvailable(path))
        return nullptr;
    switch (path)
    {
    case BlowfishPath::Lanes:
        return BlowfishDecryptLanes;
    case BlowfishPath::LanesBitExtract:
        return BlowfishDecryptLanesBitExtract;
    case BlowfishPath::BytePlanes:
        return BlowfishDecryptBytePlanes;
    default:
        return nullptr;
    }
}

BlowfishKernel FastestBlowfishKernel()
{
    static const BlowfishKernel fastest = BlowfishKernelOf(IsBlowfishPathAvailable(BlowfishPath::BytePlanes) ? BlowfishPath::BytePlanes
                                                           : IsBlowfishPathAvailable(BlowfishPath::LanesBitExtract)
                                                               ? BlowfishPath::LanesBitExtract
                                                               : BlowfishPath::Lanes);
    return fastest;
}

HRESULT BlowfishDecryptVia(BlowfishPath path, CBlowfish& cipher, const void* input, void* output, UINT length)
{
    if (!IsBlowfishPathAvailable(path))
        return RESULT_INVALID_ARG;
    return cipher.DecryptWith(BlowfishKernelOf(path), input, output, length);
}
