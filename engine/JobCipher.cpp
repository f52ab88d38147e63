#include "engine/JobCipher.h"

HRESULT KeyJobCipher(CBlowfish& cipher, const std::string& password)
{
    HRESULT hr = cipher.SetKey(reinterpret_cast<const BYTE*>(password.data()), static_cast<UINT>(password.size()),
                               JOB_INITIAL_VECTOR);
    if (hr != RESULT_OK)
        return hr;
    return static_cast<IBlockCipher&>(cipher).SetMode(CIPHER_MODE_CBC);
}
