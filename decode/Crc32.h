#pragma once

// CRC-32 of ISO 3309 / IEEE 802.3 (reflected polynomial 0xEDB88320). Continues from
// `running` (0 to start): Crc32(Crc32(0, a), b) is the CRC of a followed by b.
// A null buffer returns 0.

#include "base/Types.h"

UINT32 Crc32(UINT32 running, const BYTE* buffer, UINT32 length);
