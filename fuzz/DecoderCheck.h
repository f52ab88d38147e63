#pragma once

// Drives a decoder through Init, the decoding of each unit alone, a read from start to
// end and a script of reads, seeks, queries and fresh Inits taken from the fuzzer's
// input, and compares every result code, count, byte and position with what the layout
// model says. A disagreement aborts, which the fuzzer reports like a crash and keeps
// the input for.

#include "decode/CUnitDecoder.h"
#include "fuzz/InputReader.h"
#include "fuzz/LayoutModel.h"

// Bytes of one script step: an operation byte and a 32-bit value.
constexpr size_t SCRIPT_STEP_SIZE = 5;

void CheckDecoderAgainstModel(CUnitDecoder& decoder, IInputStream& source, IDecryptor& cipher,
                              const LayoutModel& model, InputReader script);
