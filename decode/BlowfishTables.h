#pragma once

// Blowfish's initial P-array and S-boxes: the hexadecimal digits of pi's fractional
// part, in that order. The key schedule starts from these every time.

#include "base/Types.h"

constexpr UINT BLOWFISH_P_WORDS = 18;
constexpr UINT BLOWFISH_S_BOXES = 4;
constexpr UINT BLOWFISH_S_WORDS = 256;

extern const UINT32 BLOWFISH_INITIAL_P[BLOWFISH_P_WORDS];
extern const UINT32 BLOWFISH_INITIAL_S[BLOWFISH_S_BOXES][BLOWFISH_S_WORDS];
